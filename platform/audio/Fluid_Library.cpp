// Opening FluidSynth on first use; see Fluid_Library.h.
#include "platform/audio/Fluid_Library.h"

#include <dlfcn.h>

#include <mutex>

namespace platform::audio {
namespace {
// The name the library's current ABI carries (FluidSynth 2.2 and later).
constexpr const char* kSoname = "libfluidsynth.so.3";
static_assert(FLUIDSYNTH_VERSION_MAJOR == 2 && FLUIDSYNTH_VERSION_MINOR >= 2, "built against another ABI");

RFluidLibrary* Open() {
  void* handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  static RFluidLibrary library;
  bool complete = true;
#define FLUID_LIBRARY_LOOKUP(name)                                               \
  library.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
  complete = complete && library.name != nullptr;
  FLUID_LIBRARY_FUNCTIONS(FLUID_LIBRARY_LOOKUP)
#undef FLUID_LIBRARY_LOOKUP
  // The handle stays open: synthesisers may live until the process ends.
  return complete ? &library : nullptr;
}
}  // namespace

const RFluidLibrary* FluidLibrary() {
  static std::once_flag once;
  static const RFluidLibrary* library = nullptr;
  std::call_once(once, [] { library = Open(); });
  return library;
}

}  // namespace platform::audio
