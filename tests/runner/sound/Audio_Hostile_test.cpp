// Damaged sound files through the readers: every byte of a small wave and MIDI file changed in
// turn must give a result or a refusal, never a fault (the sanitizers watch).
#include "SoundFixture.h"

using namespace soundtest;

namespace {

TEST(AudioReaders, SurviveEveryByteChanged) {
  const std::vector<uint8_t> files[] = {SineWave(440, 2), SineWave(440, 2, true), OneNoteMidi(60)};
  for (const auto& original : files) {
    for (size_t at = 0; at < original.size(); ++at) {
      for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
        std::vector<uint8_t> bytes = original;
        bytes[at] = value;
        platform::audio::RPcm pcm;
        if (platform::audio::DecodeAudio(bytes.data(), bytes.size(), pcm)) {
          EXPECT_TRUE(pcm.channels == 1 || pcm.channels == 2);
          EXPECT_EQ(pcm.samples.size() % static_cast<size_t>(pcm.channels), 0u);
        }
        if (platform::audio::IsMidi(bytes.data(), bytes.size())) {
          EXPECT_GE(platform::audio::MidiLengthMs(bytes.data(), bytes.size()), -1);
        }
      }
    }
    // Every shortened file as well.
    for (size_t n = 0; n < original.size(); ++n) {
      platform::audio::RPcm pcm;
      platform::audio::DecodeAudio(original.data(), n, pcm);
      EXPECT_EQ(platform::audio::MidiLengthMs(original.data(), n), -1);
    }
  }
}

// An RMID file whose last chunk has an odd length and no pad byte: the chunk walk stepped
// one byte past the end and read beyond the file.
TEST(AudioReaders, RmidOddChunkAtTheEnd) {
  std::vector<uint8_t> file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D',
                               'L', 'I', 'S', 'T', 1, 0, 0, 0, 'x'};
  EXPECT_FALSE(platform::audio::IsMidi(file.data(), file.size()));
  EXPECT_EQ(platform::audio::MidiLengthMs(file.data(), file.size()), -1);
}

}  // namespace
