// gamebuild on its own: project faults name their file and key and leave no output; builds are
// reproducible; the signature lands where the runner's search finds it first.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <functional>

#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;
using gamebuild::ProjectError;

namespace {

struct FaultCase {
  const char* what;
  std::map<std::string, std::string> files;
  const char* file;
  const char* key;
  const char* message;  // a part of the message
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.what; }

class ProjectFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ProjectFaults, NameFileAndKeyAndLeaveNoOutput) {
  const FaultCase& c = GetParam();
  Project project(c.files);
  ScratchDir outDir;
  gamebuild::BuildOptions o;
  o.project = project.path();
  o.output = outDir.path() / "game.out";
  o.dataOnly = true;
  try {
    gamebuild::BuildGame(o);
    FAIL() << "no error for " << c.what;
  } catch (const ProjectError& e) {
    EXPECT_EQ(e.File(), c.file);
    EXPECT_EQ(e.Key(), c.key);
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
  }
  EXPECT_TRUE(fs::is_empty(outDir.path()));
}

const std::string kScripts = R"("resources": {"rooms": ["rm_main"], "scripts": ["scr_a", "scr_b"]})";

std::string WithResources(const std::string& resources) {
  return R"({"game_id": 1, "room_order": ["rm_main"], "resources": {"rooms": ["rm_main"], )" + resources + "}}";
}

// A PNG file that is only its signature and a header claiming 16384 x 16384 pixels: 1 GiB,
// were it decoded.
std::string HugePng() {
  auto put32 = [](std::string& s, uint32_t x) {
    for (int k = 24; k >= 0; k -= 8) s += static_cast<char>(x >> k);
  };
  std::string body = "IHDR";
  put32(body, 16384);
  put32(body, 16384);
  body += std::string("\x08\x06\x00\x00\x00", 5);
  std::string png = "\x89PNG\r\n\x1a\n";
  put32(png, 13);
  png += body;
  put32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
  return png;
}

std::string SmallPng() {
  const std::vector<uint8_t> b = TBitmap32(2, 2, 0xFF112233).SaveToPNG();
  return std::string(b.begin(), b.end());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProjectFaults,
    ::testing::Values(
        FaultCase{"no game.json", {{"readme.txt", "x"}}, "game.json", "", "file not found"},
        FaultCase{"bad JSON", {{"game.json", "{\"game_id\": 1,\n \"room_order\": [}"}}, "game.json", "", "bad JSON"},
        FaultCase{"missing script file",
                  {{"game.json", R"({"game_id": 1, "room_order": ["rm_main"],)" + kScripts + "}"},
                   {"scripts/scr_a.kvs", "x = 1;"}},
                  "game.json", "resources.scripts[1]", "file not found: scripts/scr_b.kvs"},
        FaultCase{"duplicate script",
                  {{"game.json", R"({"game_id": 1, "room_order": ["rm_main"], "resources": {"rooms": ["rm_main"], "scripts": ["scr_a", null, "scr_a"]}})"},
                   {"scripts/scr_a.kvs", ""}},
                  "game.json", "resources.scripts[2]", "duplicate name \"scr_a\""},
        FaultCase{"duplicate constant",
                  {{"game.json", GameJson()}, {"constants.json", R"([["A", "1"], ["B", "2"], ["A", "3"]])"}},
                  "constants.json", "[2][0]", "duplicate name \"A\""},
        FaultCase{"unknown room", {{"game.json", GameJson().replace(GameJson().rfind("rm_main"), 7, "rm_nope")}},
                  "game.json", "room_order[0]", "unknown room \"rm_nope\""},
        FaultCase{"unknown key", {{"game.json", GameJson(R"("settings": {"fulscreen": true})")}}, "game.json",
                  "settings.fulscreen", "unknown key"},
        FaultCase{"unlisted script file", {{"game.json", GameJson()}, {"scripts/stray.kvs", ""}}, "scripts/stray.kvs",
                  "", "not listed"},
        FaultCase{"missing included source",
                  {{"game.json", GameJson()}, {"included.json", R"([{"name": "a.txt", "source": "included/a.txt"}])"}},
                  "included.json", "[0].source", "file not found: included/a.txt"},
        FaultCase{"included name leaving its folder",
                  {{"game.json", GameJson()}, {"included.json", R"([{"name": "../a.txt"}])"}}, "included.json",
                  "[0].name", "without \"..\""},
        FaultCase{"empty room order", {{"game.json", R"({"game_id": 1, "room_order": []})"}}, "game.json",
                  "room_order", "at least one room"},
        FaultCase{"duplicate key", {{"game.json", GameJson(R"("settings": {"scale": 1, "vsync": true, "scale": 2})")}},
                  "game.json", "scale", "duplicate key"},
        FaultCase{"not a PNG",
                  {{"game.json", GameJson(R"("loading": {"image": "img.png"})")}, {"img.png", "GIF89a"}},
                  "game.json", "loading.image", "not a readable PNG file: img.png"},
        FaultCase{"progress image without the bar",
                  {{"game.json", GameJson(R"("loading": {"progress_back": "img.png"})")}, {"img.png", ""}},
                  "game.json", "loading.progress_back", "only when show_progress is true"},
        FaultCase{"bad colour", {{"game.json", GameJson(R"("settings": {"windowcolor": "#12345"})")}}, "game.json",
                  "settings.windowcolor", "colour"},
        // Files outside the project never reach a game, and each refusal names file and key.
        FaultCase{"absolute included source",
                  {{"game.json", GameJson()}, {"included.json", R"([{"name": "a.txt", "source": "/etc/passwd"}])"}},
                  "included.json", "[0].source", "an absolute path"},
        FaultCase{"library file above the project",
                  {{"game.json", GameJson(R"("library": {"file": "../../lib.bin"})")}}, "game.json", "library.file",
                  "leads outside the project folder: ../../lib.bin"},
        FaultCase{"game information through ..",
                  {{"game.json", GameJson(R"("info": {"text": "docs/../../info.txt"})")}, {"docs/x", ""}},
                  "game.json", "info.text", "leads outside the project folder"},
        FaultCase{"initialisation code from an absolute path",
                  {{"game.json", GameJson(R"("library_init": ["/etc/hostname"])")}}, "game.json", "library_init[0]",
                  "an absolute path"},
        // What is wrong with a file, rather than "not found".
        FaultCase{"folder as a file",
                  {{"game.json", GameJson()},
                   {"included.json", R"([{"name": "a.txt", "source": "included"}])"},
                   {"included/x", ""}},
                  "included.json", "[0].source", "a folder, not a file: included"},
        // An image too large for a game is refused from its header, naming the resource and frame.
        FaultCase{"huge sprite frame",
                  {{"game.json", WithResources(R"("sprites": ["spr_big"])")},
                   {"sprites/spr_big.json", R"({"frames": ["small.png", "big.png"]})"},
                   {"sprites/small.png", SmallPng()},
                   {"sprites/big.png", HugePng()}},
                  "sprites/spr_big.json", "frames[1]",
                  "big.png is 16384 x 16384 pixels: the images together are larger than a game can hold (1 GiB)"},
        FaultCase{"huge sprite strip",
                  {{"game.json", WithResources(R"("sprites": ["spr_big"])")},
                   {"sprites/spr_big.json", R"({"strip": "big.png", "count": 4})"},
                   {"sprites/big.png", HugePng()}},
                  "sprites/spr_big.json", "strip", "big.png is 16384 x 16384 pixels"},
        FaultCase{"huge background",
                  {{"game.json", WithResources(R"("backgrounds": ["bg_big"])")}, {"backgrounds/bg_big.png", HugePng()}},
                  "backgrounds/bg_big.png", "", "bg_big.png is 16384 x 16384 pixels"},
        FaultCase{"huge font atlas",
                  {{"game.json", WithResources(R"("fonts": ["fnt_big"])")},
                   {"fonts/fnt_big.json",
                    R"({"font": "Pixel", "first": 65, "last": 65, "atlas": "big.png", "glyphs": {"65": [0, 0, 1, 1, 1, 0]}})"},
                   {"fonts/big.png", HugePng()}},
                  "fonts/fnt_big.json", "atlas", "big.png is 16384 x 16384 pixels"},
        FaultCase{"huge loading image",
                  {{"game.json", GameJson(R"("loading": {"image": "img.png"})")}, {"img.png", HugePng()}}, "game.json",
                  "loading.image", "img.png is 16384 x 16384 pixels"},
        FaultCase{"number too large for JSON", {{"game.json", R"({"game_id": 1e400, "room_order": []})"}}, "game.json",
                  "", "bad JSON: number overflow"}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(GameBuild, FailedBuildKeepsEarlierOutput) {
  Project good;
  const fs::path out = good.Build();
  const auto before = ReadBytes(out);
  Project bad(std::map<std::string, std::string>{{"game.json", "{"}});
  gamebuild::BuildOptions o;
  o.project = bad.path();
  o.output = out;
  o.dataOnly = true;
  EXPECT_THROW(gamebuild::BuildGame(o), ProjectError);
  EXPECT_EQ(ReadBytes(out), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(out.parent_path()), fs::directory_iterator()), 1);
}

TEST(GameBuild, SameProjectAndSeedGiveSameBytes) {
  Project project({{"game.json", GameJson(R"("library_init": ["init.kvs"])")},
                   {"init.kvs", "a = 1;\n"},
                   {"constants.json", R"([["N", "3"]])"}});
  const auto a = project.BuildBytes(7);
  EXPECT_EQ(a, project.BuildBytes(7));
  EXPECT_NE(a, project.BuildBytes(8));
  // The file written through BuildGame is the same as the bytes.
  EXPECT_EQ(ReadBytes(project.Build(7)), a);
}

TEST(GameBuild, StandaloneFileStartsWithTheRunnerAndIsExecutable) {
  Project project;
  ScratchDir dir;
  const std::vector<uint8_t> runner(1000, 0x90);
  WriteBytes(dir.path() / "runner", runner);
  gamebuild::BuildOptions o;
  o.project = project.path();
  o.output = dir.path() / "game";
  o.runner = dir.path() / "runner";
  gamebuild::BuildGame(o);
  const auto bytes = ReadBytes(o.output);
  ASSERT_GT(bytes.size(), size_t(kSignatureSearchStart));
  EXPECT_TRUE(std::equal(runner.begin(), runner.end(), bytes.begin()));
  EXPECT_TRUE(std::all_of(bytes.begin() + 1000, bytes.begin() + kSignatureSearchStart, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(FindGameDataSignature(bytes.data(), bytes.size()), kSignatureSearchStart);
  EXPECT_NE(fs::status(o.output).permissions() & fs::perms::owner_exec, fs::perms::none);

  o.runner = dir.path() / "no-such-runner";
  o.output = dir.path() / "other";
  EXPECT_THROW(gamebuild::BuildGame(o), gamebuild::BuildError);
  EXPECT_FALSE(fs::exists(o.output));
}

// A runner image longer than the search start: the data follows it directly, unless the
// runner's own bytes hold a signature, which the runner's search would take first.
TEST(GameBuild, RunnerLongerThanTheSearchStart) {
  Project project;
  const gamebuild::RProject p = gamebuild::ReadProject(project.path());
  std::vector<uint8_t> runner(static_cast<size_t>(kSignatureSearchStart) + 5000, 0x11);
  const auto bytes = gamebuild::WriteGameFile(p, runner, 1);
  EXPECT_EQ(FindGameDataSignature(bytes.data(), bytes.size()), static_cast<int64_t>(runner.size()));
  EXPECT_TRUE(std::equal(runner.begin(), runner.end(), bytes.begin()));

  const uint8_t lookalike[7] = {1, 0x00, 2, 0xF7, 0x67, 3, 0x14};  // the eighth byte is free
  for (size_t at : {size_t(kSignatureSearchStart) + 10, runner.size() - 7}) {
    std::vector<uint8_t> bad = runner;
    std::copy(std::begin(lookalike), std::end(lookalike), bad.begin() + static_cast<std::ptrdiff_t>(at));
    try {
      gamebuild::WriteGameFile(p, bad, 1);
      ADD_FAILURE() << "no error for a signature at " << at;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("signature at offset " + std::to_string(at)), std::string::npos) << e.what();
    }
  }
}

TEST(GameBuild, PlainTextInfoBecomesRtf) {
  EXPECT_EQ(gamebuild::PlainTextToRtf("a{b}\\\nc\xC3\xA9\xF0\x9F\x98\x80"),
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 a\\{b\\}\\\\\\par\nc\\u233?\\u-10179?\\u-8704?}");
}

}  // namespace

namespace {

// The command itself on the example project: a standalone file and a data-only file, both loadable.
TEST(GameBuildCommand, BuildsTheMinimalExample) {
  ScratchDir dir;
  const std::string gamebuild = TEST_BINARY_DIR "/bin/gamebuild";
  const std::string project = TEST_SOURCE_DIR "/examples/minimal";
  const fs::path standalone = dir.path() / "minimal";
  const fs::path data = dir.path() / "minimal.game";
  ASSERT_EQ(std::system((gamebuild + " " + project + " -o " + standalone.string()).c_str()), 0);
  ASSERT_EQ(std::system((gamebuild + " " + project + " -o " + data.string() + " --data-only").c_str()), 0);
  const auto runner = ReadBytes(TEST_BINARY_DIR "/bin/runner");
  const auto bytes = ReadBytes(standalone);
  EXPECT_TRUE(std::equal(runner.begin(), runner.end(), bytes.begin()));
  EXPECT_EQ(ReadBytes(data).size() + runner.size() - std::min(runner.size(), size_t(kSignatureSearchStart)),
            bytes.size());
  for (const fs::path& file : {standalone, data}) {
    EXPECT_TRUE(FileHasGameData(file.string()));
    LoadRun run;
    run.LoadAndPrepare(file);
    EXPECT_TRUE(run.prepared) << file;
    EXPECT_EQ(ApplicationTitle(), "minimal");
  }
}

TEST(GameBuildCommand, ExitStatusAndMessages) {
  ScratchDir dir;
  const std::string gamebuild = TEST_BINARY_DIR "/bin/gamebuild";
  WriteText(dir.path() / "p/game.json", "{\"game_id\": 1, \"room_order\": [\"nope\"]}");
  const std::string err = (dir.path() / "err.txt").string();
  const int status =
      std::system((gamebuild + " " + (dir.path() / "p").string() + " -o " + (dir.path() / "out").string() +
                   " --data-only 2>" + err)
                      .c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const auto text = ReadBytes(err);
  EXPECT_NE(std::string(text.begin(), text.end()).find("p/game.json: room_order[0]: unknown room \"nope\""),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir.path() / "out"));
  EXPECT_EQ(WEXITSTATUS(std::system((gamebuild + " --seed x 2>/dev/null").c_str())), 2);
  for (const char* seed : {"4294967296", "18446744073709551616", "-1"})
    EXPECT_EQ(WEXITSTATUS(std::system((gamebuild + " p -o out --seed " + seed + " 2>/dev/null").c_str())), 2) << seed;
}

std::string Text(const fs::path& p) {
  const auto bytes = ReadBytes(p);
  return std::string(bytes.begin(), bytes.end());
}

// Inputs gamebuild must not wait on or read through: a FIFO where a file is named, a symbolic
// link that leads out of the project. Neither hangs nor copies anything.
TEST(GameBuild, FifoAndLinksOutAreRefused) {
  ScratchDir outside;
  WriteText(outside.path() / "secret.txt", "someone's");
  struct Row {
    const char* what;
    std::function<void(const fs::path&)> make;
    const char* message;
  };
  const Row rows[] = {
      {"fifo", [](const fs::path& p) { ASSERT_EQ(mkfifo((p / "included/a.txt").c_str(), 0600), 0); },
       "not a regular file: included/a.txt"},
      {"file link out",
       [&](const fs::path& p) { fs::create_symlink(outside.path() / "secret.txt", p / "included/a.txt"); },
       "leads outside the project folder: included/a.txt"},
      {"folder link out",
       [&](const fs::path& p) {
         fs::remove(p / "included/keep");
         fs::remove(p / "included");
         fs::create_directory_symlink(outside.path(), p / "included");
         fs::rename(outside.path() / "secret.txt", outside.path() / "a.txt");
       },
       "leads outside the project folder: included/a.txt"},
  };
  for (const Row& r : rows) {
    Project project({{"game.json", GameJson()},
                     {"included.json", R"([{"name": "a.txt", "source": "included/a.txt"}])"},
                     {"included/keep", ""}});
    r.make(project.path());
    ScratchDir outDir;
    gamebuild::BuildOptions o;
    o.project = project.path();
    o.output = outDir.path() / "game.out";
    o.dataOnly = true;
    try {
      gamebuild::BuildGame(o);
      ADD_FAILURE() << r.what << ": built";
    } catch (const ProjectError& e) {
      EXPECT_EQ(e.File(), "included.json") << r.what;
      EXPECT_EQ(e.Key(), "[0].source") << r.what;
      EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos) << r.what << ": " << e.what();
    }
    EXPECT_TRUE(fs::is_empty(outDir.path())) << r.what;
  }
}

// The project's own JSON files obey the same rule as the files they name: a resource file, or a
// resource folder, linked from elsewhere is refused with its name, and nothing of it is read.
TEST(GameBuild, ResourceFilesLinkedFromOutsideAreRefused) {
  ScratchDir outside;
  WriteText(outside.path() / "obj_a.json", R"({"events": {"create": "x = 1;"}})");
  WriteText(outside.path() / "rooms/rm_main.json", "{}");
  struct Row {
    const char* what;
    std::function<void(const fs::path&)> make;
    const char* file;
  };
  const Row rows[] = {
      {"object file",
       [&](const fs::path& p) {
         fs::remove(p / "objects/obj_a.json");
         fs::create_symlink(outside.path() / "obj_a.json", p / "objects/obj_a.json");
       },
       "objects/obj_a.json"},
      {"rooms folder",
       [&](const fs::path& p) {
         fs::remove_all(p / "rooms");
         fs::create_directory_symlink(outside.path() / "rooms", p / "rooms");
       },
       "rooms/rm_main.json"},
  };
  for (const Row& r : rows) {
    Project project({{"game.json", R"({"game_id": 3, "resources": {"objects": ["obj_a"], "rooms": ["rm_main"]},
                                       "room_order": ["rm_main"]})"},
                     {"objects/obj_a.json", "{}"}});
    r.make(project.path());
    try {
      project.BuildBytes();
      ADD_FAILURE() << r.what << ": built";
    } catch (const ProjectError& e) {
      EXPECT_EQ(e.File(), r.file) << r.what;
      EXPECT_NE(std::string(e.what()).find("leads outside the project folder"), std::string::npos) << r.what << ": " << e.what();
    }
  }
}

// An output gamebuild would destroy: a device, a FIFO, a folder, the runner, a file of the
// project. Each is refused before anything is built, and stays as it was.
TEST(GameBuild, OutputsThatWouldDestroySomethingAreRefused) {
  Project project;
  ScratchDir dir;
  ASSERT_EQ(mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
  fs::create_directory(dir.path() / "folder");
  WriteText(dir.path() / "runner", "runner bytes");
  fs::create_symlink(dir.path() / "runner", dir.path() / "link");
  struct Row {
    fs::path output;
    bool dataOnly;
    const char* message;
  };
  const Row rows[] = {
      {"/dev/null", true, "not a regular file"},
      {dir.path() / "fifo", true, "not a regular file"},
      {dir.path() / "folder", true, "not a regular file"},
      {dir.path() / "link", true, "not a regular file"},
      {dir.path() / "runner", false, "is the runner"},
      {project.path() / "game.json", true, "inside the project folder"},
      {project.path() / "new.game", true, "inside the project folder"},
  };
  const std::string gameJson = Text(project.path() / "game.json");
  for (const Row& r : rows) {
    gamebuild::BuildOptions o;
    o.project = project.path();
    o.output = r.output;
    o.dataOnly = r.dataOnly;
    o.runner = dir.path() / "runner";
    try {
      gamebuild::BuildGame(o);
      ADD_FAILURE() << r.output << ": built";
    } catch (const gamebuild::BuildError& e) {
      EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos) << r.output << ": " << e.what();
    }
  }
  struct stat st;
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_TRUE(fs::is_fifo(dir.path() / "fifo"));
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link"));
  EXPECT_EQ(Text(dir.path() / "runner"), "runner bytes");
  EXPECT_EQ(Text(project.path() / "game.json"), gameJson);
  EXPECT_FALSE(fs::exists(project.path() / "new.game"));
}

}  // namespace

namespace {

// The runner program on built files: a clean end, the one-line end of damaged data, and a
// load failure with its message (message boxes go to standard error when headless).
TEST(GameBuildCommand, RunnerRunsBuiltGames) {
  ScratchDir dir;
  const std::string gamebuild = TEST_BINARY_DIR "/bin/gamebuild";
  const fs::path game = dir.path() / "minimal";
  ASSERT_EQ(std::system((gamebuild + " " TEST_SOURCE_DIR "/examples/minimal -o " + game.string()).c_str()), 0);
  auto run = [&](const std::string& command, std::string& err) {
    const fs::path errFile = dir.path() / "stderr.txt";
    const int status = std::system(("cd " + dir.path().string() + " && RUNNER_TEST_MODE=1 RUNNER_TEST_STEPS=2 SDL_VIDEODRIVER=offscreen " + command + " 2>" +
                                    errFile.string() + " >/dev/null")
                                       .c_str());
    const auto text = ReadBytes(errFile);
    err.assign(text.begin(), text.end());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  std::string err;
  EXPECT_EQ(run(game.string(), err), 0) << err;

  auto bytes = ReadBytes(game);
  const int64_t s = FindGameDataSignature(bytes.data(), bytes.size());
  ASSERT_GT(s, 0);
  auto damaged = bytes;
  damaged[static_cast<size_t>(s) + 20 + (bytes.size() - static_cast<size_t>(s) - 20) / 2] ^= 0x40;
  WriteBytes(dir.path() / "damaged", damaged);
  fs::permissions(dir.path() / "damaged", fs::perms::owner_all);
  EXPECT_EQ(run((dir.path() / "damaged").string(), err), kExitDamagedData);
  EXPECT_EQ(err, "runner: the game file \"" + (dir.path() / "damaged").string() + "\" is damaged (its data fails the checksum)\n");

  // Data only, with a wrong version word, given to the runner by name.
  const fs::path data = dir.path() / "wrong.game";
  ASSERT_EQ(std::system((gamebuild + " " TEST_SOURCE_DIR "/examples/minimal --data-only -o " + data.string()).c_str()), 0);
  auto wrong = ReadBytes(data);
  wrong[static_cast<size_t>(kSignatureSearchStart) + 16] ^= 0x10;
  WriteBytes(data, wrong);
  EXPECT_EQ(run(std::string(TEST_BINARY_DIR "/bin/runner ") + data.string(), err), 1);
  EXPECT_NE(err.find("Error: Wrong version number."), std::string::npos) << err;
}

}  // namespace
