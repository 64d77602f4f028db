// Game files from gamebuild loaded by the runner: the load sequence and its captions, each row
// of the failure table, the records of the chunks gamebuild writes, and FileHasGameData.
#include <gtest/gtest.h>
#include <unistd.h>

#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/base/Support_Stream.h"
#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

constexpr const char* kChunkCaptions[] = {
    "Loading extension packages", "Loading triggers", "Loading constants",   "Loading sounds",
    "Loading sprites",            "Loading backgrounds", "Loading paths",   "Loading scripts",
    "Loading fonts",              "Loading time lines", "Loading objects",  "Loading rooms",
    "Loading included files",     "Loading help",       "Loading library init code", "Loading room order"};

TEST(LoadSequence, LoadsAllChunksAndPreparesWithCaptionsInOrder) {
  Project project;
  const fs::path file = project.Build();
  LoadRun run;
  run.LoadAndPrepare(file);
  EXPECT_TRUE(run.loaded);
  EXPECT_TRUE(run.prepared);
  EXPECT_TRUE(run.messages.empty());
  std::vector<std::string> expected = {"Reading data", "Loading"};
  expected.insert(expected.end(), std::begin(kChunkCaptions), std::end(kChunkCaptions));
  for (const char* c : {"Extracting included files", "Preparing extension pacakges", "Preparing constants",
                        "Preparing triggers", "Compiling scripts", "Compiling time line actions",
                        "Compiling object actions", "Preparing sounds", "Preparing graphics", "Ready"})
    expected.emplace_back(c);
  // The hide after "Ready" repeats the last caption; drop repeats.
  EXPECT_EQ(run.captions, expected);
  EXPECT_EQ(run.progress.back(), 100);
  EXPECT_FALSE(LoadFormState().visible);
  EXPECT_EQ(ApplicationTitle(), "test");
  EXPECT_EQ(GameId(), 4242);
  EXPECT_FALSE(DebugMode());
}

TEST(LoadSequence, HeaderValuesArrive) {
  Project project({{"game.json", GameJson(R"("debug": true, "session_guid": "00112233-4455-6677-8899-aabbccddeeff")")}});
  LoadRun run;
  ASSERT_TRUE(run.Load(project.Build()).loaded);
  EXPECT_TRUE(DebugMode());
  const std::array<uint8_t, 16> id = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                      0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  EXPECT_EQ(GameSessionId(), id);
}

// A game file already in memory loads as from the file (what the load fuzzer relies on).
TEST(LoadSequence, LoadsFromMemory) {
  Project project({{"game.json", GameJson(R"("session_guid": "00112233-4455-6677-8899-aabbccddeeff")")}});
  LoadRun run;
  CStream file(project.BuildBytes());
  ASSERT_TRUE(LoadGameData(file));
  EXPECT_EQ(GameSessionId()[15], 0xff);
}

// --- failure table ---------------------------------------------------------------------------

struct FailCase {
  const char* what;
  std::function<std::vector<uint8_t>()> make;
  const char* message;  // null: loading throws
};

std::vector<uint8_t> MinimalFile() { return Project().BuildBytes(); }

void PutInt(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int k = 0; k < 4; ++k) b[at + static_cast<size_t>(k)] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
}

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.what; }

class LoadFailures : public ::testing::TestWithParam<FailCase> {};

TEST_P(LoadFailures, ShowTheirMessage) {
  const FailCase& c = GetParam();
  ScratchDir dir;
  const fs::path file = dir.path() / "damaged.game";
  WriteBytes(file, c.make());
  LoadRun run;
  if (c.message) {
    EXPECT_FALSE(run.Load(file).loaded);
    EXPECT_EQ(run.messages, std::vector<std::string>{c.message});
  } else {
    EXPECT_THROW(run.Load(file), std::exception);
    EXPECT_TRUE(run.messages.empty());
  }
}

// Offsets inside the plain region (after the version word): 3 header integers, then the
// settings version and its compressed block.
constexpr size_t kSettingsVersionAt = 12;
constexpr size_t kSettingsBlockAt = 16;

INSTANTIATE_TEST_SUITE_P(
    Table, LoadFailures,
    ::testing::Values(
        FailCase{"short_file", [] { return std::vector<uint8_t>(3800011, 0); }, "Error: Not a valid game file."},
        FailCase{"no_signature",
                 [] {
                   auto b = MinimalFile();
                   b[kDataStart + 3] = 0xF6;
                   return b;
                 },
                 "Error: Not a valid game file."},
        FailCase{"wrong_version",
                 [] {
                   auto b = MinimalFile();
                   PutInt(b, kDataStart + 16, 811);
                   return b;
                 },
                 "Error: Wrong version number."},
        FailCase{"settings_version_810",
                 [] { return Rewrap(MinimalFile(), [](auto& r) { PutInt(r, kSettingsVersionAt, 810); }); },
                 "Error: Error in resource data."},
        FailCase{"damaged_compressed_block",
                 [] {
                   return Rewrap(MinimalFile(), [](auto& r) {
                     r[kSettingsBlockAt + 4] ^= 0xFF;  // the zlib header
                     r[kSettingsBlockAt + 5] ^= 0xFF;
                   });
                 },
                 nullptr},
        FailCase{"length_past_the_end",
                 [] { return Rewrap(MinimalFile(), [](auto& r) { PutInt(r, kSettingsBlockAt, 0x7FFFFFF0); }); },
                 nullptr},
        FailCase{"truncated_after_signature",
                 [] {
                   auto b = MinimalFile();
                   b.resize(kDataStart + 14);
                   return b;
                 },
                 nullptr},
        FailCase{"room_order_count_0",
                 [] {
                   gamebuild::RProject p = gamebuild::ReadProject(Project().path());
                   p.roomOrder.clear();
                   return gamebuild::WriteGameFile(p, {}, 1);
                 },
                 "Error: Error in resource data."}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(LoadFailures, CannotReadTheFile) {
  LoadRun run;
  EXPECT_FALSE(run.Load("/nonexistent/folder/game.game").loaded);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Cannot read the game file."});
}

TEST(LoadFailuresDeathTest, ChangedScrambledByteEndsTheRunnerWithOneLine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto bytes = MinimalFile();
  bytes[static_cast<size_t>(kDataStart) + 20 + (bytes.size() - static_cast<size_t>(kDataStart) - 20) / 2] ^= 0x01;
  ScratchDir dir;
  const fs::path file = dir.path() / "flipped.game";
  WriteBytes(file, bytes);
  EXPECT_EXIT(
      {
        SetLoadMessageSink([](std::string_view m) { fprintf(stderr, "MESSAGE %.*s\n", int(m.size()), m.data()); });
        LoadGameData(file.string());
      },
      ::testing::ExitedWithCode(kExitDamagedData), "^runner: the game file \".*\" is damaged \\(its data fails the checksum\\)\n$");
}

TEST(LoadFailures, LibraryMissingUnderItsFixedName) {
  Project project({{"game.json", GameJson(R"("library": {"name": "other.dll"})")}});
  const fs::path file = project.Build();
  fs::remove(GetTempDirectory() + "/D3DX8.dll");
  LoadRun run;
  EXPECT_FALSE(run.Load(file).loaded);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Failed to initialize D3DX."});
  EXPECT_TRUE(fs::exists(GetTempDirectory() + "/other.dll"));
}

TEST(LoadFailures, LibraryIsWrittenToTheTemporaryDirectory) {
  Project project({{"game.json", GameJson(R"("library": {"file": "lib.bin"})")}, {"lib.bin", "LIBRARY BYTES"}});
  LoadRun run;
  std::string loadedFrom;
  ShellState().d3dxLoader = [&](const std::string& path) {
    loadedFrom = path;
    return true;
  };
  ASSERT_TRUE(run.Load(project.Build()).loaded);
  EXPECT_EQ(loadedFrom, GetTempDirectory() + "/D3DX8.dll");
  const auto lib = ReadBytes(loadedFrom);
  EXPECT_EQ(std::string(lib.begin(), lib.end()), "LIBRARY BYTES");
}

TEST(LoadFailures, FailingChunkLoaders) {
  Project project;
  const fs::path file = project.Build();
  {
    LoadRun run;
    AddChunkLoader(EChunk::ExtensionPackages, [](CStream&) { return false; });
    EXPECT_FALSE(run.Load(file).loaded);
    EXPECT_EQ(run.messages,
              (std::vector<std::string>{"Error in loading extension packages.", "Error: Error in resource data."}));
  }
  {
    LoadRun run;
    AddChunkLoader(EChunk::Fonts, [](CStream&) { return false; });
    EXPECT_FALSE(run.Load(file).loaded);
    EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Error in resource data."});
    ASSERT_FALSE(run.captions.empty());
    EXPECT_EQ(run.captions.back(), "Loading fonts");
  }
}

// --- preparation ------------------------------------------------------------------------------

TEST(Prepare, EachFailingStepShowsItsMessage) {
  Project project;
  const fs::path file = project.Build();
  const std::pair<EPrepareStep, const char*> rows[] = {
      {EPrepareStep::ExtensionPackages, "Failed to prepare extension packages."},
      {EPrepareStep::Constants, "Failed to define the constants."},
      {EPrepareStep::Triggers, "Failed to prepare triggers."},
      {EPrepareStep::Scripts, "Failed to compile the scripts."},
      {EPrepareStep::TimeLines, "Failed to compile the actions in the time lines."},
      {EPrepareStep::Objects, "Failed to compile the actions in the objects."},
      {EPrepareStep::Sounds, "Failed to prepare the sounds."},
  };
  for (const auto& [step, message] : rows) {
    LoadRun run;
    AddPrepareStep(step, [] { return false; });
    run.LoadAndPrepare(file);
    EXPECT_TRUE(run.loaded);
    EXPECT_FALSE(run.prepared) << message;
    EXPECT_EQ(run.messages, std::vector<std::string>{message});
    EXPECT_TRUE(LoadFormState().visible);  // stays up until the runner ends
  }
}

TEST(Prepare, DisplayFailureStopsSoundWithoutMessage) {
  Project project;
  const fs::path file = project.Build();
  LoadRun run;
  std::vector<std::string> order;
  AddPrepareStep(EPrepareStep::Sounds, [&] { return order.emplace_back("sounds"), true; });
  AddPrepareStep(EPrepareStep::Display, [&] { return order.emplace_back("display"), false; });
  AddPrepareStep(EPrepareStep::StopSound, [&] { return order.emplace_back("stop sound"), true; });
  AddPrepareStep(EPrepareStep::InputHandlers, [&] { return order.emplace_back("input"), true; });
  run.LoadAndPrepare(file);
  EXPECT_FALSE(run.prepared);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(order, (std::vector<std::string>{"sounds", "display", "stop sound"}));
}

// --- records gamebuild writes -----------------------------------------------------------------

TEST(ChunkRecords, ConstantsScriptsLibraryInitAndRoomOrder) {
  Project project({{"game.json", R"({"game_id": 9,
      "resources": {"rooms": ["rm_a", null, "rm_b"], "scripts": ["scr_one", null, "scr_two"]},
      "room_order": ["rm_b", "rm_a"], "library_init": ["lib/one.kvs", "lib/two.kvs"],
      "info": {"text": "info.txt", "caption": "About", "color": "#102030", "width": 320}})"},
                   {"scripts/scr_one.kvs", "a = 1;\nb = 2;"},
                   {"scripts/scr_two.kvs", "\xEF\xBB\xBFreturn 3;\r\n"},
                   {"lib/one.kvs", "x = 1;\r"},
                   {"lib/two.kvs", ""},
                   {"info.txt", "Hello"},
                   {"constants.json", R"([["MAX", "8"], ["HALF", "MAX / 2"], ["TITLE", "\"Pyr\u00e1mide\""]])"}});
  LoadRun run;
  std::vector<std::pair<std::string, std::string>> constants;
  std::vector<std::string> scripts;
  std::vector<std::string> libinit;
  std::vector<int32_t> order;
  std::vector<std::string> info;
  AddChunkLoader(EChunk::Constants, [&](CStream& s) {
    EXPECT_EQ(s.ReadInteger(), 800);
    for (int32_t n = s.ReadInteger(); n > 0; --n) {
      std::string name = s.ReadString();
      constants.emplace_back(name, s.ReadString());
    }
    return true;
  });
  AddChunkLoader(EChunk::Scripts, [&](CStream& s) {
    EXPECT_EQ(s.ReadInteger(), 800);
    for (int32_t n = s.ReadInteger(); n > 0; --n) {
      CStream e = s.ReadStreamC();
      if (!e.ReadBoolean()) {
        scripts.emplace_back("(empty)");
        continue;
      }
      std::string name = e.ReadString();
      EXPECT_EQ(e.ReadInteger(), 800);
      scripts.push_back(name + ":" + e.ReadString());
    }
    return true;
  });
  AddChunkLoader(EChunk::GameInfo, [&](CStream& s) {
    EXPECT_EQ(s.ReadInteger(), 800);
    CStream e = s.ReadStreamC();
    info.push_back(std::to_string(e.ReadInteger()));
    e.ReadBoolean();
    info.push_back(e.ReadString());
    e.ReadInteger();
    e.ReadInteger();
    info.push_back(std::to_string(e.ReadInteger()));
    for (int k = 0; k < 5; ++k) e.ReadInteger();
    CStream text = e.ReadStream();
    info.emplace_back(reinterpret_cast<const char*>(text.Data()), static_cast<size_t>(text.GetSize()));
    return true;
  });
  AddChunkLoader(EChunk::LibraryInit, [&](CStream& s) {
    EXPECT_EQ(s.ReadInteger(), 500);
    for (int32_t n = s.ReadInteger(); n > 0; --n) libinit.push_back(s.ReadString());
    return true;
  });
  AddChunkLoader(EChunk::RoomOrder, [&](CStream& s) {
    EXPECT_EQ(s.ReadInteger(), 700);
    for (int32_t n = s.ReadInteger(); n > 0; --n) order.push_back(s.ReadInteger());
    return true;
  });
  ASSERT_TRUE(run.Load(project.Build()).loaded);
  EXPECT_EQ(constants, (std::vector<std::pair<std::string, std::string>>{
                           {"MAX", "8"}, {"HALF", "MAX / 2"}, {"TITLE", "\"Pyr\xC3\xA1mide\""}}));
  EXPECT_EQ(scripts, (std::vector<std::string>{"scr_one:a = 1;\r\nb = 2;", "(empty)", "scr_two:return 3;\r\n"}));
  EXPECT_EQ(libinit, (std::vector<std::string>{"x = 1;\r\n", ""}));
  EXPECT_EQ(order, (std::vector<int32_t>{2, 0}));
  EXPECT_EQ(info, (std::vector<std::string>{std::to_string(0x302010), "About", "320",
                                            gamebuild::PlainTextToRtf("Hello")}));
  EXPECT_EQ(GameId(), 9);
}

// The default loaders skip records by their stored layout: a chunk carrying records still loads
// and leaves the stream where the next chunk starts.
TEST(ChunkRecords, DefaultLoadersSkipWrittenRecords) {
  CStream s;
  s.WriteInteger(700);  // extension packages: one package, one file, one function, one constant
  s.WriteInteger(1);
  s.WriteInteger(700);
  s.WriteString("pkg");
  s.WriteString("folder");
  s.WriteInteger(1);
  s.WriteInteger(700);
  s.WriteString("f.dll");
  s.WriteInteger(1);
  s.WriteString("");
  s.WriteString("");
  s.WriteInteger(1);
  s.WriteInteger(700);
  s.WriteString("fn");
  s.WriteString("");
  for (int k = 0; k < 21; ++k) s.WriteInteger(2);
  s.WriteInteger(1);
  s.WriteInteger(700);
  s.WriteString("C");
  s.WriteString("1");
  CStream data;
  data.WriteInteger(5);
  s.WriteStream(data);
  const int32_t afterPackages = s.GetPosition();
  s.WriteInteger(800);  // triggers: one present, one empty
  s.WriteInteger(2);
  CStream t;
  t.WriteBoolean(true);
  t.WriteInteger(800);
  t.WriteString("trg");
  t.WriteString("x > 1");
  t.WriteInteger(0);
  t.WriteString("tr_x");
  s.WriteStreamC(t);
  CStream empty;
  empty.WriteBoolean(false);
  s.WriteStreamC(empty);
  const int32_t afterTriggers = s.GetPosition();
  s.WriteInteger(800);  // sprites, named framing with one opaque record
  s.WriteInteger(1);
  CStream sprite;
  sprite.WriteBoolean(true);
  sprite.WriteString("spr");
  sprite.WriteInteger(800);
  sprite.WriteInteger(16);
  s.WriteStreamC(sprite);
  const int32_t end = s.GetPosition();

  s.SetPosition(0);
  EXPECT_TRUE(DefaultChunkLoader(EChunk::ExtensionPackages, s));
  EXPECT_EQ(s.GetPosition(), afterPackages);
  EXPECT_TRUE(DefaultChunkLoader(EChunk::Triggers, s));
  EXPECT_EQ(s.GetPosition(), afterTriggers);
  EXPECT_TRUE(DefaultChunkLoader(EChunk::Sprites, s));
  EXPECT_EQ(s.GetPosition(), end);
}

TEST(ChunkRecords, HostileCountsFailWithoutAllocating) {
  for (EChunk chunk : {EChunk::ExtensionPackages, EChunk::Constants, EChunk::Sounds, EChunk::IncludedFiles,
                       EChunk::LibraryInit, EChunk::RoomOrder}) {
    for (int32_t count : {-1, 0x7FFFFFFF}) {
      CStream s;
      s.WriteInteger(chunk == EChunk::ExtensionPackages || chunk == EChunk::RoomOrder ? 700
                     : chunk == EChunk::LibraryInit                                  ? 500
                                                                                     : 800);
      s.WriteInteger(count);
      s.WriteInteger(0);
      s.SetPosition(0);
      bool ok = true;
      try {
        ok = DefaultChunkLoader(chunk, s);
      } catch (const StreamError&) {
        ok = false;
      }
      EXPECT_FALSE(ok) << static_cast<int>(chunk) << " count " << count;
    }
  }
}

// --- included files ---------------------------------------------------------------------------

class CurrentDir {
 public:
  explicit CurrentDir(const fs::path& p) : old_(fs::current_path()) { fs::current_path(p); }
  ~CurrentDir() { fs::current_path(old_); }

 private:
  fs::path old_;
};

TEST(IncludedFiles, ExportedToEachPlaceAndRemovedAtTheEnd) {
  ScratchDir game;
  ScratchDir target;
  const std::string dirJson = target.path().string() + "/sub";
  Project project({{"game.json", GameJson()},
                   {"data/a.txt", "to temp"},
                   {"data/b.txt", "to game"},
                   {"data/c.txt", "to dir"},
                   {"data/d.txt", "kept"},
                   {"included.json", R"([
      {"name": "a.txt", "source": "data/a.txt", "export": "temp"},
      {"name": "b.txt", "source": "data/b.txt", "export": "game", "free_after_export": false},
      {"name": "c.txt", "source": "data/c.txt", "export": "dir", "export_dir": ")" +
                                         dirJson + R"("},
      {"name": "d.txt", "source": "data/d.txt", "export": "game", "remove_at_end": false},
      {"name": "e.txt", "export": "none"}])"}});
  const fs::path file = project.Build();
  CurrentDir cd(game.path());
  LoadRun run;
  run.LoadAndPrepare(file);
  ASSERT_TRUE(run.prepared);
  ASSERT_EQ(DataFile_Count(), 5);
  auto text = [](const fs::path& p) {
    auto b = ReadBytes(p);
    return std::string(b.begin(), b.end());
  };
  EXPECT_EQ(text(GetTempDirectory() + "/a.txt"), "to temp");
  EXPECT_EQ(text(game.path() / "b.txt"), "to game");
  EXPECT_EQ(text(target.path() / "sub/c.txt"), "to dir");
  EXPECT_EQ(text(game.path() / "d.txt"), "kept");
  EXPECT_FALSE(DataFile_Get(0)->s_exists);  // content freed after export
  EXPECT_TRUE(DataFile_Get(1)->s_exists);
  EXPECT_EQ(DataFile_Find("c.txt"), 2);
  EXPECT_EQ(DataFile_Find("C.txt"), -1);

  DataFile_RemoveAll();
  EXPECT_FALSE(fs::exists(GetTempDirectory() + "/a.txt"));
  EXPECT_FALSE(fs::exists(game.path() / "b.txt"));
  EXPECT_FALSE(fs::exists(target.path() / "sub/c.txt"));
  EXPECT_TRUE(fs::exists(game.path() / "d.txt"));
  EXPECT_TRUE(run.messages.empty());
}

// --- FileHasGameData --------------------------------------------------------------------------

TEST(FileHasGameData, FindsBuiltDataOnly) {
  Project project;
  EXPECT_TRUE(FileHasGameData(project.Build().string()));
  ScratchDir dir;
  auto bytes = project.BuildBytes();
  PutInt(bytes, kDataStart + 16, 811);
  WriteBytes(dir.path() / "wrong", bytes);
  EXPECT_FALSE(FileHasGameData((dir.path() / "wrong").string()));
  WriteBytes(dir.path() / "short", std::vector<uint8_t>(100, 0));
  EXPECT_FALSE(FileHasGameData((dir.path() / "short").string()));
  EXPECT_FALSE(FileHasGameData((dir.path() / "missing").string()));
  EXPECT_FALSE(FileHasGameData(TEST_BINARY_DIR "/bin/runner"));
}

TEST(FileHasGameData, SignatureAtTheSearchStartAndLater) {
  Project project;
  const auto first = project.BuildBytes();
  EXPECT_EQ(FindGameDataSignature(first.data(), first.size()), kDataStart);
  EXPECT_EQ(first[kDataStart + 16], 810 & 0xFF);  // stored unchanged: -1 div 4 is 0
  EXPECT_EQ(first[kDataStart + 17], 810 >> 8);
  const gamebuild::RProject p = gamebuild::ReadProject(project.path());
  const std::vector<uint8_t> runner(static_cast<size_t>(kDataStart) + 5, 0x22);
  const auto bytes = gamebuild::WriteGameFile(p, runner, 3);
  ASSERT_EQ(FindGameDataSignature(bytes.data(), bytes.size()), kDataStart + 5);
  // 810 xor ((S - 3800005) div 4) with S = 3800009.
  EXPECT_EQ(bytes[kDataStart + 5 + 16], (810 ^ 1) & 0xFF);
  ScratchDir dir;
  WriteBytes(dir.path() / "later", bytes);
  EXPECT_TRUE(FileHasGameData((dir.path() / "later").string()));
  LoadRun run;
  EXPECT_TRUE(run.Load(dir.path() / "later").loaded);
}

// Loading reads the game file from its signature on and searches for it in blocks: the data must
// load wherever the runner's image ends, across a block's edge too, from a file and from memory
// alike (the key of the version word comes from the signature's place in the whole file).
TEST(FileHasGameData, DataAfterARunnerImageOfAnyLength) {
  Project project;
  const gamebuild::RProject p = gamebuild::ReadProject(project.path());
  ScratchDir dir;
  for (const size_t extra : {size_t{1}, size_t{65536} - 5, size_t{65536} - 4, size_t{65536}, size_t{200001}}) {
    const std::vector<uint8_t> runner(static_cast<size_t>(kDataStart) + extra, 0x22);
    const auto bytes = gamebuild::WriteGameFile(p, runner, 3);
    ASSERT_EQ(FindGameDataSignature(bytes.data(), bytes.size()), static_cast<int64_t>(runner.size()));
    const fs::path file = dir.path() / ("after_" + std::to_string(extra));
    WriteBytes(file, bytes);
    LoadRun run;
    EXPECT_TRUE(run.Load(file).loaded) << extra;
    EXPECT_TRUE(run.messages.empty()) << extra;
    CStream memory(bytes);
    EXPECT_TRUE(LoadGameData(memory)) << extra;
  }
}

}  // namespace
