// Free and total space of the file system that holds a path.
#pragma once

#include <string>

namespace platform {

struct DiskSpaceInfo {
  double freeBytes = 0;   // available to this user
  double totalBytes = 0;
};
// False when the path names nothing the system can measure.
bool DiskSpace(const std::string& path, DiskSpaceInfo& out);

}  // namespace platform
