// Damaged game data that still passes the checksum: every load ends in success, a message or a
// StreamError, never in a crash, a hang or another exception (the sanitizers watch memory).
#include <gtest/gtest.h>

#include <random>

#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

// Loads the file; returns how it ended.
std::string Outcome(const fs::path& file) {
  LoadRun run;
  try {
    run.Load(file);
  } catch (const StreamError&) {
    return "stream error";
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
  if (run.loaded) return run.messages.empty() ? "loaded" : "loaded with messages";
  return run.messages.empty() ? "failed without message" : "message";
}

TEST(HostileLoad, DamagedRegionsEndInAMessageOrAStreamError) {
  // A bit of every record gamebuild writes today, and the three loading pictures.
  const gamebuild::RProject base = [] {
    Project plain({{"game.json", GameJson(R"("library_init": ["init.kvs"], "info": {"text": "info.txt"})")},
                   {"init.kvs", "x = 2;"},
                   {"info.txt", "About"},
                   {"constants.json", R"([["A", "1"]])"},
                   {"data/f.txt", "included"},
                   {"included.json", R"([{"name": "f.txt", "source": "data/f.txt", "export": "none"}])"}});
    gamebuild::RProject p = gamebuild::ReadProject(plain.path());
    p.scripts.push_back(gamebuild::RScriptSource{"scr_a", "return 1;"});
    p.settings.opt_showprogress = true;
    p.settings.opt_progressback = std::make_shared<TBitmap32>(8, 2, 0xFF0000FFu);
    p.settings.opt_progressfront = std::make_shared<TBitmap32>(8, 2, 0xFF00FF00u);
    p.settings.opt_loadimage = std::make_shared<TBitmap32>(4, 3, 0xFF336699u);
    return p;
  }();
  const std::vector<uint8_t> good = gamebuild::WriteGameFile(base, {}, 5);
  const size_t regionSize = good.size() - static_cast<size_t>(kDataStart) - 20;

  ScratchDir dir;
  const fs::path file = dir.path() / "hostile.game";
  std::mt19937 gen(12345);
  std::map<std::string, int> outcomes;
  auto check = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
    WriteBytes(file, bytes);
    const std::string outcome = Outcome(file);
    ++outcomes[outcome];
    EXPECT_EQ(outcome.find("unexpected"), std::string::npos) << what << ": " << outcome;
    EXPECT_NE(outcome, "failed without message") << what;
  };
  check(Rewrap(good, [](auto&) {}), "unchanged");
  ASSERT_EQ(outcomes["loaded"], 1);

  for (size_t cut = 0; cut < regionSize; cut += std::max<size_t>(1, regionSize / 40))
    check(Rewrap(good, [cut](auto& r) { r.resize(cut); }), "cut at " + std::to_string(cut));

  const int32_t extremes[] = {0, -1, 1, 0x7FFFFFFF, INT32_MIN, 0x40000000, 255};
  for (int i = 0; i < 120; ++i) {
    const size_t at = gen() % regionSize;
    const uint32_t kind = gen() % 3;
    const uint32_t value = gen();
    check(Rewrap(good,
                 [&](auto& r) {
                   if (kind == 0 || at + 4 > r.size()) {
                     r[at] = static_cast<uint8_t>(value);
                   } else {
                     const int32_t v = kind == 1 ? extremes[value % std::size(extremes)] : static_cast<int32_t>(value);
                     for (size_t k = 0; k < 4; ++k) r[at + k] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
                   }
                 }),
          "change " + std::to_string(i) + " at " + std::to_string(at));
  }
  // Most changes are caught; the run must have seen both kinds of ending.
  EXPECT_GT(outcomes["stream error"], 0);
  EXPECT_GT(outcomes["message"], 0);
}

TEST(HostileLoad, LibraryNameCannotLeaveTheTemporaryDirectory) {
  Project project;
  for (const char* name : {"../escaped.dll", "/tmp/escaped.dll", "sub/D3DX8.dll", ""}) {
    gamebuild::RProject p = gamebuild::ReadProject(project.path());
    p.libraryName = name;
    ScratchDir dir;
    WriteBytes(dir.path() / "g.game", gamebuild::WriteGameFile(p, {}, 1));
    LoadRun run;
    EXPECT_THROW(run.Load(dir.path() / "g.game"), StreamError) << name;
    EXPECT_FALSE(fs::exists(fs::path(GetTempDirectory()).parent_path() / "escaped.dll"));
  }
}

}  // namespace
