// Turning sound files into samples: libsndfile for wave and compressed audio, FluidSynth with
// the general MIDI soundfont for MIDI songs. Everything works from memory.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/Fluid_Library.h"

namespace platform::audio {
namespace {
// Most samples a decoded sound keeps: ten minutes of stereo at 48 kHz.
constexpr int64_t kMaxSamples = int64_t{600} * 48000 * 2;
// A rendered song stops here even if its tracks claim more.
constexpr int64_t kMaxMidiSeconds = 300;

struct MemoryFile {
  const uint8_t* data;
  sf_count_t size;
  sf_count_t pos = 0;
};

sf_count_t MemLength(void* user) {
  return static_cast<MemoryFile*>(user)->size;
}
sf_count_t MemSeek(sf_count_t offset, int whence, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  sf_count_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->size : 0;
  sf_count_t to = base + offset;
  if (to < 0 || to > f->size) return -1;
  f->pos = to;
  return f->pos;
}
sf_count_t MemRead(void* ptr, sf_count_t count, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  sf_count_t n = std::clamp<sf_count_t>(f->size - f->pos, 0, std::max<sf_count_t>(count, 0));
  if (n > 0) std::memcpy(ptr, f->data + f->pos, static_cast<size_t>(n));
  f->pos += n;
  return n;
}
sf_count_t MemWrite(const void*, sf_count_t, void*) {
  return 0;
}
sf_count_t MemTell(void* user) {
  return static_cast<MemoryFile*>(user)->pos;
}

uint32_t Le32(const uint8_t* p) {
  return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// A header chunk and then whole chunks, at least one of them a track, up to the end.
bool WellFormedSmf(const uint8_t* data, size_t size) {
  if (size < 14 || std::memcmp(data, "MThd", 4) != 0 || Be32(data + 4) < 6) return false;
  size_t pos = 8 + size_t{Be32(data + 4)};
  bool track = false;
  while (pos < size) {
    if (size - pos < 8) return false;
    size_t len = Be32(data + pos + 4);
    if (len > size - pos - 8) return false;
    track = track || std::memcmp(data + pos, "MTrk", 4) == 0;
    pos += 8 + len;
  }
  return track && pos == size;
}

// The SMF inside data: data itself, or the "data" chunk of a RIFF RMID file. Null when neither
// holds a well-formed one.
const uint8_t* FindSmf(const uint8_t* data, size_t size, size_t& smfSize) {
  if (size >= 4 && std::memcmp(data, "MThd", 4) == 0) {
    if (!WellFormedSmf(data, size)) return nullptr;
    smfSize = size;
    return data;
  }
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "RMID", 4) != 0) return nullptr;
  size_t pos = 12;
  // The pad byte after an odd chunk may be missing at the very end, taking pos past size.
  while (pos <= size && size - pos >= 8) {
    size_t len = Le32(data + pos + 4);
    if (len > size - pos - 8) return nullptr;
    if (std::memcmp(data + pos, "data", 4) == 0) {
      if (!WellFormedSmf(data + pos + 8, len)) return nullptr;
      smfSize = len;
      return data + pos + 8;
    }
    pos += 8 + len + (len & 1);
  }
  return nullptr;
}

void QuietLog(int, const char* message, void*) { LibraryMessage(std::string("FluidSynth: ") + (message ? message : "")); }

// One synthesiser with the soundfont loaded, kept for the process (loading costs 0.1 s).
struct Synth {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  int32_t rate = 0;
  bool ok = false;
};

Synth* SharedSynth(int32_t rate) {
  static std::mutex m;
  static Synth s;
  std::lock_guard lock(m);
  const RFluidLibrary* fl = FluidLibrary();
  if (!fl) return nullptr;
  if (s.synth && s.rate == rate) return s.ok ? &s : nullptr;
  if (s.synth) fl->delete_fluid_synth(s.synth);
  if (s.settings) fl->delete_fluid_settings(s.settings);
  s = Synth{};
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
    fl->fluid_set_log_function(level, QuietLog, nullptr);
  s.rate = rate;
  s.settings = fl->new_fluid_settings();
  if (!s.settings) return nullptr;
  fl->fluid_settings_setnum(s.settings, "synth.sample-rate", rate);
  fl->fluid_settings_setnum(s.settings, "synth.gain", 0.6);
  fl->fluid_settings_setstr(s.settings, "player.timing-source", "sample");
  fl->fluid_settings_setint(s.settings, "synth.threadsafe-api", 0);
  s.synth = fl->new_fluid_synth(s.settings);
  if (!s.synth) return nullptr;
  std::string font = SoundFontPath();
  s.ok = !font.empty() && fl->fluid_synth_sfload(s.synth, font.c_str(), 1) != FLUID_FAILED;
  return s.ok ? &s : nullptr;
}
// One synthesiser and player per stream: streams play on the device's thread, beside renders.
class MidiStream final : public StreamSource {
 public:
  MidiStream(std::vector<uint8_t> smf, int32_t rate) : smf_(std::move(smf)), rate_(rate) {}
  ~MidiStream() override { Close(); }
  int32_t Rate() const override { return rate_; }

  void Restart() override {
    if (!synth_ && !failed_) Open();
    if (!synth_) return;
    if (player_) {
      fl->fluid_player_stop(player_);
      fl->delete_fluid_player(player_);
    }
    fl->fluid_synth_system_reset(synth_);
    player_ = fl->new_fluid_player(synth_);
    if (!player_) return;
    if (fl->fluid_player_add_mem(player_, smf_.data(), smf_.size()) != FLUID_OK) {
      fl->delete_fluid_player(player_);
      player_ = nullptr;
      return;
    }
    fl->fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_INTERNAL, tempo_);
    fl->fluid_player_play(player_);
  }

  int32_t Fill(float* out, int32_t frames) override {
    int32_t done = 0;
    while (player_ && done < frames) {
      if (fl->fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING) break;
      int total = fl->fluid_player_get_total_ticks(player_);
      if (total > 0 && fl->fluid_player_get_current_tick(player_) >= total) break;
      const int32_t n = std::min(frames - done, 64);
      float* p = out + 2 * done;
      if (fl->fluid_synth_write_float(synth_, n, p, 0, 2, p, 1, 2) != FLUID_OK) break;
      done += n;
    }
    return done;
  }

  void SetTempo(double factor) override {
    tempo_ = std::isnan(factor) ? 1.0 : std::clamp(factor, 0.01, 100.0);
    if (player_) fl->fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_INTERNAL, tempo_);
  }

 private:
  void Open() {
    if (!fl) {
      failed_ = true;
      return;
    }
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
      fl->fluid_set_log_function(level, QuietLog, nullptr);
    settings_ = fl->new_fluid_settings();
    if (settings_) {
      fl->fluid_settings_setnum(settings_, "synth.sample-rate", rate_);
      fl->fluid_settings_setnum(settings_, "synth.gain", 0.6);
      fl->fluid_settings_setstr(settings_, "player.timing-source", "sample");
      fl->fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
      synth_ = fl->new_fluid_synth(settings_);
    }
    std::string font = SoundFontPath();
    if (!synth_ || font.empty() || fl->fluid_synth_sfload(synth_, font.c_str(), 1) == FLUID_FAILED) Close();
    failed_ = !synth_;
  }
  void Close() {
    if (player_) {
      fl->fluid_player_stop(player_);
      fl->delete_fluid_player(player_);
    }
    if (synth_) fl->delete_fluid_synth(synth_);
    if (settings_) fl->delete_fluid_settings(settings_);
    player_ = nullptr;
    synth_ = nullptr;
    settings_ = nullptr;
  }

  // Null without the library: the stream then stays silent.
  const RFluidLibrary* fl = FluidLibrary();
  std::vector<uint8_t> smf_;
  int32_t rate_;
  double tempo_ = 1.0;
  bool failed_ = false;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
};
}  // namespace

int64_t MidiLengthMs(const uint8_t* data, size_t size) {
  size_t smfSize = 0;
  const uint8_t* smf = data ? FindSmf(data, size, smfSize) : nullptr;
  if (!smf) return -1;
  const uint32_t division = (uint32_t{smf[12]} << 8) | smf[13];
  std::vector<std::pair<uint64_t, uint32_t>> tempos;  // tick, microseconds per quarter note
  uint64_t lastTick = 0;
  size_t pos = 8 + size_t{Be32(smf + 4)};
  while (pos < smfSize) {
    const size_t len = Be32(smf + pos + 4);
    const uint8_t* t = smf + pos + 8;
    const bool track = std::memcmp(smf + pos, "MTrk", 4) == 0;
    pos += 8 + len;
    if (!track) continue;
    size_t i = 0;
    uint64_t tick = 0;
    uint8_t status = 0;
    auto vlq = [&](uint32_t& v) {
      v = 0;
      for (int n = 0; n < 4; ++n) {
        if (i >= len) return false;
        uint8_t b = t[i++];
        v = (v << 7) | (b & 0x7Fu);
        if (!(b & 0x80)) return true;
      }
      return false;
    };
    while (i < len) {
      uint32_t delta = 0;
      if (!vlq(delta)) return -1;
      tick += delta;
      if (i >= len) return -1;
      if (t[i] & 0x80) status = t[i++];
      if (status == 0xFF) {
        if (i >= len) return -1;
        const uint8_t type = t[i++];
        uint32_t n = 0;
        if (!vlq(n) || n > len - i) return -1;
        if (type == 0x51 && n == 3)
          tempos.emplace_back(tick, (uint32_t{t[i]} << 16) | (uint32_t{t[i + 1]} << 8) | t[i + 2]);
        i += n;
        if (type == 0x2F) break;
      } else if (status == 0xF0 || status == 0xF7) {
        uint32_t n = 0;
        if (!vlq(n) || n > len - i) return -1;
        i += n;
      } else if (status >= 0x80) {
        const size_t n = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        if (n > len - i) return -1;
        i += n;
      } else {
        return -1;  // data before any status
      }
    }
    lastTick = std::max(lastTick, tick);
  }
  if (division & 0x8000) {
    // Time code: frames a second times ticks a frame.
    const double perSecond = static_cast<double>(256 - (division >> 8)) * (division & 0xFF);
    return perSecond > 0 ? static_cast<int64_t>(lastTick * 1000.0 / perSecond) : -1;
  }
  if (division == 0) return -1;
  std::stable_sort(tempos.begin(), tempos.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  double us = 0;
  uint64_t at = 0;
  uint32_t tempo = 500000;
  for (const auto& [tick, value] : tempos) {
    if (tick >= lastTick) break;
    us += static_cast<double>(tick - at) * tempo / division;
    at = tick;
    tempo = value;
  }
  us += static_cast<double>(lastTick - at) * tempo / division;
  return static_cast<int64_t>(us / 1000.0);
}

std::unique_ptr<StreamSource> OpenMidiStream(const uint8_t* data, size_t size, int32_t rate) {
  size_t smfSize = 0;
  const uint8_t* smf = data ? FindSmf(data, size, smfSize) : nullptr;
  if (!smf || rate < 8000 || rate > 192000) return nullptr;
  return std::make_unique<MidiStream>(std::vector<uint8_t>(smf, smf + smfSize), rate);
}

std::string SoundFontPath() {
  if (const char* env = std::getenv("RUNNER_SOUNDFONT"); env && *env) return env;
  for (const char* p : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"}) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(p, ec)) return p;
  }
  return {};
}

bool DecodeAudio(const uint8_t* data, size_t size, RPcm& out) {
  if (!data || size == 0 || size > static_cast<size_t>(INT32_MAX)) return false;
  MemoryFile file{data, static_cast<sf_count_t>(size)};
  SF_VIRTUAL_IO io{MemLength, MemSeek, MemRead, MemWrite, MemTell};
  SF_INFO info{};
  SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &file);
  if (!sf) return false;
  // Headers may claim any length: memory grows with what really decodes, up to a cap.
  const bool ok =
      info.channels >= 1 && info.channels <= 64 && info.samplerate >= 1000 && info.samplerate <= 192000;
  if (ok) {
    const int32_t outCh = info.channels == 1 ? 1 : 2;  // more channels: the first two
    const int64_t maxFrames = kMaxSamples / outCh;
    constexpr sf_count_t kBlock = 4096;
    std::vector<float> raw(static_cast<size_t>(kBlock) * static_cast<size_t>(info.channels));
    out.rate = info.samplerate;
    out.channels = outCh;
    out.samples.clear();
    for (int64_t frames = 0; frames < maxFrames;) {
      sf_count_t got = sf_readf_float(sf, raw.data(), std::min<sf_count_t>(kBlock, maxFrames - frames));
      if (got <= 0) break;
      for (sf_count_t f = 0; f < got; ++f)
        for (int32_t c = 0; c < outCh; ++c)
          out.samples.push_back(raw[static_cast<size_t>(f * info.channels + c)]);
      frames += got;
    }
  }
  sf_close(sf);
  return ok;
}

bool IsMidi(const uint8_t* data, size_t size) {
  size_t n = 0;
  return data && FindSmf(data, size, n) != nullptr;
}

bool RenderMidi(const uint8_t* data, size_t size, double tempo, int32_t rate, RPcm& out) {
  size_t smfSize = 0;
  const uint8_t* smf = data ? FindSmf(data, size, smfSize) : nullptr;
  if (!smf || rate < 8000 || rate > 192000) return false;
  static std::mutex renderLock;  // the synthesiser is shared
  std::lock_guard lock(renderLock);
  Synth* s = SharedSynth(rate);
  if (!s) return false;
  const RFluidLibrary* fl = FluidLibrary();
  fl->fluid_synth_system_reset(s->synth);
  fluid_player_t* player = fl->new_fluid_player(s->synth);
  if (!player) return false;
  bool ok = fl->fluid_player_add_mem(player, smf, smfSize) == FLUID_OK;
  fl->fluid_player_set_tempo(player, FLUID_PLAYER_TEMPO_INTERNAL, std::clamp(tempo, 0.01, 100.0));
  ok = ok && fl->fluid_player_play(player) == FLUID_OK;
  out.rate = rate;
  out.channels = 2;
  out.samples.clear();
  constexpr int kBlock = 64;
  float block[kBlock * 2];
  const int64_t maxFrames = kMaxMidiSeconds * rate;
  int64_t frames = 0;
  while (ok && frames < maxFrames) {
    if (fl->fluid_player_get_status(player) != FLUID_PLAYER_PLAYING) break;
    int total = fl->fluid_player_get_total_ticks(player);
    if (total > 0 && fl->fluid_player_get_current_tick(player) >= total) break;
    if (fl->fluid_synth_write_float(s->synth, kBlock, block, 0, 2, block, 1, 2) != FLUID_OK) {
      ok = false;
      break;
    }
    out.samples.insert(out.samples.end(), block, block + kBlock * 2);
    frames += kBlock;
  }
  fl->fluid_player_stop(player);
  fl->delete_fluid_player(player);
  fl->fluid_synth_system_reset(s->synth);
  // A file that fluidsynth rejects while playing leaves the player done before any sound.
  return ok && !out.samples.empty();
}

}  // namespace platform::audio
