// posix_spawn based process start; never through /bin/sh.
#include "platform/process/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace platform {
namespace {
std::vector<pid_t> g_released;
}

std::vector<std::string> SplitCommandLine(std::string_view s) {
  std::vector<std::string> out;
  size_t i = 0;
  const size_t n = s.size();
  for (;;) {
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      const char c = s[i];
      if (!quoted && (c == ' ' || c == '\t')) break;
      if (c == '\\') {
        size_t count = 0;
        while (i < n && s[i] == '\\') ++count, ++i;
        if (i < n && s[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg += '"';
            ++i;
          }
          // even: the quote is handled as a quote on the next turn
        } else {
          arg.append(count, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (quoted && i + 1 < n && s[i + 1] == '"') {
          arg += '"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      arg += c;
      ++i;
    }
    out.push_back(std::move(arg));
  }
  return out;
}

pid_t SpawnProcess(const std::vector<std::string>& argv, const std::string& directory, bool searchPath) {
  if (argv.empty() || argv[0].empty()) {
    errno = ENOENT;
    return -1;
  }
  std::vector<char*> args;
  for (const auto& a : argv) {
    if (a.find('\0') != std::string::npos) {  // the child would see a shorter argument
      errno = EINVAL;
      return -1;
    }
    args.push_back(const_cast<char*>(a.c_str()));
  }
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  int rc = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (rc == 0 && !directory.empty()) rc = posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  // The runner ignores SIGPIPE; an ignored signal stays ignored across exec, so the child gets
  // the default back.
  posix_spawnattr_t attr;
  if (rc == 0) rc = posix_spawnattr_init(&attr);
  const bool haveAttr = rc == 0;
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  if (rc == 0) rc = posix_spawnattr_setsigdefault(&attr, &defaults);
  if (rc == 0) rc = posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  if (rc == 0) {
    rc = searchPath ? posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ)
                    : posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
  }
  if (haveAttr) posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  return pid;
}

ChildState PollChild(pid_t pid, int* exitStatus) {
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid, &status, WNOHANG);
  } while (r == -1 && errno == EINTR);
  if (r == 0) return ChildState::Running;
  if (exitStatus) *exitStatus = (r == pid && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  return ChildState::Exited;
}

void ReleaseChild(pid_t pid) {
  if (pid > 0) g_released.push_back(pid);
}

void ReapChildren() {
  std::erase_if(g_released, [](pid_t pid) { return PollChild(pid) == ChildState::Exited; });
}

bool SetThreadNice(int nice) {
  // On Linux the nice value belongs to the thread, so the game thread alone changes.
  return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0;
}

}  // namespace platform
