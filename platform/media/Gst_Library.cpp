// Opening GStreamer on first use; see Gst_Library.h.
#include "platform/media/Gst_Library.h"

#include <dlfcn.h>

#include <mutex>

namespace platform::media {
namespace {
static_assert(GST_VERSION_MAJOR == 1, "built against another ABI");

// The names the libraries' current ABI carries; GLib and GObject come loaded with GStreamer.
struct RLibraryFile {
  const char* soname;
  void* handle;
};

RGstLibrary* Open() {
  RLibraryFile files[] = {{"libgstreamer-1.0.so.0", nullptr},
                          {"libgstapp-1.0.so.0", nullptr},
                          {"libgstvideo-1.0.so.0", nullptr},
                          {"libgobject-2.0.so.0", nullptr}};
  for (RLibraryFile& f : files) {
    f.handle = dlopen(f.soname, RTLD_NOW | RTLD_LOCAL);
    if (!f.handle) return nullptr;
  }
  static RGstLibrary library;
  bool complete = true;
  // GLib's functions are found through GObject's handle, whose dependency it is.
#define GST_LIBRARY_LOOKUP_IN(handle, name)                                    \
  library.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
  complete = complete && library.name != nullptr;
#define GST_LOOKUP_CORE(name) GST_LIBRARY_LOOKUP_IN(files[0].handle, name)
#define GST_LOOKUP_APP(name) GST_LIBRARY_LOOKUP_IN(files[1].handle, name)
#define GST_LOOKUP_VIDEO(name) GST_LIBRARY_LOOKUP_IN(files[2].handle, name)
#define GST_LOOKUP_GLIB(name) GST_LIBRARY_LOOKUP_IN(files[3].handle, name)
  GST_LIBRARY_FUNCTIONS(GST_LOOKUP_CORE)
  GST_APP_LIBRARY_FUNCTIONS(GST_LOOKUP_APP)
  GST_VIDEO_LIBRARY_FUNCTIONS(GST_LOOKUP_VIDEO)
  GST_GLIB_FUNCTIONS(GST_LOOKUP_GLIB)
#undef GST_LOOKUP_CORE
#undef GST_LOOKUP_APP
#undef GST_LOOKUP_VIDEO
#undef GST_LOOKUP_GLIB
#undef GST_LIBRARY_LOOKUP_IN
  // The handles stay open: GStreamer's threads and plugins live until the process ends.
  return complete ? &library : nullptr;
}
}  // namespace

const RGstLibrary* GstLibrary() {
  static std::once_flag once;
  static const RGstLibrary* library = nullptr;
  std::call_once(once, [] { library = Open(); });
  return library;
}

}  // namespace platform::media
