// The files a project names: read only when they are regular files, and only from inside the
// project folder, so a project can neither hang the build on a FIFO nor copy someone's files
// into a game through an absolute path, ".." or a symbolic link.
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace gamebuild {

// Reads the regular file at path. False, with what is wrong ("file not found", "a folder, not
// a file", "not a regular file", "cannot read: REASON"), for anything else.
bool ReadRegularFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes, std::string& why);

// rel taken from base (a folder inside the project folder root) with every symbolic link
// followed; empty, with why, when that leaves the project folder or rel is absolute.
std::filesystem::path InsideProject(const std::filesystem::path& root, const std::filesystem::path& base,
                                    const std::string& rel, std::string& why);

// A JSON parser's message without the library's exception id ("[json.exception.parse_error.101] "),
// which means nothing to someone writing a project.
std::string JsonMessage(const std::exception& e);

}  // namespace gamebuild
