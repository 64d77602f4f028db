// Replacing a file so that nothing is ever half written: the new content goes to a temporary
// file in the same folder, reaches the disk (fsync), and only then is renamed over the old name.
// A crash, a full disk or a failing device at any point leaves either the old file or the new
// one, whole. Everything that overwrites a file the player keeps (INI files, the registry store,
// copies, saved games) goes through here.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Writes the new content through the descriptor it is given; false when it could not.
using FileWriter = std::function<bool(int fd)>;

// Replaces (or creates) the file at path with what write puts into a fresh temporary file.
// The new file keeps the old one's permission bits (a new one gets 0666 less the umask). False,
// with errno set and the old file untouched, when any step fails.
bool ReplaceFile(const std::string& path, const FileWriter& write);
bool ReplaceFileContents(const std::string& path, std::string_view data);

// Copies the regular file source over target the same way. Copying a file onto itself (the
// same inode) succeeds and changes nothing.
bool CopyFileReplacing(const std::string& source, const std::string& target);

}  // namespace platform
