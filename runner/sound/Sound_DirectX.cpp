// The sound player; see Sound_DirectX.h. Wave and MIDI sounds are decoded (MIDI rendered through
// the general MIDI synthesiser) into sounds of the audio device; anything else, and everything
// when no device opened, plays through the media player, one file at a time.
#include "runner/sound/Sound_DirectX.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/dialogs/MessageBox.h"
#include "runner/base/Game.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/base/Runner_Process.h"
#include "runner/base/Support_Stream.h"
#include "runner/sound/Media_Player.h"

namespace audio = platform::audio;

namespace {
// Names this long or longer do not fit the media player's file name.
constexpr int32_t kMaxMediaNameLength = 127;
// Files larger than this are not sounds a game loads; reading them would only exhaust memory.
constexpr int64_t kMaxSoundFileBytes = int64_t{512} << 20;

// The player of a game: the device it opened, its samples and where its messages go.
struct RSoundPlayerState {
  static constexpr EGameSlot kSlot = EGameSlot::SoundPlayer;
  bool initialized = false;
  bool performance = false;
  std::unique_ptr<audio::AudioDevice> device;
  TMediaPlayer media;
  std::vector<RSoundSample> samples;
  std::string searchDirectory;
  AudioDeviceFactory factory;
  std::function<void(std::string_view)> sink;
  // The player's own volume (mute is 0) scales whatever the game sets as its global volume.
  double playerGain = 1.0;
  double globalVolume = 1.0;
  bool soundFontTold = false;

  // The device's thread stops with the game that opened it; the samples go with the device.
  ~RSoundPlayerState() {
    media.Stop();
    media.SetDevice(nullptr);
    device.reset();
  }
};

RSoundPlayerState& P() {
  RSoundPlayerState& p = TheGame().State<RSoundPlayerState>();
  // A game still current at exit (the process's default one) goes away with static storage,
  // after libraries its device's thread calls may have gone: its device is shut down first.
  static struct ExitGuard {
    ~ExitGuard() {
      if (TheGame().Has<RSoundPlayerState>()) SoundShutdown();
    }
  } guard;
  return p;
}

void Message(std::string_view text) {
  if (P().sink) return P().sink(text);
  platform::ShowMessageBox(ApplicationTitle(), std::string(text));
}

// Nobody listens to a test run, nor to one told to use no sound output: the silent device,
// without even trying the system's (whose libraries complain on a machine with no card).
bool Unheard() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  return platform::TestMode() || (driver && std::string_view(driver) == "dummy");
}

void EnsureInit() {
  if (!P().initialized) SoundInit(false);
}

RSoundSample* Sample(int32_t index) {
  EnsureInit();
  auto& s = P().samples;
  if (index < 0 || index >= static_cast<int32_t>(s.size()) || !s[static_cast<size_t>(index)].inuse)
    return nullptr;
  return &s[static_cast<size_t>(index)];
}

// A sample the device plays itself (not the media player).
RSoundSample* DeviceSample(int32_t index) {
  RSoundSample* s = Sample(index);
  return s && s->kind != kSoundMultimedia && s->voice >= 0 ? s : nullptr;
}

bool IsWave(const uint8_t* data, size_t size) {
  return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WAVE", 4) == 0;
}

// The performance loads wave and MIDI data only; everything else is for the media player.
bool Decode(const uint8_t* data, size_t size, int32_t kind, audio::RPcm& pcm) {
  if (!data || size == 0) return false;
  if (audio::IsMidi(data, size)) return audio::RenderMidi(data, size, 1.0, P().device->Rate(), pcm);
  return IsWave(data, size) && audio::DecodeAudio(data, size, pcm);
}

// Loads data into the sample's device sound; false leaves the sample without one. Background
// MIDI music streams from the synthesiser as it plays, so a long song costs neither time nor
// memory up front and the tempo applies while it plays.
bool LoadVoice(RSoundSample& s, const uint8_t* data, size_t size) {
  if (data && audio::IsMidi(data, size)) TellIfNoSoundFont();
  if (s.kind == kSoundBackground && data && audio::IsMidi(data, size)) {
    s.voice = P().device->NewStreamSound(audio::OpenMidiStream(data, size, P().device->Rate()));
    return s.voice >= 0;
  }
  audio::RPcm pcm;
  if (!Decode(data, size, s.kind, pcm)) return false;
  s.voice = P().device->NewSound(pcm, s.kind == kSoundSpatial);
  return s.voice >= 0;
}

float ToFloat(double v) {
  if (std::isnan(v)) return 0.0f;
  return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

int32_t ClampMillibels(int64_t mb, int32_t lo, int32_t hi) {
  return static_cast<int32_t>(std::clamp<int64_t>(mb, lo, hi));
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// The bytes of a file, or false when it cannot be read or is too large to be a sound.
bool ReadFile(const std::string& path, CStream& out) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  if (ec || size > static_cast<uintmax_t>(kMaxSoundFileBytes)) return false;
  return out.LoadFromFile(path);
}
}  // namespace

void TellIfNoSoundFont() {
  if (P().soundFontTold) return;
  const std::string font = audio::SoundFontPath();
  std::error_code ec;
  if (!font.empty() && std::filesystem::is_regular_file(font, ec)) return;
  P().soundFontTold = true;
  if (font.empty())
    std::fputs("runner: no General MIDI soundfont is installed, so MIDI music is silent (Debian's "
               "fluid-soundfont-gm or timgm6mb-soundfont provides one; RUNNER_SOUNDFONT names another)\n",
               stderr);
  else
    std::fprintf(stderr, "runner: the soundfont \"%s\" (RUNNER_SOUNDFONT) cannot be read, so MIDI music is silent\n",
                 font.c_str());
}

void SetAudioDeviceFactory(AudioDeviceFactory factory) {
  P().factory = std::move(factory);
}
void SetSoundMessageSink(std::function<void(std::string_view)> sink) {
  P().sink = std::move(sink);
}

void SoundInit(bool force) {
  RSoundPlayerState& p = P();
  if (p.initialized && !force) return;
  SoundShutdown();
  p.initialized = true;
  p.device = p.factory ? p.factory() : Unheard() ? audio::MakeSilentDevice() : audio::OpenSystemDevice();
  p.performance = p.device != nullptr;
  if (!p.performance) {
    Message("No sound device detected. Sounds might not play.");
    p.device = audio::MakeSilentDevice();
  }
  p.media.SetDevice(p.device.get());
  if (p.performance) SoundSetGlobalVolume(1.0);
}

void SoundShutdown() {
  RSoundPlayerState& p = P();
  if (!p.initialized) return;
  for (int32_t i = 0; i < static_cast<int32_t>(p.samples.size()); ++i) SoundFree(i);
  p.samples.clear();
  p.media.Stop();
  p.media.SetDevice(nullptr);
  p.media.SetFileName("");
  p.device.reset();
  p.performance = false;
  p.initialized = false;
}

bool SoundInitialized() {
  return P().initialized;
}
bool SoundHasPerformance() {
  EnsureInit();
  return P().performance;
}
audio::AudioDevice* SoundDevice() {
  EnsureInit();
  return P().device.get();
}
TMediaPlayer& SoundMediaPlayer() {
  return P().media;
}

int32_t SoundNewSample(int32_t kind) {
  EnsureInit();
  auto& samples = P().samples;
  size_t i = 0;
  while (i < samples.size() && samples[i].inuse) ++i;
  if (i == samples.size()) samples.emplace_back();
  RSoundSample& s = samples[i];
  s = RSoundSample{};
  s.inuse = true;
  s.kind = P().performance && kind >= kSoundNormal && kind <= kSoundSpatial ? kind : kSoundMultimedia;
  return static_cast<int32_t>(i);
}

int32_t SoundLoadFromFile(const std::string& fname, int32_t kind) {
  EnsureInit();
  if (!FileExists(fname)) return -1;
  int32_t index = SoundNewSample(kind);
  RSoundSample& s = P().samples[static_cast<size_t>(index)];
  if (s.kind != kSoundMultimedia) {
    CStream bytes;
    if (!ReadFile(fname, bytes) || !LoadVoice(s, bytes.Data(), static_cast<size_t>(bytes.GetSize())))
      s.kind = kSoundMultimedia;
  }
  if (s.kind == kSoundMultimedia) s.fname = fname;
  return index;
}

int32_t SoundLoadFromMemory(const uint8_t* data, size_t size, int32_t kind) {
  EnsureInit();
  int32_t index = SoundNewSample(kind);
  RSoundSample& s = P().samples[static_cast<size_t>(index)];
  if (s.kind == kSoundMultimedia || !LoadVoice(s, data, size)) {
    SoundFree(index);
    return -1;
  }
  return index;
}

void SoundFree(int32_t index) {
  RSoundSample* s = Sample(index);
  if (!s) return;
  SoundStop(index);
  if (s->voice >= 0) P().device->FreeSound(s->voice);
  *s = RSoundSample{};
}

const RSoundSample* SoundSample(int32_t index) {
  return Sample(index);
}

void SoundPlay(int32_t index, bool loop) {
  RSoundSample* s = Sample(index);
  if (!s) return;
  if (s->kind == kSoundMultimedia) {
    if (Utf16Length(s->fname) >= kMaxMediaNameLength) return Message("Music file name too long for player.");
    if (!FileExists(s->fname)) return;
    TMediaPlayer& m = P().media;
    if (m.Playing()) m.Stop();
    m.SetFileName(s->fname);
    if (!m.Open()) return;
    m.Rewind();
    m.Play(loop);
    return;
  }
  if (s->voice < 0) return;
  P().device->Play(s->voice, loop, s->kind == kSoundBackground);
}

void SoundStop(int32_t index) {
  RSoundSample* s = Sample(index);
  if (!s) return;
  if (s->kind == kSoundMultimedia) {
    TMediaPlayer& m = P().media;
    if (m.FileName() == s->fname && m.Playing()) m.Stop();
    return;
  }
  if (s->voice >= 0) P().device->Stop(s->voice);
}

void SoundStopAll() {
  EnsureInit();
  for (int32_t i = 0; i < static_cast<int32_t>(P().samples.size()); ++i) SoundStop(i);
}

bool SoundIsPlaying(int32_t index) {
  RSoundSample* s = Sample(index);
  if (!s) return false;
  if (s->kind == kSoundMultimedia) return P().media.FileName() == s->fname && P().media.Playing();
  return s->voice >= 0 && P().device->IsPlaying(s->voice);
}

int32_t VolumeToMillibels(double value) {
  if (std::isnan(value)) return -10000;
  return ClampMillibels(RoundToInt64(std::clamp(value, -1e6, 1e6) * 9600) - 9600, -10000, 0);
}
int32_t PanToMillibels(double value) {
  if (std::isnan(value)) return 0;
  return ClampMillibels(RoundToInt64(std::clamp(value, -1e6, 1e6) * 10000), -10000, 10000);
}
int32_t GlobalVolumeToMillibels(double value) {
  if (std::isnan(value)) return -10000;
  return ClampMillibels(RoundToInt64(std::clamp(value, -1e6, 1e6) * 11000 - 10000), -10000, 1000);
}
double MillibelsToGain(int32_t mb) {
  return mb <= -10000 ? 0.0 : std::pow(10.0, mb / 2000.0);
}

void SoundSetVolume(int32_t index, double value, int32_t durationMs) {
  if (RSoundSample* s = DeviceSample(index))
    P().device->SetGain(s->voice, MillibelsToGain(VolumeToMillibels(value)), std::max(durationMs, 0));
}

void SoundSetPan(int32_t index, double value) {
  RSoundSample* s = DeviceSample(index);
  if (!s) return;
  // One side stays at full level, the other is lowered by the pan.
  const int32_t pan = PanToMillibels(value);
  P().device->SetSideGains(s->voice, MillibelsToGain(std::min(0, -pan)), MillibelsToGain(std::min(0, pan)));
}

void SoundSetEffects(int32_t index, int32_t bits) {
  RSoundSample* s = DeviceSample(index);
  if (!s) return;
  s->chain.clear();
  for (const REffectBit& b : kEffectBits)
    if (bits & b.bit) s->chain.push_back(audio::DefaultEffect(b.effect));
  P().device->SetEffects(s->voice, s->chain);
}

void SoundSetEffectParams(int32_t index, audio::EEffect type, const std::vector<double>& params) {
  RSoundSample* s = DeviceSample(index);
  if (!s) return;
  auto it =
      std::find_if(s->chain.begin(), s->chain.end(), [&](const audio::REffect& e) { return e.type == type; });
  if (it == s->chain.end()) return;
  std::copy_n(params.begin(), std::min<size_t>(params.size(), it->params.size()), it->params.begin());
  P().device->SetEffects(s->voice, s->chain);
}

void SoundSet3DPosition(int32_t index, double x, double y, double z) {
  if (RSoundSample* s = DeviceSample(index))
    P().device->SetPosition(s->voice, ToFloat(x), ToFloat(y), ToFloat(z));
}
void SoundSet3DVelocity(int32_t index, double x, double y, double z) {
  if (RSoundSample* s = DeviceSample(index))
    P().device->SetVelocity(s->voice, ToFloat(x), ToFloat(y), ToFloat(z));
}
void SoundSet3DDistance(int32_t index, double minDist, double maxDist) {
  if (RSoundSample* s = DeviceSample(index))
    P().device->SetDistances(s->voice, ToFloat(minDist), ToFloat(maxDist));
}
void SoundSet3DCone(int32_t index, double x, double y, double z, int32_t angleIn, int32_t angleOut,
                    double volOutside) {
  RSoundSample* s = DeviceSample(index);
  if (!s) return;
  int32_t mb =
      std::isnan(volOutside)
          ? -10000
          : ClampMillibels(RoundToInt64(std::clamp(volOutside, -1e6, 1e6) * 10000 - 10000), -10000, 0);
  P().device->SetCone(s->voice, ToFloat(x), ToFloat(y), ToFloat(z), angleIn, angleOut, MillibelsToGain(mb));
}

void SoundSetGlobalVolume(double value) {
  EnsureInit();
  P().globalVolume = value;
  // Output stops at full scale: anything above 0 dB is heard as 0 dB.
  if (P().performance)
    P().device->SetMasterGain(std::min(1.0, MillibelsToGain(GlobalVolumeToMillibels(value))) * P().playerGain);
}

void SoundSetPlayerGain(double gain) {
  P().playerGain = std::isnan(gain) ? 1.0 : std::clamp(gain, 0.0, 1.0);
  if (P().initialized) SoundSetGlobalVolume(P().globalVolume);
}

void SoundSetTempo(double factor) {
  EnsureInit();
  if (P().performance) P().device->SetTempo(factor);
}

void SoundSetSearchDirectory(const std::string& dir) {
  EnsureInit();
  P().searchDirectory = dir;
}
