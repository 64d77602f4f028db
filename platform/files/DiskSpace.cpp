// statvfs behind DiskSpace.h.
#include "platform/files/DiskSpace.h"

#include <sys/statvfs.h>

namespace platform {

bool DiskSpace(const std::string& path, DiskSpaceInfo& out) {
  struct statvfs st;
  if (path.empty() || statvfs(path.c_str(), &st) != 0) return false;
  out.freeBytes = static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
  out.totalBytes = static_cast<double>(st.f_blocks) * static_cast<double>(st.f_frsize);
  return true;
}

}  // namespace platform
