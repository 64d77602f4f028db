// Sounds from a project: the records gamebuild writes, as the runner's sound list reads them,
// the faults of sound files, and a built game with sounds run on a machine without a sound device.
#include <gtest/gtest.h>

#include "runner/sound/Sound_DirectX.h"
#include "runner/sound/Sound_Main.h"
#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

const std::string kSoundsGame =
    R"({"game_id": 7, "resources": {"rooms": ["rm_main"], "sounds": ["snd_shot", null, "snd_music"]},
        "room_order": ["rm_main"], "library_init": ["init.kvs"]})";

// A wave file header and four samples: enough to be recognised.
const std::string kWave =
    std::string(
        "RIFF\x2c\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0data\x08\0\0\0",
        44) +
    std::string(8, '\0');

TEST(SoundRecords, ArriveInTheSoundList) {
  Project project(
      {{"game.json", kSoundsGame},
       {"init.kvs", ""},
       {"sounds/snd_shot.json",
        R"({"file": "audio/shot.wav", "effects": ["echo", "gargle"], "volume": 0.5, "pan": -0.25, "preload": false})"},
       {"sounds/snd_music.json", R"({"kind": "background"})"},
       {"audio/shot.wav", kWave}});
  LoadRun run;
  AddChunkLoader(EChunk::Sounds, LoadSounds);
  ASSERT_TRUE(run.Load(project.Build()).loaded);
  ASSERT_EQ(Sounds().Count(), 3);
  EXPECT_FALSE(Sounds().Exists(1));
  EXPECT_EQ(Sounds().Find("snd_music"), 2);
  const CSound* shot = Sounds().Get(0);
  EXPECT_EQ(Sounds().Name(0), "snd_shot");
  EXPECT_EQ(shot->s_kind, 0);
  EXPECT_EQ(shot->s_extension, ".wav");
  EXPECT_EQ(shot->s_origname, "shot.wav");
  ASSERT_TRUE(shot->s_sound);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(shot->s_sound->Data()), shot->s_sound->GetSize()),
            kWave);
  EXPECT_EQ(shot->s_effects, 2 | 8);
  EXPECT_EQ(shot->s_volume, 0.5);
  EXPECT_EQ(shot->s_pan, -0.25);
  EXPECT_FALSE(shot->s_preload);
  const CSound* music = Sounds().Get(2);
  EXPECT_EQ(music->s_kind, 1);
  EXPECT_FALSE(music->s_sound);
  EXPECT_TRUE(music->s_preload);
}

TEST(SoundRecords, AWrongRecordVersionFailsTheChunk) {
  CStream record;
  record.WriteBoolean(true);
  record.WriteString("snd");
  record.WriteInteger(799);
  CStream chunk;
  chunk.WriteInteger(800);
  chunk.WriteInteger(1);
  chunk.WriteStreamC(record);
  chunk.SetPosition(0);
  EXPECT_FALSE(LoadSounds(chunk));
  EXPECT_EQ(Sounds().Count(), 0);
  CStream version;
  version.WriteInteger(700);
  version.SetPosition(0);
  EXPECT_FALSE(LoadSounds(version));
}

struct SoundFault {
  const char* what;
  std::string json;
  const char* key;
  const char* message;
};

void PrintTo(const SoundFault& c, std::ostream* os) { *os << c.what; }

class SoundFaults : public ::testing::TestWithParam<SoundFault> {};

TEST_P(SoundFaults, NameTheSoundFileAndKey) {
  Project project({{"game.json", kSoundsGame},
                   {"init.kvs", ""},
                   {"sounds/snd_shot.json", GetParam().json},
                   {"sounds/snd_music.json", "{}"}});
  try {
    project.BuildBytes();
    FAIL() << "no error";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), "sounds/snd_shot.json");
    EXPECT_EQ(e.Key(), GetParam().key);
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SoundFaults,
    ::testing::Values(
        SoundFault{"kind", R"({"kind": "loud"})", "kind", "expected normal, background, 3d or multimedia"},
        SoundFault{"effect", R"({"effects": ["echo", "wobble"]})", "effects[1]", "expected chorus"},
        SoundFault{"volume", R"({"volume": 1.5})", "volume", "number out of range 0..1"},
        SoundFault{"pan", R"({"pan": "left"})", "pan", "expected a number"},
        SoundFault{"file", R"({"file": "nope.wav"})", "file", "file not found: nope.wav"},
        SoundFault{"key", R"({"loop": true})", "loop", "unknown key"}),
    [](const auto& info) { return std::string(info.param.what); });

// The runner program with a game whose library initialisation plays its sounds, on a machine
// without a sound device (an OpenAL driver that does not exist) and on a silent one. Test mode
// and SDL_AUDIODRIVER=dummy take the silent device without trying the system's: not a word.
TEST(SoundGame, RunsWithoutASoundDevice) {
  ScratchDir dir;
  Project project(
      {{"game.json", kSoundsGame},
       {"init.kvs",
        "sound_play(snd_shot); sound_loop(snd_music); sound_effect_set(snd_shot, 511);"
        " if (sound_isplaying(snd_shot)) show_error(\"heard\", false);"},
       // Outside test mode nothing else ends the run.
       {"rooms/rm_main.json", R"({"code": "game_end();"})"},
       {"sounds/snd_shot.json", R"({"file": "audio/shot.wav"})"},
       {"sounds/snd_music.json", R"({"file": "audio/shot.wav", "kind": "background", "preload": false})"},
       {"audio/shot.wav", kWave}});
  const fs::path game = project.Build();
  struct Row {
    const char* env;
    bool noDevice, quiet;
  };
  for (const Row& r : {Row{"ALSOFT_DRIVERS=nothing_here", true, false}, Row{"ALSOFT_DRIVERS=null", false, true},
                       Row{"RUNNER_TEST_MODE=1 RUNNER_TEST_STEPS=2 ALSOFT_DRIVERS=nothing_here", false, true},
                       Row{"SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=nothing_here", false, true}}) {
    const fs::path errFile = dir.path() / "stderr.txt";
    const std::string cmd = "cd " + dir.path().string() + " && timeout 120 env -u SDL_AUDIODRIVER SDL_VIDEODRIVER=offscreen" +
                            // The sanitizers' own report of what they were told to ignore is not the runner's.
                            " LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\" " + r.env +
                            " ALSOFT_CONF=/dev/null " TEST_BINARY_DIR "/bin/runner " + game.string() + " 2>" +
                            errFile.string() + " >/dev/null";
    const int status = std::system(cmd.c_str());
    const auto bytes = ReadBytes(errFile);
    const std::string err(bytes.begin(), bytes.end());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << r.env << ": " << err;
    EXPECT_EQ(err.find("No sound device detected. Sounds might not play.") != std::string::npos, r.noDevice)
        << r.env << ": " << err;
    EXPECT_EQ(err.find("heard"), std::string::npos) << err;
    if (r.quiet) {
      EXPECT_EQ(err, "") << r.env;
    }
  }
}

// A sound file nothing decodes is refused when the game is built, naming the file and key.
TEST(SoundRecords, AFileThatIsNoSoundIsRefused) {
  Project project({{"game.json", kSoundsGame},
                   {"init.kvs", ""},
                   {"sounds/snd_shot.json", R"({"file": "audio/shot.wav"})"},
                   {"sounds/snd_music.json", "{}"},
                   {"audio/shot.wav", "RIFF....WAVE but only text"}});
  try {
    project.BuildBytes();
    FAIL() << "no error";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), "sounds/snd_shot.json");
    EXPECT_EQ(e.Key(), "file");
    EXPECT_NE(std::string(e.what()).find("not a sound the runner can decode"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("audio/shot.wav"), std::string::npos) << e.what();
  }
}

}  // namespace
