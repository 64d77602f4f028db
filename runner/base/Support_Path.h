// Names of files as games give them: the game's separators and drive letters made into paths of
// the one file system, and the check that a name stays inside the folder it is joined to.
#pragma once

#include <string>
#include <string_view>

// True when the name starts with a drive letter and a colon.
bool HasDriveLetter(std::string_view path);
// The name as the file system sees it: backslashes become slashes, repeated separators one.
std::string NormaliseGamePath(std::string_view path);
// A relative name without ".." components, safe to join under a target folder.
bool IsConfinedName(std::string_view name);
