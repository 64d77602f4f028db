// Fuzz target for the sound file readers: the input is a whole sound file, read as audio (wave,
// OGG, FLAC, MP3...) and as a MIDI song. Rendering songs is left out: a valid song may ask for
// minutes of sound, which is cost, not a fault.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/audio/AudioDevice.h"
#include "tests/fuzz/FuzzCheck.h"

// The MP3 decoder under libsndfile writes a note to stderr at every resynchronisation: on a
// long run that is gigabytes of log and most of the time. libFuzzer's close_fd_mask=2 discards
// it and keeps its own output and the sanitizer reports on a copy of stderr. Flags are read
// after this runs.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static char flag[] = "-close_fd_mask=2";
  static std::vector<char*> args;
  args.assign(*argv, *argv + *argc);
  args.push_back(flag);
  args.push_back(nullptr);
  *argc = static_cast<int>(args.size()) - 1;
  *argv = args.data();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::audio::RPcm pcm;
  if (platform::audio::DecodeAudio(data, size, pcm)) {
    FUZZ_CHECK(pcm.channels == 1 || pcm.channels == 2);
    FUZZ_CHECK(pcm.rate >= 1000 && pcm.rate <= 192000);
    FUZZ_CHECK(pcm.samples.size() % static_cast<size_t>(pcm.channels) == 0);
  }
  const bool midi = platform::audio::IsMidi(data, size);
  const int64_t ms = platform::audio::MidiLengthMs(data, size);
  FUZZ_CHECK(midi || ms == -1);
  FUZZ_CHECK(ms >= -1);
  if (midi) FUZZ_CHECK(platform::audio::OpenMidiStream(data, size, 44100) != nullptr);
  return 0;
}
