// GStreamer, opened the first time a video is played instead of when the program starts: the
// library, its app and video helpers and what they bring along (GLib, GObject, ORC) cost every
// start of the runner, and most games show no video.
#pragma once

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace platform::media {

// The reference-counted objects' release: the headers' own unref helpers are inline and would
// refer to the library directly.
#define GST_LIBRARY_FUNCTIONS(X)                                                                          \
  X(gst_init_check) X(gst_element_factory_make) X(gst_caps_new_simple) X(gst_mini_object_unref)           \
  X(gst_filename_to_uri) X(gst_element_set_state) X(gst_element_get_state) X(gst_sample_get_caps)        \
  X(gst_sample_get_buffer) X(gst_buffer_map) X(gst_buffer_unmap) X(gst_object_unref)                     \
  X(gst_element_get_bus) X(gst_bus_pop_filtered) X(gst_element_seek_simple)
#define GST_APP_LIBRARY_FUNCTIONS(X) \
  X(gst_app_sink_set_caps) X(gst_app_sink_try_pull_preroll) X(gst_app_sink_try_pull_sample) X(gst_app_sink_is_eos)
#define GST_VIDEO_LIBRARY_FUNCTIONS(X) X(gst_video_info_from_caps)
#define GST_GLIB_FUNCTIONS(X) X(g_object_set) X(g_free)

struct RGstLibrary {
#define GST_LIBRARY_MEMBER(name) decltype(&::name) name = nullptr;
  GST_LIBRARY_FUNCTIONS(GST_LIBRARY_MEMBER)
  GST_APP_LIBRARY_FUNCTIONS(GST_LIBRARY_MEMBER)
  GST_VIDEO_LIBRARY_FUNCTIONS(GST_LIBRARY_MEMBER)
  GST_GLIB_FUNCTIONS(GST_LIBRARY_MEMBER)
#undef GST_LIBRARY_MEMBER
};

// The libraries' functions, opened once for the process; null when one of the libraries or
// functions is missing, and then no video opens, as with a format no decoder reads.
const RGstLibrary* GstLibrary();

}  // namespace platform::media
