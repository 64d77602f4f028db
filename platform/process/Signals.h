// Termination signals. SIGTERM, SIGINT, SIGHUP and SIGQUIT ask the game to close: the first is
// only noted (the main loop, the waits and the interpreter's loops look at it and end the game
// in order); a second one, or the deadline passing after the first, ends the process on a
// watcher thread after a last cleanup, with status 128 + the first signal's number. SIGPIPE is
// ignored, so writing to a closed stream fails instead of killing the runner.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>

namespace platform {

namespace detail {
// Set once by the signal handler; a lock-free atomic is all a handler may touch.
inline std::atomic<int> g_terminationSignal{0};
}  // namespace detail

// The first termination signal received, 0 while none has come. A single relaxed load, cheap
// enough for the interpreter's loops.
inline int TerminationSignal() { return detail::g_terminationSignal.load(std::memory_order_relaxed); }

// Installs the handlers and starts the watcher; once per process (later calls do nothing).
// cleanup runs on the watcher's thread just before a forced exit and must not touch game state.
void WatchTerminationSignals(std::chrono::milliseconds deadline, std::function<void()> cleanup);

}  // namespace platform
