// Keeps the sound libraries' own messages off the player's terminal. OpenAL Soft, ALSA (which
// OpenAL Soft loads) and FluidSynth all write to standard error by default: a machine with no
// sound card printed a screenful of "cannot find card" on every start. Their messages go to
// the runner's sink instead (the trace log), and the runner says in its own words what matters.
// FluidSynth is given the sink where it is opened, on the first MIDI song (Audio_Decode), so
// that routing its messages does not load it at every start.
#include <dlfcn.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/audio/AudioDevice.h"

namespace platform::audio {
namespace {

// The libraries' handlers take no user data, so the sink is the process's, set once at start.
std::atomic<LibraryLog> g_log{nullptr};

void Forward(const std::string& text) {
  if (const LibraryLog log = g_log.load()) log(text);
}

// ALSA's handler type: file, line, function, error number, then a printf format.
extern "C" void AlsaMessage(const char* file, int line, const char* function, int err, const char* fmt, ...) {
  char text[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(text, sizeof text, fmt ? fmt : "", args);
  va_end(args);
  Forward(std::string("ALSA: ") + (file ? file : "?") + ":" + std::to_string(line) + " (" +
          (function ? function : "?") + ") " + text + (err ? " [" + std::to_string(err) + "]" : ""));
}

}  // namespace

void RouteLibraryMessages(LibraryLog log) {
  g_log.store(log);
  // OpenAL Soft reads its level when first used; a level the user set is theirs to keep.
  setenv("ALSOFT_LOGLEVEL", "0", 0);
  // OpenAL Soft opens ALSA by its soname: the handler set on our handle is the one it uses.
  // The library stays loaded for the process, so the handler stays valid.
  if (void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL)) {
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(AlsaMessage);
  }
}

void LibraryMessage(const std::string& text) { Forward(text); }

}  // namespace platform::audio
