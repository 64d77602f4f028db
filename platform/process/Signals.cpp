// The handler only notes the signal and writes one byte to a pipe; everything else happens on
// the watcher thread or in the game's own loops. See Signals.h.
#include "platform/process/Signals.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace platform {
namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// The pipe's write end, the one thing the handler needs besides the flag.
std::atomic<int> g_wakeFd{-1};

void OnTerminationSignal(int signal) {
  const int saved = errno;
  int none = 0;
  detail::g_terminationSignal.compare_exchange_strong(none, signal);
  const int fd = g_wakeFd.load();
  if (fd >= 0) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
  }
  errno = saved;
}

// Waits for one byte from the pipe for at most timeoutMs (-1: without limit). False on timeout.
bool WaitForByte(int fd, int timeoutMs) {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    int left = timeoutMs;
    if (timeoutMs >= 0) {
      const auto spent =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
      if (spent >= timeoutMs) return false;
      left = static_cast<int>(timeoutMs - spent);
    }
    pollfd p{fd, POLLIN, 0};
    const int r = poll(&p, 1, left);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) continue;  // the next turn sees the time is up
    char byte;
    const ssize_t n = read(fd, &byte, 1);
    if (n == 1) return true;
  }
}

void Watch(int readFd, std::chrono::milliseconds deadline, std::function<void()> cleanup) {
  WaitForByte(readFd, -1);
  // The game had its chance to close in order; a second signal or the deadline ends it now.
  WaitForByte(readFd, static_cast<int>(deadline.count()));
  if (cleanup) cleanup();
  _exit(128 + TerminationSignal());
}

}  // namespace

void WatchTerminationSignals(std::chrono::milliseconds deadline, std::function<void()> cleanup) {
  if (g_wakeFd.load() >= 0) return;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  // Only the write end stays non-blocking: a full pipe must never stall the handler.
  fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) & ~O_NONBLOCK);
  g_wakeFd.store(fds[1]);

  // The watcher blocks every signal, so they all reach the game's thread and wake its waits.
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  std::thread(Watch, fds[0], deadline, std::move(cleanup)).detach();
  pthread_sigmask(SIG_SETMASK, &old, nullptr);

  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : kTerminationSignals) {
    // A signal someone chose to ignore (nohup, a background job's SIGINT) stays ignored.
    struct sigaction old {};
    if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(s, &action, nullptr);
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}


}  // namespace platform
