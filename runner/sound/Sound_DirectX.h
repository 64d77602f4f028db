// The sound player: the sample table, the performance (the audio device and the general MIDI
// synthesiser) and the media player for multimedia sounds. Samples are addressed by index; an
// index that is out of range or not in use is ignored by every operation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio/AudioDevice.h"

class TMediaPlayer;

inline constexpr int32_t kSoundNormal = 0, kSoundBackground = 1, kSoundSpatial = 2, kSoundMultimedia = 3;

// Effect bits in the order their effects are chained.
struct REffectBit {
  int32_t bit;
  platform::audio::EEffect effect;
};
inline constexpr REffectBit kEffectBits[] = {
    {1, platform::audio::EEffect::Chorus},      {2, platform::audio::EEffect::Echo},
    {4, platform::audio::EEffect::Flanger},     {8, platform::audio::EEffect::Gargle},
    {64, platform::audio::EEffect::Equalizer},  {16, platform::audio::EEffect::Reverb},
    {32, platform::audio::EEffect::Compressor}, {128, platform::audio::EEffect::Distortion},
    {256, platform::audio::EEffect::EnvReverb},
};

struct RSoundSample {
  bool inuse = false;
  int32_t kind = kSoundNormal;  // 3 after any failure of the performance
  int32_t voice = -1;           // the decoded sound on the device (kinds 0 to 2)
  std::string fname;            // the file to open (kind 3)
  std::vector<platform::audio::REffect> chain;
};

// Where the player gets its device: the default opens the system's device. A factory that
// returns null stands for a machine without a sound device.
using AudioDeviceFactory = std::function<std::unique_ptr<platform::audio::AudioDevice>()>;
void SetAudioDeviceFactory(AudioDeviceFactory factory);  // empty: the default
// Where the player's own messages go; the default shows a message box.
void SetSoundMessageSink(std::function<void(std::string_view)> sink);

// Initialises the player (shutting down any previous state); every other operation does it
// first when it has not happened. With force the work is done even when already initialised.
void SoundInit(bool force);
void SoundShutdown();
bool SoundInitialized();
// True when the performance exists (a sound device opened).
bool SoundHasPerformance();
platform::audio::AudioDevice* SoundDevice();  // the device in use, silent without a performance
TMediaPlayer& SoundMediaPlayer();

// Samples. Each returns the new index, or -1.
int32_t SoundNewSample(int32_t kind);
int32_t SoundLoadFromFile(const std::string& fname, int32_t kind);
int32_t SoundLoadFromMemory(const uint8_t* data, size_t size, int32_t kind);
void SoundFree(int32_t index);
const RSoundSample* SoundSample(int32_t index);  // null when not in use

void SoundPlay(int32_t index, bool loop);
void SoundStop(int32_t index);
void SoundStopAll();
bool SoundIsPlaying(int32_t index);
void SoundSetVolume(int32_t index, double value, int32_t durationMs);
void SoundSetPan(int32_t index, double value);
void SoundSetEffects(int32_t index, int32_t bits);
// The parameters of the first effect of that type in the sample's chain, in argument order.
void SoundSetEffectParams(int32_t index, platform::audio::EEffect type, const std::vector<double>& params);
void SoundSet3DPosition(int32_t index, double x, double y, double z);
void SoundSet3DVelocity(int32_t index, double x, double y, double z);
void SoundSet3DDistance(int32_t index, double minDist, double maxDist);
void SoundSet3DCone(int32_t index, double x, double y, double z, int32_t angleIn, int32_t angleOut,
                    double volOutside);
void SoundSetGlobalVolume(double value);
// The player's volume, 0..1 (0 mutes), applied over the game's global volume for the whole run.
void SoundSetPlayerGain(double gain);
// One line on standard error, once a game, when MIDI is to play and no soundfont can be read.
void TellIfNoSoundFont();
void SoundSetTempo(double factor);
void SoundSetSearchDirectory(const std::string& dir);

// Conversions of the player's units, exposed for their callers and tests.
int32_t VolumeToMillibels(double value);        // 1 → 0, 0 → -9600
int32_t PanToMillibels(double value);           // -10000 .. 10000
int32_t GlobalVolumeToMillibels(double value);  // limited to -10000 .. 1000
double MillibelsToGain(int32_t mb);
