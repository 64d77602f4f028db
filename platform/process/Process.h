// Starting other programs without a shell: Windows-style command-line splitting, spawning
// with no inherited descriptors, and reaping children nobody waits for.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a parameter string by the Windows C runtime rules: blanks and tabs separate; double
// quotes group and may sit inside a word; 2n backslashes before a quote give n backslashes and
// the quote toggles grouping; 2n+1 give n backslashes and a literal quote; other backslashes
// are literal; inside a group "" is a literal quote. A quoted empty string is an argument.
std::vector<std::string> SplitCommandLine(std::string_view text);

// Starts argv[0] with argv; searchPath looks it up in PATH when it has no '/'. An empty
// directory keeps ours. Only descriptors 0-2 reach the child. Returns the pid, or -1 (errno set).
pid_t SpawnProcess(const std::vector<std::string>& argv, const std::string& directory, bool searchPath);

enum class ChildState { Running, Exited };
// Checks without blocking; a pid we cannot wait for counts as exited.
ChildState PollChild(pid_t pid, int* exitStatus = nullptr);

// A child nobody waits for is reaped by ReapChildren, which the event pump calls.
void ReleaseChild(pid_t pid);
void ReapChildren();

// Sets the calling thread's nice value (-20 .. 19). Raising the priority needs privilege that
// a game usually lacks; false then, and nothing changes.
bool SetThreadNice(int nice);

}  // namespace platform
