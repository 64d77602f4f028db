// The sound output the runner plays through: decoded sounds with overlapping plays, per-sound
// gain, side gains, effect chain and 3D parameters, and a master gain. Backends: OpenAL Soft on
// the system's device, OpenAL Soft's loopback renderer (tests), and a silent one for machines
// without a sound device.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::audio {

// Interleaved float samples.
struct RPcm {
  int32_t rate = 44100;
  int32_t channels = 1;  // 1 or 2
  std::vector<float> samples;
  size_t Frames() const { return channels > 0 ? samples.size() / static_cast<size_t>(channels) : 0; }
};

enum class EEffect : int32_t {
  Chorus,
  Echo,
  Flanger,
  Gargle,
  Equalizer,
  Reverb,
  Compressor,
  Distortion,
  EnvReverb
};
inline constexpr int32_t kEffectParamCount = 12;

// One effect of a chain with its parameters in the units of the game's effect functions (wet/dry
// in percent, delays in milliseconds, gains in decibels...), in their argument order.
struct REffect {
  EEffect type = EEffect::Chorus;
  std::array<double, kEffectParamCount> params{};
};

// The parameters an effect starts with.
REffect DefaultEffect(EEffect type);

// Samples made while they play (music): stereo at Rate(), from the start after Restart.
// The device calls it from its own thread, never from two at once.
class StreamSource {
 public:
  virtual ~StreamSource() = default;
  virtual int32_t Rate() const = 0;
  virtual void Restart() = 0;
  // Writes up to frames interleaved stereo frames; fewer than asked means the end.
  virtual int32_t Fill(float* out, int32_t frames) = 0;
  virtual void SetTempo(double /*factor*/) {}
};

class AudioDevice {
 public:
  virtual ~AudioDevice() = default;

  // False for the silent backend: nothing is heard and nothing counts as playing.
  virtual bool Audible() const = 0;

  // A sound made from pcm; spatial sounds are mono and positioned in 3D, the others keep their
  // channels and take side gains. Result an id >= 0, or -1 when the device refuses it.
  virtual int32_t NewSound(const RPcm& pcm, bool spatial) = 0;
  // A flat stereo sound that takes its samples from source as it plays; it has one play at a
  // time, and playing it again starts it over.
  virtual int32_t NewStreamSound(std::unique_ptr<StreamSource> source) = 0;
  virtual void FreeSound(int32_t id) = 0;
  // Starts one more play of the sound; plays of one sound overlap. An exclusive play first stops
  // the previous exclusive play, whichever sound it belongs to.
  virtual void Play(int32_t id, bool loop, bool exclusive) = 0;
  virtual void Stop(int32_t id) = 0;  // every play of the sound
  virtual void StopAll() = 0;
  virtual bool IsPlaying(int32_t id) = 0;

  // Linear gains. The sound's gain moves in even decibel steps to gain over rampMs.
  virtual void SetGain(int32_t id, double gain, int32_t rampMs) = 0;
  virtual void SetSideGains(int32_t id, double left, double right) = 0;
  virtual void SetMasterGain(double gain) = 0;
  virtual void SetTempo(double factor) = 0;  // of every stream
  virtual void SetEffects(int32_t id, const std::vector<REffect>& chain) = 0;

  // 3D, in the listener's left-handed frame (z into the screen).
  virtual void SetPosition(int32_t id, float x, float y, float z) = 0;
  virtual void SetVelocity(int32_t id, float x, float y, float z) = 0;
  virtual void SetDistances(int32_t id, float minDist, float maxDist) = 0;
  virtual void SetCone(int32_t id, float x, float y, float z, int32_t insideDeg, int32_t outsideDeg,
                       double outsideGain) = 0;

  // Loopback only: mixes frames stereo frames into out (2 × frames floats). Other backends fill silence.
  virtual void Render(float* out, int32_t frames) = 0;
  virtual int32_t Rate() const = 0;
};

// The system's default device (ALSOFT_DRIVERS and the OpenAL configuration choose it); null when
// none opens.
std::unique_ptr<AudioDevice> OpenSystemDevice();
// Renders only on request, as fast as the caller asks, at rate frames a second; null when the
// loopback extension is missing.
std::unique_ptr<AudioDevice> OpenLoopbackDevice(int32_t rate);
std::unique_ptr<AudioDevice> MakeSilentDevice();

// Decoding. Each returns false for data it cannot read, whatever the bytes.
bool DecodeAudio(const uint8_t* data, size_t size, RPcm& out);  // WAV, OGG, FLAC, MP3...
bool IsMidi(const uint8_t* data, size_t size);                  // SMF, or SMF wrapped in RIFF RMID
// Renders the whole song once through the general MIDI soundfont, tempo scaled by tempo (1
// plain), ending at the song's last tick so that a loop joins without a gap.
bool RenderMidi(const uint8_t* data, size_t size, double tempo, int32_t rate, RPcm& out);
// Length of the song in milliseconds from its tempo map and its last event; -1 when data is
// not a MIDI song or its tracks are damaged.
int64_t MidiLengthMs(const uint8_t* data, size_t size);
// The song as a stream at rate frames a second: the synthesiser starts on the first Restart.
// Null when data is not a MIDI song.
std::unique_ptr<StreamSource> OpenMidiStream(const uint8_t* data, size_t size, int32_t rate);
// The soundfont RenderMidi uses: RUNNER_SOUNDFONT, else the system's general MIDI soundfont.
std::string SoundFontPath();

// Sends what OpenAL Soft, ALSA and FluidSynth would print on standard error to log instead
// (OpenAL Soft, which cannot be given a sink, is silenced unless ALSOFT_LOGLEVEL says
// otherwise). Called once at start, before any device opens.
using LibraryLog = void (*)(const std::string& text);
void RouteLibraryMessages(LibraryLog log);
// Passes a library's message to that log.
void LibraryMessage(const std::string& text);

}  // namespace platform::audio
