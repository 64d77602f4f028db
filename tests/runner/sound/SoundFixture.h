// Test helpers for sound: tiny wave and MIDI files built in memory, a player on the loopback
// renderer, and measurements of what was mixed.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "platform/audio/AudioDevice.h"
#include "runner/sound/Sound_DirectX.h"
#include "runner/sound/Sound_Main.h"

namespace soundtest {

inline constexpr int32_t kRate = 44100;

inline void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A 16-bit wave file of a sine of freq Hz (amplitude 0.5) lasting ms; stereo puts it on the
// left channel only.
inline std::vector<uint8_t> SineWave(double freq, int32_t ms, bool stereo = false) {
  const uint32_t ch = stereo ? 2 : 1;
  const uint32_t frames = static_cast<uint32_t>(kRate) * static_cast<uint32_t>(ms) / 1000;
  std::vector<uint8_t> b;
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  Put32(b, 36 + frames * ch * 2);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, ch);
  Put32(b, kRate);
  Put32(b, kRate * ch * 2);
  Put16(b, ch * 2);
  Put16(b, 16);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Put32(b, frames * ch * 2);
  for (uint32_t f = 0; f < frames; ++f) {
    int16_t v = static_cast<int16_t>(std::lround(16383 * std::sin(2 * std::numbers::pi * freq * f / kRate)));
    Put16(b, static_cast<uint16_t>(v));
    if (stereo) Put16(b, 0);
  }
  return b;
}

// A one-track MIDI file: one note of the piano held for half a second (120 bpm, 480 ticks a
// quarter note), ending at tick 480.
inline std::vector<uint8_t> OneNoteMidi(uint8_t note) {
  const std::vector<uint8_t> track = {0x00, 0x90, note, 100,  0x83, 0x60, 0x80,
                                      note, 0,    0x00, 0xFF, 0x2F, 0x00};
  std::vector<uint8_t> b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
  b.push_back(0);
  b.push_back(0);
  b.push_back(0);
  b.push_back(static_cast<uint8_t>(track.size()));
  b.insert(b.end(), track.begin(), track.end());
  return b;
}

// Interleaved stereo samples.
struct Mix {
  std::vector<float> s;
  double Rms(int channel, size_t from = 0, size_t to = SIZE_MAX) const {
    double sum = 0;
    size_t n = 0;
    for (size_t f = from; f < std::min(to, s.size() / 2); ++f, ++n)
      sum += double(s[2 * f + channel]) * s[2 * f + channel];
    return n ? std::sqrt(sum / n) : 0;
  }
  // Amplitude of the frequency in the channel (Goertzel), over frames [from, to).
  double Level(double freq, int channel, size_t from = 0, size_t to = SIZE_MAX) const {
    to = std::min(to, s.size() / 2);
    const double w = 2 * std::numbers::pi * freq / kRate, c = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (size_t f = from; f < to; ++f) {
      double s0 = s[2 * f + channel] + c * s1 - s2;
      s2 = s1;
      s1 = s0;
    }
    const double n = static_cast<double>(to - from);
    return n > 0 ? 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - c * s1 * s2)) / n : 0;
  }
};

inline size_t Frames(int32_t ms) {
  return static_cast<size_t>(kRate) * static_cast<size_t>(ms) / 1000;
}

// The player on the loopback renderer, with its messages collected; everything is torn down
// afterwards so that each test starts from nothing.
class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSoundMessageSink([this](std::string_view m) { messages.emplace_back(m); });
    SetAudioDeviceFactory([] { return platform::audio::OpenLoopbackDevice(kRate); });
  }
  void TearDown() override {
    ShutdownSounds();
    SetAudioDeviceFactory(nullptr);
    SetSoundMessageSink(nullptr);
  }
  Mix Render(int32_t ms) {
    Mix m;
    m.s.resize(2 * Frames(ms));
    SoundDevice()->Render(m.s.data(), static_cast<int32_t>(Frames(ms)));
    return m;
  }
  // A sound of the kind made from bytes, added to the list and restored; its sample.
  int32_t AddSound(const std::vector<uint8_t>& bytes, int32_t kind, const std::string& ext = ".wav") {
    CSound* s = Sounds().Get(Sounds().Add());
    s->s_kind = kind;
    s->s_extension = ext;
    s->s_sound = std::make_unique<CStream>(CStream::FromBytes(bytes.data(), bytes.size()));
    return s->GetSoundId();
  }

  std::vector<std::string> messages;
};

}  // namespace soundtest
