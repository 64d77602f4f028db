// The media player and the command-string interface; see Media_Player.h.
#include "runner/sound/Media_Player.h"

#include <algorithm>
#include <cctype>

#include "platform/audio/AudioDevice.h"
#include "runner/shell/Support_Stream.h"

namespace {
// Larger files are not media a game plays; the read would only exhaust memory.
constexpr int64_t kMaxMediaBytes = int64_t{512} << 20;

bool ReadMedia(const std::string& path, platform::audio::RPcm& pcm,
               const platform::audio::AudioDevice& device) {
  CStream bytes;
  if (!bytes.LoadFromFile(path) || bytes.GetSize() == 0 || bytes.GetSize() > kMaxMediaBytes) return false;
  const uint8_t* data = bytes.Data();
  const size_t size = static_cast<size_t>(bytes.GetSize());
  if (platform::audio::IsMidi(data, size))
    return platform::audio::RenderMidi(data, size, 1.0, device.Rate(), pcm);
  return platform::audio::DecodeAudio(data, size, pcm);
}
}  // namespace

TMediaPlayer::~TMediaPlayer() {
  Close();
}

void TMediaPlayer::SetDevice(platform::audio::AudioDevice* device) {
  Close();
  device_ = device;
}

bool TMediaPlayer::Open() {
  Close();
  if (!device_) return false;
  platform::audio::RPcm pcm;
  if (!ReadMedia(fileName_, pcm, *device_)) return false;
  sound_ = device_->NewSound(pcm, false);
  if (sound_ < 0) return false;
  lengthMs_ = pcm.rate > 0 ? static_cast<int64_t>(pcm.Frames()) * 1000 / pcm.rate : 0;
  open_ = true;
  return true;
}

void TMediaPlayer::Close() {
  if (device_ && sound_ >= 0) device_->FreeSound(sound_);
  sound_ = -1;
  open_ = false;
  lengthMs_ = 0;
}

void TMediaPlayer::Play(bool loop) {
  if (!open_) return;
  device_->Stop(sound_);
  device_->Play(sound_, loop, false);
}

void TMediaPlayer::Stop() {
  if (open_) device_->Stop(sound_);
}

bool TMediaPlayer::Playing() const {
  return open_ && device_->IsPlaying(sound_);
}

std::string MediaCommand(std::string_view command) {
  std::string words;
  // Case and runs of blanks do not matter to the command parser.
  bool blank = true;
  for (char c : command) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!blank) words += ' ';
      blank = true;
    } else {
      words += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      blank = false;
    }
  }
  if (!words.empty() && words.back() == ' ') words.pop_back();
  if (words == "status cdaudio media present" || words == "status cdaudio media present wait") return "false";
  return "";
}
