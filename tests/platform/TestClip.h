// A tiny video written by the tests themselves: solid red pictures, MJPEG in AVI, through the
// same platform decoders that play it back.
#pragma once

#include <gst/gst.h>

#include <string>

inline bool WriteTestClip(const std::string& file, int frames, int width = 32, int height = 24) {
  if (!gst_init_check(nullptr, nullptr, nullptr)) return false;
  const std::string launch = "videotestsrc num-buffers=" + std::to_string(frames) +
                             " pattern=red ! video/x-raw,width=" + std::to_string(width) +
                             ",height=" + std::to_string(height) +
                             ",framerate=25/1 ! jpegenc ! avimux ! filesink location=\"" + file + "\"";
  GstElement* pipeline = gst_parse_launch(launch.c_str(), nullptr);
  if (!pipeline) return false;
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* m = gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND,
                                             static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool ok = m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
  if (m) gst_message_unref(m);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok;
}
