// Tonelet, the system-sound library: one exported function that starts one of the six standard
// system sounds and returns at once. Games load it at run time through the runner's external
// calls; it links nothing of the runner. Sound comes from libcanberra with the freedesktop
// sound theme; a sound that cannot be played is skipped silently, with no fallback sound.
#include <canberra.h>

#include <cstdlib>
#include <cstring>

#include "tonelet/Tonelet_Sounds.h"

#if defined(__i386__)
#define TONELET_CALL __attribute__((stdcall))
#else
#define TONELET_CALL  // one C calling convention on this machine
#endif

namespace {

// The library's context, made on the first call and released when the library is unloaded
// (the library is linked never to be unloaded before exit, since playback runs on threads of
// the sound backend).
struct Context {
  ca_context* ctx = nullptr;
  bool tried = false;
  ~Context() {
    if (ctx) ca_context_destroy(ctx);
  }
  ca_context* Get() {
    if (!tried) {
      tried = true;
      if (ca_context_create(&ctx) != CA_SUCCESS) ctx = nullptr;
    }
    return ctx;
  }
};

Context& TheContext() {
  static Context context;
  return context;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) double TONELET_CALL PlayTonelet(const char* text) {
  // The library works on its own copy of the argument and frees it before returning.
  char* copy = nullptr;
  if (text) {
    const size_t length = std::strlen(text);
    copy = static_cast<char*>(std::malloc(length + 5));
    if (copy) std::memcpy(copy, text, length + 1);
  }
  const char* event = ToneletEventId(ToneletNumber(copy));
  if (event) {
    if (ca_context* ctx = TheContext().Get())
      ca_context_play(ctx, 0, CA_PROP_EVENT_ID, event, CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr);
  }
  std::free(copy);
  return 0.0;
}
