// The media control layer: a player for one media file at a time (the multimedia sounds play
// through it) and the command-string interface, whose only device, the CD drive, is absent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::audio {
class AudioDevice;
}

class TMediaPlayer {
 public:
  TMediaPlayer() = default;
  ~TMediaPlayer();
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  // The player plays through this device; null (the default) plays nothing.
  void SetDevice(platform::audio::AudioDevice* device);

  void SetFileName(std::string name) { fileName_ = std::move(name); }
  const std::string& FileName() const { return fileName_; }
  // Opens the media for the file name (closing what was open). False when the file is missing
  // or cannot be decoded; nothing is open then.
  bool Open();
  void Close();
  bool IsOpen() const { return open_; }
  // Plays from the current position (the start after Rewind); with loop it starts again at its
  // end for as long as it is not stopped.
  void Play(bool loop = false);
  void Stop();
  void Rewind() {}
  // "playing", or "stopped" for every other state.
  bool Playing() const;
  // Length of the open media in milliseconds; 0 when nothing is open.
  int64_t LengthMs() const { return open_ ? lengthMs_ : 0; }

 private:
  platform::audio::AudioDevice* device_ = nullptr;
  std::string fileName_;
  bool open_ = false;
  int32_t sound_ = -1;
  int64_t lengthMs_ = 0;
};

// The command-string interface: the reply text to command. No CD drive exists, so "status
// cdaudio media present" answers "false" and every other command answers "".
std::string MediaCommand(std::string_view command);
