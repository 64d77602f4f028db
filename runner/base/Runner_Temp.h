// The runner's private temporary directory: where its base comes from, creating it without
// races in shared folders, and removing it without ever leaving it.
#pragma once

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>

// "X:\rest" and "X:/rest" become "/rest", "X:rest" becomes "rest"; backslashes become slashes.
std::string MapWindowsPath(std::string_view path);

// The configured base: the first line of "tempdir.txt" in exeFolder (possibly empty, meaning
// the root), else TMPDIR, TEMP, TMP, temp, tmp (the first that is set and not empty).
// nullopt when nothing is configured.
using EnvLookup = std::function<const char*(const char*)>;
std::optional<std::string> ConfiguredTempBase(const std::string& exeFolder, const EnvLookup& env);

// base + "/kv_ttt_" + n, where a base of "" or "/" means the root.
std::string TempCandidate(const std::string& base, int n);

// Creates base + "/kv_ttt_" + random 0..99999 with mode 0700, creating missing parents and
// drawing a new number while the name is taken. Returns the canonical path of the new
// directory, or nullopt when the base is unusable.
std::optional<std::string> CreateTempDirectoryUnder(const std::string& base, std::mt19937& random);

// Removes the directory and everything in it. Symbolic links are removed, never followed;
// nothing is deleted unless the folder holding it lies inside dir. False on any failure.
bool RemoveDirectoryTree(const std::string& dir);

// True when canonicalPath is canonicalDir or lies below it ("a/kv_ttt_12" is not in "a/kv_ttt_1").
bool PathIsInside(std::string_view canonicalPath, std::string_view canonicalDir);

// The process-wide directory: created at start-up (base from ConfiguredTempBase, then "/tmp",
// then the current directory, showing the failure message if all fail), or on the first
// GetTempDirectory when the program entry did not run, and removed at exit. Creating again
// after a removal makes a new one. Removal only touches a directory this process created.
void CreateTempDirectory();
void RemoveTempDirectory();

// The generator behind temporary names, seeded from the clock.
std::mt19937& TempRandom();
