// Video files played into frames the runner draws itself (the splash screens' videos): the
// platform's decoders find the format, and each picture arrives as top-down RGBA rows, and the
// sound, when asked for, goes to the system's default output. Nothing is shown and no sound
// device is needed, so it works the same without a display. A file that is missing, damaged or
// of a format no decoder reads fails to open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::media {

struct RVideoFrame {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rgba;  // width × height × 4 bytes, rows top first
};

class TVideoPlayer {
 public:
  TVideoPlayer();
  ~TVideoPlayer();
  TVideoPlayer(const TVideoPlayer&) = delete;
  TVideoPlayer& operator=(const TVideoPlayer&) = delete;

  // Opens the file and reads its first picture; playing starts with Play. paced: frames come at
  // the video's own rate; otherwise as fast as they decode (unattended runs). audible: the sound
  // is heard (paced only), when the output can be had; otherwise it is decoded and dropped.
  bool Open(const std::string& file, bool paced, bool audible = false);
  // The natural size of the picture; 0 × 0 before a successful Open.
  int32_t Width() const;
  int32_t Height() const;
  void Play();
  // The newest picture since the last call (the first one after Open); false when none is new.
  bool TakeFrame(RVideoFrame& out);
  // False once the video has come to its end, or failed while playing.
  bool Playing();
  // Back to the start, playing again (a looping splash).
  void Rewind();
  void Close();

 private:
  bool OpenWith(const std::string& file, bool paced, bool audible);
  struct RImpl;
  std::unique_ptr<RImpl> impl_;
};

}  // namespace platform::media
