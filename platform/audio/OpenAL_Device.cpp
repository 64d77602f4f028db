// The OpenAL Soft backend (system device or loopback renderer) and the silent backend.
// Side gains need exact control of each channel, which OpenAL's own panning does not give, so a
// flat sound plays as two mono sources placed hard left and hard right. Effects go through EFX
// auxiliary slots; gargle has no EFX counterpart and is worked into the sound's samples.
#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/audio/AudioDevice.h"

namespace platform::audio {

REffect DefaultEffect(EEffect type) {
  REffect e;
  e.type = type;
  auto set = [&](std::initializer_list<double> v) { std::copy(v.begin(), v.end(), e.params.begin()); };
  switch (type) {
    case EEffect::Chorus:
      set({50, 10, 25, 1.1, 1, 16, 3});
      break;
    case EEffect::Echo:
      set({50, 50, 500, 500, 0});
      break;
    case EEffect::Flanger:
      set({50, 100, -50, 0.25, 1, 2, 2});
      break;
    case EEffect::Gargle:
      set({20, 0});
      break;
    case EEffect::Equalizer:
      set({8000, 12, 0});
      break;
    case EEffect::Reverb:
      set({0, 0, 1000, 0.001});
      break;
    case EEffect::Compressor:
      set({0, 10, 200, -20, 3, 4});
      break;
    case EEffect::Distortion:
      set({-18, 15, 2400, 2400, 8000});
      break;
    case EEffect::EnvReverb:
      set({-1000, -100, 0, 1.49, 0.83, -2602, 0.007, 200, 0.011, 100, 100, 5000});
      break;
  }
  return e;
}

namespace {
// NaN and infinities from game code land on a bound; the cast to float is then always defined.
float Clampf(double v, double lo, double hi) {
  if (std::isnan(v)) return static_cast<float>(lo);
  return static_cast<float>(std::clamp(v, lo, hi));
}
int ClampInt(double v, int lo, int hi) {
  if (std::isnan(v)) return lo;
  return static_cast<int>(std::clamp(std::round(v), static_cast<double>(lo), static_cast<double>(hi)));
}
double DbToGain(double db) {
  return std::pow(10.0, db / 20.0);
}

constexpr int kMaxSends = 4;
constexpr double kSilenceDb = -100.0;

ALenum EfxType(EEffect t) {
  switch (t) {
    case EEffect::Chorus:
      return AL_EFFECT_CHORUS;
    case EEffect::Echo:
      return AL_EFFECT_ECHO;
    case EEffect::Flanger:
      return AL_EFFECT_FLANGER;
    case EEffect::Equalizer:
      return AL_EFFECT_EQUALIZER;
    case EEffect::Reverb:
      return AL_EFFECT_REVERB;
    case EEffect::Compressor:
      return AL_EFFECT_COMPRESSOR;
    case EEffect::Distortion:
      return AL_EFFECT_DISTORTION;
    case EEffect::EnvReverb:
      return AL_EFFECT_EAXREVERB;
    case EEffect::Gargle:
      break;
  }
  return AL_EFFECT_NULL;
}

// Share of the effect's output that is heard: the wet/dry mix where the effect has one.
double WetShare(const REffect& e) {
  switch (e.type) {
    case EEffect::Chorus:
    case EEffect::Echo:
    case EEffect::Flanger:
      return std::isnan(e.params[0]) ? 0.5 : std::clamp(e.params[0], 0.0, 100.0) / 100.0;
    default:
      return 1.0;
  }
}

// Share of the unprocessed sound that the effect lets through. EFX effects run beside the dry
// path, so effects that reshape the whole sound (equalizer, compressor, distortion) take its
// place, and mixing effects leave what their wet/dry mix leaves; reverbs only add.
double DryShare(const REffect& e) {
  switch (e.type) {
    case EEffect::Chorus:
    case EEffect::Echo:
    case EEffect::Flanger:
      return 1.0 - WetShare(e);
    case EEffect::Equalizer:
    case EEffect::Compressor:
    case EEffect::Distortion:
      return 0.0;
    default:
      return 1.0;
  }
}

void SetEfxParams(ALuint fx, const REffect& e) {
  const auto& p = e.params;
  // The game's waveform numbers are 0 triangle, 1 sine; EFX has them the other way round.
  auto wave = [](double w) { return ClampInt(w, 0, 1) == 0 ? 1 : 0; };
  static constexpr int kPhases[] = {-180, -90, 0, 90, 180};
  switch (e.type) {
    case EEffect::Chorus:
    case EEffect::Flanger: {
      bool ch = e.type == EEffect::Chorus;
      alEffecti(fx, ch ? AL_CHORUS_WAVEFORM : AL_FLANGER_WAVEFORM, wave(p[4]));
      alEffecti(fx, ch ? AL_CHORUS_PHASE : AL_FLANGER_PHASE, kPhases[ClampInt(p[6], 0, 4)]);
      alEffectf(fx, ch ? AL_CHORUS_RATE : AL_FLANGER_RATE, Clampf(p[3], 0, 10));
      alEffectf(fx, ch ? AL_CHORUS_DEPTH : AL_FLANGER_DEPTH, Clampf(p[1] / 100, 0, 1));
      alEffectf(fx, ch ? AL_CHORUS_FEEDBACK : AL_FLANGER_FEEDBACK, Clampf(p[2] / 100, -1, 1));
      alEffectf(fx, ch ? AL_CHORUS_DELAY : AL_FLANGER_DELAY, Clampf(p[5] / 1000, 0, ch ? 0.016 : 0.004));
      break;
    }
    case EEffect::Echo: {
      double l = std::isnan(p[2]) ? 0 : p[2], r = std::isnan(p[3]) ? 0 : p[3];
      alEffectf(fx, AL_ECHO_DELAY, Clampf(std::min(l, r) / 1000, 0, 0.207));
      alEffectf(fx, AL_ECHO_LRDELAY, Clampf(std::abs(r - l) / 1000, 0, 0.404));
      alEffectf(fx, AL_ECHO_FEEDBACK, Clampf(p[1] / 100, 0, 1));
      alEffectf(fx, AL_ECHO_DAMPING, 0.0f);
      // The later tap goes to the side with the longer delay; the pan swap turns it round.
      double spread = r >= l ? 1.0 : -1.0;
      if (ClampInt(p[4], 0, 1) == 1) spread = -spread;
      alEffectf(fx, AL_ECHO_SPREAD, static_cast<float>(spread));
      break;
    }
    case EEffect::Equalizer: {
      double centre = std::isnan(p[0]) ? 8000 : p[0];
      float width = Clampf(p[1] / 12, 0.01, 1);
      float gain = Clampf(DbToGain(std::isnan(p[2]) ? 0 : std::clamp(p[2], -18.0, 18.0)), 0.126, 7.943);
      bool low = centre <= 3000;
      alEffectf(fx, low ? AL_EQUALIZER_MID1_CENTER : AL_EQUALIZER_MID2_CENTER,
                low ? Clampf(centre, 200, 3000) : Clampf(centre, 1000, 8000));
      alEffectf(fx, low ? AL_EQUALIZER_MID1_WIDTH : AL_EQUALIZER_MID2_WIDTH, width);
      alEffectf(fx, low ? AL_EQUALIZER_MID1_GAIN : AL_EQUALIZER_MID2_GAIN, gain);
      break;
    }
    case EEffect::Reverb: {
      double db = (std::isnan(p[0]) ? 0 : std::clamp(p[0], -96.0, 0.0)) +
                  (std::isnan(p[1]) ? 0 : std::clamp(p[1], -96.0, 0.0));
      alEffectf(fx, AL_REVERB_GAIN, Clampf(DbToGain(db), 0, 1));
      alEffectf(fx, AL_REVERB_DECAY_TIME, Clampf(p[2] / 1000, 0.1, 20));
      alEffectf(fx, AL_REVERB_DECAY_HFRATIO, Clampf(p[3], 0.1, 2));
      break;
    }
    case EEffect::Compressor:
      alEffecti(fx, AL_COMPRESSOR_ONOFF, 1);
      break;
    case EEffect::Distortion:
      alEffectf(fx, AL_DISTORTION_GAIN,
                Clampf(DbToGain(std::isnan(p[0]) ? 0 : std::clamp(p[0], -60.0, 0.0)), 0.01, 1));
      alEffectf(fx, AL_DISTORTION_EDGE, Clampf(p[1] / 100, 0, 1));
      alEffectf(fx, AL_DISTORTION_EQCENTER, Clampf(p[2], 80, 24000));
      alEffectf(fx, AL_DISTORTION_EQBANDWIDTH, Clampf(p[3], 80, 24000));
      alEffectf(fx, AL_DISTORTION_LOWPASS_CUTOFF, Clampf(p[4], 80, 24000));
      break;
    case EEffect::EnvReverb: {
      auto mb = [](double v, double lo, double hi) {
        return DbToGain((std::isnan(v) ? lo : std::clamp(v, lo, hi)) / 100);
      };
      alEffectf(fx, AL_EAXREVERB_GAIN, Clampf(mb(p[0], -10000, 0), 0, 1));
      alEffectf(fx, AL_EAXREVERB_GAINHF, Clampf(mb(p[1], -10000, 0), 0, 1));
      alEffectf(fx, AL_EAXREVERB_ROOM_ROLLOFF_FACTOR, Clampf(p[2], 0, 10));
      alEffectf(fx, AL_EAXREVERB_DECAY_TIME, Clampf(p[3], 0.1, 20));
      alEffectf(fx, AL_EAXREVERB_DECAY_HFRATIO, Clampf(p[4], 0.1, 2));
      alEffectf(fx, AL_EAXREVERB_REFLECTIONS_GAIN, Clampf(mb(p[5], -10000, 1000), 0, 3.16));
      alEffectf(fx, AL_EAXREVERB_REFLECTIONS_DELAY, Clampf(p[6], 0, 0.3));
      alEffectf(fx, AL_EAXREVERB_LATE_REVERB_GAIN, Clampf(mb(p[7], -10000, 2000), 0, 10));
      alEffectf(fx, AL_EAXREVERB_LATE_REVERB_DELAY, Clampf(p[8], 0, 0.1));
      alEffectf(fx, AL_EAXREVERB_DIFFUSION, Clampf(p[9] / 100, 0, 1));
      alEffectf(fx, AL_EAXREVERB_DENSITY, Clampf(p[10] / 100, 0, 1));
      alEffectf(fx, AL_EAXREVERB_HFREFERENCE, Clampf(p[11], 1000, 20000));
      break;
    }
    case EEffect::Gargle:
      break;
  }
}

// Amplitude modulation between 0 and 1 at rate Hz, triangle or square.
void ApplyGargle(RPcm& pcm, const REffect& e) {
  const double rate = std::isnan(e.params[0]) ? 20 : std::clamp(e.params[0], 1.0, 1000.0);
  const bool square = ClampInt(e.params[1], 0, 1) == 1;
  const size_t frames = pcm.Frames();
  const double period = pcm.rate / rate;
  for (size_t f = 0; f < frames; ++f) {
    double phase = std::fmod(static_cast<double>(f), period) / period;
    double m = square ? (phase < 0.5 ? 1.0 : 0.0) : 1.0 - std::abs(2.0 * phase - 1.0);
    for (int32_t c = 0; c < pcm.channels; ++c)
      pcm.samples[f * static_cast<size_t>(pcm.channels) + static_cast<size_t>(c)] *= static_cast<float>(m);
  }
}

class AlDevice final : public AudioDevice {
 public:
  AlDevice(ALCdevice* dev, ALCcontext* ctx, bool loopback, int32_t rate)
      : dev_(dev), ctx_(ctx), loopback_(loopback), rate_(rate) {
    alcMakeContextCurrent(ctx_);
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    efx_ = alcIsExtensionPresent(dev_, "ALC_EXT_EFX") == ALC_TRUE;
    if (!loopback_) ticker_ = std::thread([this] { Tick(); });
  }
  ~AlDevice() override {
    if (ticker_.joinable()) {
      stop_ = true;
      ticker_.join();
    }
    for (int32_t id = 0; id < static_cast<int32_t>(sounds_.size()); ++id) FreeSound(id);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(ctx_);
    alcCloseDevice(dev_);
  }

  bool Audible() const override { return true; }
  int32_t Rate() const override { return rate_; }

  int32_t NewSound(const RPcm& pcm, bool spatial) override {
    std::lock_guard lock(m_);
    if (pcm.channels < 1 || pcm.channels > 2 || pcm.rate < 1000 || pcm.rate > 192000) return -1;
    size_t id = 0;
    while (id < sounds_.size() && sounds_[id].used) ++id;
    if (id == sounds_.size()) sounds_.emplace_back();
    Sound& s = sounds_[id];
    s = Sound{};
    s.used = true;
    s.spatial = spatial;
    s.pcm = pcm;
    if (!UploadBuffers(s)) {
      s = Sound{};
      return -1;
    }
    return static_cast<int32_t>(id);
  }

  int32_t NewStreamSound(std::unique_ptr<StreamSource> source) override {
    std::lock_guard lock(m_);
    if (!source || source->Rate() < 1000 || source->Rate() > 192000) return -1;
    size_t id = 0;
    while (id < sounds_.size() && sounds_[id].used) ++id;
    if (id == sounds_.size()) sounds_.emplace_back();
    Sound& s = sounds_[id];
    s = Sound{};
    s.used = true;
    s.stream = std::move(source);
    s.stream->SetTempo(tempo_);
    return static_cast<int32_t>(id);
  }

  void FreeSound(int32_t id) override {
    std::lock_guard lock(m_);
    Sound* s = Get(id);
    if (!s) return;
    StopPlays(*s);
    ClearEffects(*s);
    alDeleteBuffers(s->nbuf, s->buf);
    *s = Sound{};
  }

  void Play(int32_t id, bool loop, bool exclusive) override {
    std::lock_guard lock(m_);
    Sound* s = Get(id);
    if (!s) return;
    if (exclusive)
      for (Sound& o : sounds_)
        if (o.used) std::erase_if(o.plays, [&](RPlay& p) { return p.exclusive && (DeletePlay(p), true); });
    Recycle(*s);
    if (s->stream) StopPlays(*s);
    RPlay p;
    p.exclusive = exclusive;
    p.n = s->spatial ? 1 : 2;
    p.loop = loop;
    alGetError();
    alGenSources(p.n, p.src);
    if (alGetError() != AL_NO_ERROR) return;
    if (s->stream) {
      alGenBuffers(2 * kQueue, &p.queue[0][0]);
      if (alGetError() != AL_NO_ERROR) {
        alDeleteSources(p.n, p.src);
        return;
      }
      p.streamed = true;
    }
    for (int i = 0; i < p.n; ++i) {
      ALuint src = p.src[i];
      if (!s->stream) alSourcei(src, AL_BUFFER, static_cast<ALint>(s->buf[s->nbuf == 2 ? i : 0]));
      alSourcei(src, AL_LOOPING, loop && !s->stream ? AL_TRUE : AL_FALSE);
      if (!s->spatial) {
        alSourcei(src, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(src, AL_POSITION, i == 0 ? -1.0f : 1.0f, 0.0f, 0.0f);
        alSourcef(src, AL_ROLLOFF_FACTOR, 0.0f);
      }
    }
    s->plays.push_back(p);
    RPlay& added = s->plays.back();
    if (s->stream) {
      s->stream->Restart();
      for (int k = 0; k < kQueue && !added.ended; ++k)
        QueueChunk(*s, added, added.queue[0][k], added.queue[1][k]);
    }
    ApplyPlayState(*s, added);
    alSourcePlayv(p.n, p.src);
  }

  void Stop(int32_t id) override {
    std::lock_guard lock(m_);
    if (Sound* s = Get(id)) StopPlays(*s);
  }
  void StopAll() override {
    std::lock_guard lock(m_);
    for (Sound& s : sounds_)
      if (s.used) StopPlays(s);
  }
  bool IsPlaying(int32_t id) override {
    std::lock_guard lock(m_);
    Sound* s = Get(id);
    if (!s) return false;
    Recycle(*s);
    return !s->plays.empty();
  }

  void SetGain(int32_t id, double gain, int32_t rampMs) override {
    std::lock_guard lock(m_);
    Sound* s = Get(id);
    if (!s) return;
    double db = gain > 0 ? std::max(20.0 * std::log10(gain), kSilenceDb) : kSilenceDb;
    s->targetDb = db;
    if (rampMs <= 0) {
      s->db = db;
      s->rampLeftMs = 0;
    } else {
      s->rampLeftMs = rampMs;
    }
    ApplyGains(*s);
  }
  void SetSideGains(int32_t id, double left, double right) override {
    std::lock_guard lock(m_);
    Sound* s = Get(id);
    if (!s) return;
    s->left = std::isnan(left) ? 0 : std::clamp(left, 0.0, 1.0);
    s->right = std::isnan(right) ? 0 : std::clamp(right, 0.0, 1.0);
    ApplyGains(*s);
  }
  void SetMasterGain(double gain) override {
    std::lock_guard lock(m_);
    alListenerf(AL_GAIN, Clampf(gain, 0, 1));
  }
  void SetTempo(double factor) override {
    std::lock_guard lock(m_);
    tempo_ = std::isnan(factor) ? 1.0 : std::clamp(factor, 0.01, 100.0);
    for (Sound& s : sounds_)
      if (s.used && s.stream) s.stream->SetTempo(tempo_);
  }

  void SetEffects(int32_t id, const std::vector<REffect>& chain) override {
    std::lock_guard lock(m_);
    Sound* s = Get(id);
    if (!s) return;
    // Gargle lives in the samples: rebuild them when it comes, goes or changes.
    const REffect* gargle = nullptr;
    for (const REffect& e : chain)
      if (e.type == EEffect::Gargle && !gargle) gargle = &e;
    bool hadGargle = s->gargle.has_value();
    bool gargleChanged =
        !s->stream && ((gargle != nullptr) != hadGargle || (gargle && s->gargle->params != gargle->params));
    if (gargleChanged) {
      StopPlays(*s);
      s->gargle = gargle ? std::optional<REffect>(*gargle) : std::nullopt;
      alDeleteBuffers(s->nbuf, s->buf);
      s->nbuf = 0;
      UploadBuffers(*s);
    }
    ClearEffects(*s);
    if (!efx_) return;
    double dry = 1.0;
    for (const REffect& e : chain) {
      if (static_cast<int>(s->slots.size()) >= kMaxSends) break;
      ALenum type = EfxType(e.type);
      if (type == AL_EFFECT_NULL) continue;
      alGetError();
      ALuint fx = 0, slot = 0;
      alGenEffects(1, &fx);
      if (alGetError() != AL_NO_ERROR) break;
      alEffecti(fx, AL_EFFECT_TYPE, type);
      if (alGetError() != AL_NO_ERROR) {
        alDeleteEffects(1, &fx);
        continue;
      }
      SetEfxParams(fx, e);
      alGetError();  // a refused parameter keeps its default
      alGenAuxiliaryEffectSlots(1, &slot);
      if (alGetError() != AL_NO_ERROR) {
        alDeleteEffects(1, &fx);
        break;
      }
      alAuxiliaryEffectSloti(slot, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(fx));
      alAuxiliaryEffectSlotf(slot, AL_EFFECTSLOT_GAIN, static_cast<float>(WetShare(e)));
      s->effects.push_back(fx);
      s->slots.push_back(slot);
      dry *= DryShare(e);
    }
    if (dry < 1.0) {
      alGetError();
      alGenFilters(1, &s->dryFilter);
      if (alGetError() == AL_NO_ERROR) {
        alFilteri(s->dryFilter, AL_FILTER_TYPE, AL_FILTER_LOWPASS);
        alFilterf(s->dryFilter, AL_LOWPASS_GAIN, static_cast<float>(dry));
        alFilterf(s->dryFilter, AL_LOWPASS_GAINHF, 1.0f);
      } else {
        s->dryFilter = 0;
      }
    }
    for (RPlay& p : s->plays) ApplySends(*s, p);
  }

  void SetPosition(int32_t id, float x, float y, float z) override { Set3(id, &Sound::pos, x, y, z); }
  void SetVelocity(int32_t id, float x, float y, float z) override { Set3(id, &Sound::vel, x, y, z); }
  void SetDistances(int32_t id, float minDist, float maxDist) override {
    std::lock_guard lock(m_);
    Sound* s = Get(id);
    if (!s) return;
    s->minDist = std::isfinite(minDist) ? std::max(minDist, 0.0f) : 1.0f;
    s->maxDist = std::isfinite(maxDist) ? std::max(maxDist, s->minDist) : 1e9f;
    for (RPlay& p : s->plays) ApplyPlayState(*s, p);
  }
  void SetCone(int32_t id, float x, float y, float z, int32_t insideDeg, int32_t outsideDeg,
               double outsideGain) override {
    std::lock_guard lock(m_);
    Sound* s = Get(id);
    if (!s) return;
    s->coneDir = {Finite(x), Finite(y), Finite(z)};
    s->coneIn = static_cast<float>(std::clamp(insideDeg, 0, 360));
    s->coneOut = static_cast<float>(std::clamp(outsideDeg, 0, 360));
    s->coneOutGain = Clampf(outsideGain, 0, 1);
    for (RPlay& p : s->plays) ApplyPlayState(*s, p);
  }

  void Render(float* out, int32_t frames) override {
    std::lock_guard lock(m_);
    if (!loopback_) {
      std::fill(out, out + 2 * std::max(frames, 0), 0.0f);
      return;
    }
    // Fades move between slices of at most 10 ms, as on a live device.
    const int32_t slice = std::max(1, rate_ / 100);
    while (frames > 0) {
      int32_t n = std::min(frames, slice);
      Refill();
      alcRenderSamplesSOFT(dev_, out, n);
      Advance(n * 1000.0 / rate_);
      out += 2 * n;
      frames -= n;
    }
  }

 private:
  static constexpr int kQueue = 4;         // buffers queued per side of a stream
  static constexpr int32_t kChunk = 2048;  // frames in each

  struct RPlay {
    ALuint src[2] = {0, 0};
    int n = 0;
    bool exclusive = false;
    bool loop = false;
    // Streams: the buffers queued on each side, and whether the source has given its last.
    bool streamed = false;
    bool ended = false;
    ALuint queue[2][kQueue] = {};
  };
  struct Sound {
    bool used = false;
    bool spatial = false;
    std::unique_ptr<StreamSource> stream;
    RPcm pcm;  // kept so gargle can be worked in again
    std::optional<REffect> gargle;
    ALuint buf[2] = {0, 0};
    int nbuf = 0;
    double db = 0, targetDb = 0, rampLeftMs = 0;
    double left = 1, right = 1;
    std::vector<ALuint> effects, slots;
    ALuint dryFilter = 0;  // the dry path's level under the effects; 0 for full
    std::array<float, 3> pos{0, 0, 0}, vel{0, 0, 0}, coneDir{0, 0, 1};
    float minDist = 1, maxDist = 1e9f, coneIn = 360, coneOut = 360, coneOutGain = 1;
    std::vector<RPlay> plays;
  };

  static float Finite(float v) { return std::isfinite(v) ? v : 0.0f; }

  Sound* Get(int32_t id) {
    if (id < 0 || id >= static_cast<int32_t>(sounds_.size()) || !sounds_[static_cast<size_t>(id)].used)
      return nullptr;
    return &sounds_[static_cast<size_t>(id)];
  }

  bool UploadBuffers(Sound& s) {
    RPcm pcm = s.pcm;
    if (s.gargle) ApplyGargle(pcm, *s.gargle);
    const size_t frames = pcm.Frames();
    std::vector<float> ch[2];
    // Spatial sounds are mono; flat ones get one buffer per side.
    int n = s.spatial || pcm.channels == 1 ? 1 : 2;
    for (int c = 0; c < n; ++c) ch[c].resize(std::max<size_t>(frames, 1), 0.0f);
    for (size_t f = 0; f < frames; ++f) {
      if (n == 2) {
        ch[0][f] = pcm.samples[2 * f];
        ch[1][f] = pcm.samples[2 * f + 1];
      } else if (pcm.channels == 2) {
        ch[0][f] = 0.5f * (pcm.samples[2 * f] + pcm.samples[2 * f + 1]);
      } else {
        ch[0][f] = pcm.samples[f];
      }
    }
    alGetError();
    alGenBuffers(n, s.buf);
    if (alGetError() != AL_NO_ERROR) return false;
    for (int c = 0; c < n; ++c)
      alBufferData(s.buf[c], AL_FORMAT_MONO_FLOAT32, ch[c].data(),
                   static_cast<ALsizei>(ch[c].size() * sizeof(float)), pcm.rate);
    s.nbuf = n;
    if (alGetError() != AL_NO_ERROR) {
      alDeleteBuffers(n, s.buf);
      s.nbuf = 0;
      return false;
    }
    return true;
  }

  void ApplyGains(Sound& s) {
    for (RPlay& p : s.plays) ApplyPlayGains(s, p);
  }
  void ApplyPlayGains(Sound& s, RPlay& p) {
    const double g = s.db <= kSilenceDb ? 0.0 : std::pow(10.0, s.db / 20.0);
    if (s.spatial) {
      alSourcef(p.src[0], AL_GAIN, static_cast<float>(g));
      return;
    }
    alSourcef(p.src[0], AL_GAIN, static_cast<float>(g * s.left));
    alSourcef(p.src[1], AL_GAIN, static_cast<float>(g * s.right));
  }
  void ApplySends(Sound& s, RPlay& p) {
    if (!efx_) return;
    for (int i = 0; i < p.n; ++i)
      for (int k = 0; k < kMaxSends; ++k) {
        ALint slot = k < static_cast<int>(s.slots.size())
                         ? static_cast<ALint>(s.slots[static_cast<size_t>(k)])
                         : AL_EFFECTSLOT_NULL;
        alSource3i(p.src[i], AL_AUXILIARY_SEND_FILTER, slot, k, AL_FILTER_NULL);
      }
    for (int i = 0; i < p.n; ++i) alSourcei(p.src[i], AL_DIRECT_FILTER, static_cast<ALint>(s.dryFilter));
    alGetError();
  }
  void ApplyPlayState(Sound& s, RPlay& p) {
    ApplyPlayGains(s, p);
    ApplySends(s, p);
    if (!s.spatial) return;
    // The listener frame is left-handed, OpenAL's right-handed: z turns round.
    ALuint src = p.src[0];
    alSource3f(src, AL_POSITION, s.pos[0], s.pos[1], -s.pos[2]);
    alSource3f(src, AL_VELOCITY, s.vel[0], s.vel[1], -s.vel[2]);
    alSourcef(src, AL_REFERENCE_DISTANCE, s.minDist);
    alSourcef(src, AL_MAX_DISTANCE, s.maxDist);
    alSource3f(src, AL_DIRECTION, s.coneDir[0], s.coneDir[1], -s.coneDir[2]);
    alSourcef(src, AL_CONE_INNER_ANGLE, s.coneIn);
    alSourcef(src, AL_CONE_OUTER_ANGLE, s.coneOut);
    alSourcef(src, AL_CONE_OUTER_GAIN, s.coneOutGain);
    alGetError();
  }

  void Set3(int32_t id, std::array<float, 3> Sound::*field, float x, float y, float z) {
    std::lock_guard lock(m_);
    Sound* s = Get(id);
    if (!s) return;
    s->*field = {Finite(x), Finite(y), Finite(z)};
    for (RPlay& p : s->plays) ApplyPlayState(*s, p);
  }

  void ClearEffects(Sound& s) {
    for (RPlay& p : s.plays)
      for (int i = 0; i < p.n; ++i)
        for (int k = 0; k < kMaxSends; ++k)
          alSource3i(p.src[i], AL_AUXILIARY_SEND_FILTER, AL_EFFECTSLOT_NULL, k, AL_FILTER_NULL);
    for (RPlay& p : s.plays)
      for (int i = 0; i < p.n; ++i) alSourcei(p.src[i], AL_DIRECT_FILTER, AL_FILTER_NULL);
    if (s.dryFilter) alDeleteFilters(1, &s.dryFilter);
    s.dryFilter = 0;
    if (!s.slots.empty()) alDeleteAuxiliaryEffectSlots(static_cast<ALsizei>(s.slots.size()), s.slots.data());
    if (!s.effects.empty()) alDeleteEffects(static_cast<ALsizei>(s.effects.size()), s.effects.data());
    s.slots.clear();
    s.effects.clear();
    alGetError();
  }

  static void DeletePlay(RPlay& p) {
    alSourceStopv(p.n, p.src);
    for (int i = 0; i < p.n; ++i) alSourcei(p.src[i], AL_BUFFER, 0);
    alDeleteSources(p.n, p.src);
    if (p.streamed) alDeleteBuffers(2 * kQueue, &p.queue[0][0]);
  }

  // Fills the two buffers with the stream's next chunk and queues them; a looping play starts
  // the stream over at its end. False when the stream had nothing more.
  bool QueueChunk(Sound& s, RPlay& p, ALuint left, ALuint right) {
    std::vector<float> mix(2 * kChunk), side[2];
    int32_t done = 0;
    bool restarted = false;
    while (done < kChunk) {
      int32_t got = s.stream->Fill(mix.data() + 2 * done, kChunk - done);
      done += std::max(got, 0);
      if (done >= kChunk) break;
      // A song that gives nothing right after a restart would loop forever without sound.
      if (!p.loop || (restarted && got <= 0)) {
        p.ended = true;
        break;
      }
      s.stream->Restart();
      restarted = true;
    }
    if (done == 0) return false;
    for (int c = 0; c < 2; ++c) {
      side[c].resize(static_cast<size_t>(done));
      for (int32_t f = 0; f < done; ++f)
        side[c][static_cast<size_t>(f)] = mix[static_cast<size_t>(2 * f + c)];
    }
    ALuint bufs[2] = {left, right};
    for (int c = 0; c < 2; ++c) {
      alBufferData(bufs[c], AL_FORMAT_MONO_FLOAT32, side[c].data(),
                   static_cast<ALsizei>(done * sizeof(float)), s.stream->Rate());
      alSourceQueueBuffers(p.src[c], 1, &bufs[c]);
    }
    return true;
  }

  // Tops up the queues of every playing stream, and restarts one that ran dry before its end.
  void Refill() {
    for (Sound& s : sounds_) {
      if (!s.used || !s.stream) continue;
      for (RPlay& p : s.plays) {
        ALint done0 = 0, done1 = 0;
        alGetSourcei(p.src[0], AL_BUFFERS_PROCESSED, &done0);
        alGetSourcei(p.src[1], AL_BUFFERS_PROCESSED, &done1);
        for (ALint k = std::min(done0, done1); k > 0 && !p.ended; --k) {
          ALuint b[2];
          alSourceUnqueueBuffers(p.src[0], 1, &b[0]);
          alSourceUnqueueBuffers(p.src[1], 1, &b[1]);
          if (!QueueChunk(s, p, b[0], b[1])) break;
        }
        ALint state = AL_STOPPED, queued = 0;
        alGetSourcei(p.src[0], AL_SOURCE_STATE, &state);
        alGetSourcei(p.src[0], AL_BUFFERS_QUEUED, &queued);
        if (state == AL_STOPPED && !p.ended && queued > 0) alSourcePlayv(p.n, p.src);
      }
    }
    alGetError();
  }
  void StopPlays(Sound& s) {
    for (RPlay& p : s.plays) DeletePlay(p);
    s.plays.clear();
  }
  // Drops plays that have ended.
  void Recycle(Sound& s) {
    if (s.stream) Refill();
    std::erase_if(s.plays, [](RPlay& p) {
      ALint state = AL_STOPPED;
      alGetSourcei(p.src[0], AL_SOURCE_STATE, &state);
      if (state == AL_PLAYING || state == AL_PAUSED || (p.streamed && !p.ended)) return false;
      DeletePlay(p);
      return true;
    });
  }

  // Fades: each moves in even decibel steps towards its target.
  void Advance(double ms) {
    for (Sound& s : sounds_) {
      if (!s.used || s.rampLeftMs <= 0) continue;
      double step = std::min(ms, s.rampLeftMs);
      s.db += (s.targetDb - s.db) * step / s.rampLeftMs;
      s.rampLeftMs -= step;
      if (s.rampLeftMs <= 0) s.db = s.targetDb;
      ApplyGains(s);
    }
  }

  void Tick() {
    auto last = std::chrono::steady_clock::now();
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      auto now = std::chrono::steady_clock::now();
      std::lock_guard lock(m_);
      Refill();
      Advance(std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
    }
  }

  ALCdevice* dev_;
  ALCcontext* ctx_;
  bool loopback_;
  int32_t rate_;
  bool efx_ = false;
  double tempo_ = 1.0;
  std::mutex m_;
  std::vector<Sound> sounds_;
  std::thread ticker_;
  std::atomic<bool> stop_{false};
};

class SilentDevice final : public AudioDevice {
 public:
  bool Audible() const override { return false; }
  int32_t Rate() const override { return 44100; }
  int32_t NewSound(const RPcm&, bool) override { return next_++; }
  int32_t NewStreamSound(std::unique_ptr<StreamSource>) override { return next_++; }
  void SetTempo(double) override {}
  void FreeSound(int32_t) override {}
  void Play(int32_t, bool, bool) override {}
  void Stop(int32_t) override {}
  void StopAll() override {}
  bool IsPlaying(int32_t) override { return false; }
  void SetGain(int32_t, double, int32_t) override {}
  void SetSideGains(int32_t, double, double) override {}
  void SetMasterGain(double) override {}
  void SetEffects(int32_t, const std::vector<REffect>&) override {}
  void SetPosition(int32_t, float, float, float) override {}
  void SetVelocity(int32_t, float, float, float) override {}
  void SetDistances(int32_t, float, float) override {}
  void SetCone(int32_t, float, float, float, int32_t, int32_t, double) override {}
  void Render(float* out, int32_t frames) override { std::fill(out, out + 2 * std::max(frames, 0), 0.0f); }

 private:
  int32_t next_ = 0;
};
}  // namespace

std::unique_ptr<AudioDevice> OpenSystemDevice() {
  ALCdevice* dev = alcOpenDevice(nullptr);
  if (!dev) return nullptr;
  const ALCint attrs[] = {ALC_MAX_AUXILIARY_SENDS, kMaxSends, 0};
  ALCcontext* ctx = alcCreateContext(dev, attrs);
  if (!ctx) {
    alcCloseDevice(dev);
    return nullptr;
  }
  ALCint rate = 44100;
  alcGetIntegerv(dev, ALC_FREQUENCY, 1, &rate);
  return std::make_unique<AlDevice>(dev, ctx, false, rate);
}

std::unique_ptr<AudioDevice> OpenLoopbackDevice(int32_t rate) {
  if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) return nullptr;
  ALCdevice* dev = alcLoopbackOpenDeviceSOFT(nullptr);
  if (!dev) return nullptr;
  const ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT,
                          ALC_STEREO_SOFT,
                          ALC_FORMAT_TYPE_SOFT,
                          ALC_FLOAT_SOFT,
                          ALC_FREQUENCY,
                          rate,
                          ALC_HRTF_SOFT,
                          ALC_FALSE,
                          ALC_MAX_AUXILIARY_SENDS,
                          kMaxSends,
                          0};
  ALCcontext* ctx = alcCreateContext(dev, attrs);
  if (!ctx) {
    alcCloseDevice(dev);
    return nullptr;
  }
  return std::make_unique<AlDevice>(dev, ctx, true, rate);
}

std::unique_ptr<AudioDevice> MakeSilentDevice() {
  return std::make_unique<SilentDevice>();
}

}  // namespace platform::audio
