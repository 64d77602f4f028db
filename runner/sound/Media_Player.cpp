// The media player and the command-string interface; see Media_Player.h.
#include "runner/sound/Media_Player.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/audio/AudioDevice.h"
#include "runner/base/Support_Stream.h"
#include "runner/sound/Sound_DirectX.h"

namespace {
// Larger files are not media a game plays; the read would only exhaust memory.
constexpr uintmax_t kMaxMediaBytes = uintmax_t{512} << 20;
}  // namespace

TMediaPlayer::~TMediaPlayer() {
  Close();
}

void TMediaPlayer::SetDevice(platform::audio::AudioDevice* device) {
  Close();
  device_ = device;
}

bool TMediaPlayer::Open() {
  namespace audio = platform::audio;
  Close();
  if (!device_) return false;
  std::error_code ec;
  const uintmax_t fileSize = std::filesystem::file_size(fileName_, ec);
  CStream bytes;
  if (ec || fileSize == 0 || fileSize > kMaxMediaBytes || !bytes.LoadFromFile(fileName_) ||
      bytes.GetSize() == 0)
    return false;
  const uint8_t* data = bytes.Data();
  const size_t size = static_cast<size_t>(bytes.GetSize());
  // Songs stream from the synthesiser, so their length costs nothing up front.
  if (audio::IsMidi(data, size)) {
    TellIfNoSoundFont();
    lengthMs_ = audio::MidiLengthMs(data, size);
    if (lengthMs_ < 0) return false;
    sound_ = device_->NewStreamSound(audio::OpenMidiStream(data, size, device_->Rate()));
  } else {
    audio::RPcm pcm;
    if (!audio::DecodeAudio(data, size, pcm)) return false;
    lengthMs_ = static_cast<int64_t>(pcm.Frames()) * 1000 / pcm.rate;
    sound_ = device_->NewSound(pcm, false);
  }
  open_ = sound_ >= 0;
  return open_;
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
