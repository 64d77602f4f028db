// Video through GStreamer: a playbin whose video goes to an appsink asking for RGBA, and whose
// sound goes nowhere (a splash video never needs a sound device, and unattended runs have none).
#include "platform/media/VideoPlayer.h"

#include "platform/media/Gst_Library.h"

#include <algorithm>
#include <cstring>

namespace platform::media {
namespace {
// Larger pictures are damage, not videos: their frames are refused rather than allocated.
constexpr int32_t kMaxSide = 8192;

// Only called once GstReady has said the library is there.
const RGstLibrary& G() { return *GstLibrary(); }

// The checked cast of the headers would refer to the library directly; the sink is known.
GstAppSink* AppSink(GstElement* sink) { return reinterpret_cast<GstAppSink*>(sink); }

// The library is opened and set up once for the process; its own state is global anyway.
bool GstReady() {
  static const bool ready = GstLibrary() && G().gst_init_check(nullptr, nullptr, nullptr) != FALSE;
  return ready;
}

bool ToFrame(GstSample* sample, RVideoFrame& out) {
  GstCaps* caps = G().gst_sample_get_caps(sample);
  GstBuffer* buffer = G().gst_sample_get_buffer(sample);
  GstVideoInfo info;
  if (!caps || !buffer || !G().gst_video_info_from_caps(&info, caps)) return false;
  const int32_t w = GST_VIDEO_INFO_WIDTH(&info), h = GST_VIDEO_INFO_HEIGHT(&info);
  const int32_t stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || stride < w * 4) return false;
  GstMapInfo map;
  if (!G().gst_buffer_map(buffer, &map, GST_MAP_READ)) return false;
  const size_t offset = GST_VIDEO_INFO_PLANE_OFFSET(&info, 0);
  const size_t need = offset + static_cast<size_t>(stride) * static_cast<size_t>(h - 1) + static_cast<size_t>(w) * 4;
  const bool whole = map.size >= need;
  if (whole) {
    out.width = w;
    out.height = h;
    out.rgba.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(out.rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 4,
                  map.data + offset + static_cast<size_t>(y) * static_cast<size_t>(stride), static_cast<size_t>(w) * 4);
  }
  G().gst_buffer_unmap(buffer, &map);
  return whole;
}
}  // namespace

struct TVideoPlayer::RImpl {
  GstElement* pipeline = nullptr;
  GstElement* sink = nullptr;  // owned by the pipeline
  bool paced = true;
  bool ended = false;
  bool firstTaken = false;
  GstClockTime firstTime = GST_CLOCK_TIME_NONE;
  RVideoFrame first;
  // Unpaced, the next picture is fetched to learn whether one comes at all: it waits here.
  GstSample* pending = nullptr;

  void DropPending() {
    if (pending) G().gst_mini_object_unref(GST_MINI_OBJECT_CAST(pending));
    pending = nullptr;
  }

  ~RImpl() {
    DropPending();
    if (pipeline) {
      G().gst_element_set_state(pipeline, GST_STATE_NULL);
      G().gst_object_unref(pipeline);
    }
  }
};

TVideoPlayer::TVideoPlayer() = default;
TVideoPlayer::~TVideoPlayer() = default;

bool TVideoPlayer::Open(const std::string& file, bool paced, bool audible) {
  Close();
  if (!GstReady()) return false;
  // A sound device that cannot be had (taken by another program, none at all) leaves the
  // video playing silently rather than failing it.
  if (audible && OpenWith(file, paced, true)) return true;
  return OpenWith(file, paced, false);
}

bool TVideoPlayer::OpenWith(const std::string& file, bool paced, bool audible) {
  auto impl = std::make_unique<RImpl>();
  impl->paced = paced;
  impl->pipeline = G().gst_element_factory_make("playbin", nullptr);
  impl->sink = G().gst_element_factory_make("appsink", nullptr);
  // The system's default output, as the runner's own sound takes it; unheard, a sink that only
  // keeps time.
  GstElement* audio = G().gst_element_factory_make(audible ? "autoaudiosink" : "fakesink", nullptr);
  if (!impl->pipeline || !impl->sink || !audio) {
    if (impl->sink) G().gst_object_unref(impl->sink);
    if (audio) G().gst_object_unref(audio);
    return false;
  }
  GstCaps* caps = G().gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGBA", nullptr);
  G().gst_app_sink_set_caps(AppSink(impl->sink), caps);
  G().gst_mini_object_unref(GST_MINI_OBJECT_CAST(caps));
  // Paced, only the newest picture matters; unpaced, every picture is taken in turn.
  G().g_object_set(impl->sink, "sync", paced ? TRUE : FALSE, "max-buffers", paced ? 1u : 2u, "drop", paced ? TRUE : FALSE,
               nullptr);
  if (!audible) G().g_object_set(audio, "sync", paced ? TRUE : FALSE, nullptr);
  gchar* uri = G().gst_filename_to_uri(file.c_str(), nullptr);
  if (!uri) {
    G().gst_object_unref(impl->sink);
    G().gst_object_unref(audio);
    return false;
  }
  G().g_object_set(impl->pipeline, "uri", uri, "video-sink", impl->sink, "audio-sink", audio, nullptr);
  G().g_free(uri);
  if (G().gst_element_set_state(impl->pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) return false;
  if (G().gst_element_get_state(impl->pipeline, nullptr, nullptr, 10 * GST_SECOND) != GST_STATE_CHANGE_SUCCESS) return false;
  // A file with no picture (sound only) prerolls nothing here.
  GstSample* sample = G().gst_app_sink_try_pull_preroll(AppSink(impl->sink), 2 * GST_SECOND);
  if (!sample) return false;
  const bool ok = ToFrame(sample, impl->first);
  if (GstBuffer* b = G().gst_sample_get_buffer(sample)) impl->firstTime = GST_BUFFER_PTS(b);
  G().gst_mini_object_unref(GST_MINI_OBJECT_CAST(sample));
  if (!ok) return false;
  impl_ = std::move(impl);
  return true;
}

int32_t TVideoPlayer::Width() const { return impl_ ? impl_->first.width : 0; }
int32_t TVideoPlayer::Height() const { return impl_ ? impl_->first.height : 0; }

void TVideoPlayer::Play() {
  if (impl_) G().gst_element_set_state(impl_->pipeline, GST_STATE_PLAYING);
}

bool TVideoPlayer::TakeFrame(RVideoFrame& out) {
  if (!impl_) return false;
  if (!impl_->firstTaken) {
    impl_->firstTaken = true;
    out = impl_->first;
    return true;
  }
  GstAppSink* sink = AppSink(impl_->sink);
  bool got = false;
  // Paced: whatever is waiting, the newest wins. Unpaced: the next picture, waiting for it to decode.
  const GstClockTime wait = impl_->paced ? 0 : GST_SECOND / 2;
  for (;;) {
    GstSample* sample = impl_->pending ? impl_->pending : G().gst_app_sink_try_pull_sample(sink, got ? 0 : wait);
    impl_->pending = nullptr;
    if (!sample) break;
    GstBuffer* b = G().gst_sample_get_buffer(sample);
    // The picture shown before playing comes again as the first one played.
    const bool repeat = b && GST_BUFFER_PTS(b) == impl_->firstTime && impl_->firstTime != GST_CLOCK_TIME_NONE;
    if (!repeat && ToFrame(sample, out)) got = true;
    if (repeat) impl_->firstTime = GST_CLOCK_TIME_NONE;
    G().gst_mini_object_unref(GST_MINI_OBJECT_CAST(sample));
    if (got && !impl_->paced) break;
  }
  return got;
}

bool TVideoPlayer::Playing() {
  if (!impl_) return false;
  if (impl_->ended) return false;
  GstBus* bus = G().gst_element_get_bus(impl_->pipeline);
  if (GstMessage* m = G().gst_bus_pop_filtered(bus, static_cast<GstMessageType>(GST_MESSAGE_ERROR))) {
    impl_->ended = true;
    G().gst_mini_object_unref(GST_MINI_OBJECT_CAST(m));
  }
  G().gst_object_unref(bus);
  if (impl_->ended || impl_->pending) return !impl_->ended;
  // Unpaced, the video has ended exactly when no picture comes any more, however fast the
  // decoder got there; so a run without a player sees the same pictures every time.
  // A decoder that stalls without ending gets a few half-second waits.
  if (!impl_->paced && impl_->firstTaken) {
    GstAppSink* sink = AppSink(impl_->sink);
    for (int tries = 0; tries < 20 && !impl_->pending && !G().gst_app_sink_is_eos(sink); ++tries)
      impl_->pending = G().gst_app_sink_try_pull_sample(sink, GST_SECOND / 2);
    impl_->ended = !impl_->pending;
    return !impl_->ended;
  }
  if (G().gst_app_sink_is_eos(AppSink(impl_->sink))) impl_->ended = true;
  return !impl_->ended;
}

void TVideoPlayer::Rewind() {
  if (!impl_) return;
  impl_->DropPending();
  G().gst_element_seek_simple(impl_->pipeline, GST_FORMAT_TIME, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0);
  G().gst_element_set_state(impl_->pipeline, GST_STATE_PLAYING);
  impl_->ended = false;
}

void TVideoPlayer::Close() { impl_.reset(); }

}  // namespace platform::media
