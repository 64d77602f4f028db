// CD audio: each operation is a short sequence of command strings to the media control
// interface's "cdaudio" device, whose replies are the only state; the runner keeps none.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The integer formed by the decimal digits of text alone, every other character dropped; 0
// when there is none. Saturates rather than overflows.
int64_t CdNumber(std::string_view text);

class TCdAudio {
 public:
  // Sends one command and gives the device's reply (at most 19 characters are kept).
  using Send = std::function<std::string(std::string_view command)>;
  explicit TCdAudio(Send send) : send_(std::move(send)) {}

  void Init();
  bool Present();
  int64_t NumberOfTracks();
  bool Playing();
  bool Paused();
  int64_t Track();
  int64_t Length();
  int64_t TrackLength(int64_t n);
  int64_t Position();
  int64_t TrackPosition();
  void Play(int64_t first, int64_t last);
  void Stop();
  void Pause();
  void Resume();
  void SetPosition(int64_t ms);
  void SetTrackPosition(int64_t ms);
  void OpenDoor();
  void CloseDoor();

 private:
  std::string Ask(std::string_view command);
  Send send_;
};

// The CD of this machine: the media control layer's command interface.
TCdAudio SystemCd();
