// Names of files as games give them; see Support_Path.h.
#include "runner/base/Support_Path.h"

bool HasDriveLetter(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string NormaliseGamePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == '\\') c = '/';
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  return out;
}

bool IsConfinedName(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos || HasDriveLetter(name)) return false;
  const std::string n = NormaliseGamePath(name);
  if (n.front() == '/') return false;
  size_t start = 0;
  while (start <= n.size()) {
    size_t end = n.find('/', start);
    if (end == std::string::npos) end = n.size();
    if (n.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return n.back() != '/';
}
