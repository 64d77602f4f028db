// Compiling past the first fault, as an author's check does. Every case of the compiler's table
// comes out the same as a game compiles it (the same tree, or the game's fault among those
// found); the faults/*.kvs files hold codes with several faults and every fault expected.
// KVS_UPDATE=1 rewrites the expected files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runner/code/Code_Check.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Main.h"
#include "tests/runner/code/CaseFile.h"
#include "tests/runner/code/TestContext.h"

namespace fs = std::filesystem;

namespace {
fs::path CodeTests() { return fs::path(TEST_SOURCE_DIR) / "tests/runner/code"; }

// "line N @P: message" for each fault; the case files are ASCII, so a position is a byte.
std::string FaultList(const Case& c) {
  CCode code(c.text, c.expr);
  std::string out;
  for (const RCodeError& e : CompileEveryFault(code)) {
    const size_t before = std::min(c.text.size(), static_cast<size_t>(e.position > 0 ? e.position - 1 : 0));
    const auto line = 1 + std::count(c.text.begin(), c.text.begin() + static_cast<std::ptrdiff_t>(before), '\n');
    out += "line " + std::to_string(line) + " @" + std::to_string(e.position) + ": " + e.text + "\n";
  }
  return out.empty() ? "no fault\n" : out;
}

TEST(CodeFaults, EveryCaseOfTheCompilerTableComesOutAsAGameCompilesIt) {
  ScopedTestContext scope;
  const auto files = CaseFilesIn(CodeTests() / "cases");
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files)
    for (const Case& c : SplitCases(ReadCaseFile(file))) {
      SCOPED_TRACE(file.filename().string() + ": " + c.header);
      CCode game(c.text, c.expr);
      const bool compiled = game.Compile();
      const RCodeError first = CodeError();
      CCode checked(c.text, c.expr);
      const std::vector<RCodeError> faults = CompileEveryFault(checked);
      EXPECT_FALSE(CodeError().pending);
      if (compiled) {
        EXPECT_TRUE(faults.empty()) << faults.front().text;
        ASSERT_TRUE(checked.i_compiled);
        EXPECT_EQ(checked.i_kind, game.i_kind);
        EXPECT_EQ(checked.i_Args, game.i_Args);
        EXPECT_EQ(DumpTree(checked.i_token, &scope.ctx), DumpTree(game.i_token, &scope.ctx));
        continue;
      }
      EXPECT_FALSE(checked.i_compiled);
      bool found = false;
      for (const RCodeError& f : faults) found |= f.position == first.position && f.text == first.text;
      EXPECT_TRUE(found) << "the game's fault @" << first.position << " " << first.text << " is missing";
    }
}

TEST(CodeFaults, EveryFaultOfEachFaultCaseIsListed) {
  ScopedTestContext scope;
  const auto files = CaseFilesIn(CodeTests() / "faults");
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    std::string actual;
    for (const Case& c : SplitCases(ReadCaseFile(file))) actual += "#--- " + c.header + "\n" + FaultList(c);
    CheckExpectedOutput(file, actual, "Faults found in");
  }
}

// Codes of the case files with a few characters dropped, doubled or put in: each compiles the
// same both ways, or the game's fault is among those the check finds, in order of place.
TEST(CodeFaults, DamagedCodesComeOutAsAGameCompilesThem) {
  ScopedTestContext scope;
  std::vector<Case> originals;
  for (const char* dir : {"cases", "faults"})
    for (const fs::path& file : CaseFilesIn(CodeTests() / dir))
      for (const Case& c : SplitCases(ReadCaseFile(file))) originals.push_back(c);
  ASSERT_FALSE(originals.empty());
  constexpr std::string_view kPieces[] = {"(", ")", "{", "}", ";", ",", "[", "]", "+", "=", "\n", " ", "@",
                                          "\"", "if ", "else ", "var ", "for ", "do ", "until ", "case ", "."};
  std::mt19937 random(40);
  int compiled = 0, failed = 0;
  for (int round = 0; round < 3; ++round)
    for (const Case& original : originals) {
      std::string text = original.text;
      for (int change = random() % 3 + 1; change > 0; --change) {
        const size_t at = text.empty() ? 0 : random() % (text.size() + 1);
        switch (random() % 3) {
          case 0:
            if (at < text.size()) text.erase(at, 1 + random() % 3);
            break;
          case 1:
            if (at < text.size()) text.insert(at, text.substr(at, 1 + random() % 4));
            break;
          default: text.insert(at, kPieces[random() % std::size(kPieces)]);
        }
      }
      SCOPED_TRACE(text);
      CCode game(text, original.expr);
      const bool ok = game.Compile();
      const RCodeError first = CodeError();
      CCode checked(text, original.expr);
      const std::vector<RCodeError> faults = CompileEveryFault(checked);
      ASSERT_FALSE(CodeError().pending);
      if (ok) {
        ++compiled;
        ASSERT_TRUE(faults.empty()) << faults.front().text;
        ASSERT_EQ(DumpTree(checked.i_token, &scope.ctx), DumpTree(game.i_token, &scope.ctx));
        continue;
      }
      ++failed;
      ASSERT_FALSE(faults.empty());
      ASSERT_LE(faults.size(), kMaxCodeFaults + 1);
      bool found = false;
      for (size_t i = 0; i < faults.size(); ++i) {
        found |= faults[i].position == first.position && faults[i].text == first.text;
        ASSERT_FALSE(faults[i].text.empty());
        if (i > 0) {
          ASSERT_LE(faults[i - 1].position, faults[i].position);
        }
      }
      ASSERT_TRUE(found) << "the game's fault @" << first.position << " " << first.text << " is missing";
    }
  // Both kinds were tried.
  EXPECT_GT(compiled, 50);
  EXPECT_GT(failed, 200);
}

TEST(CodeFaults, HostileCodeEndsWithFewFaults) {
  ScopedTestContext scope;
  constexpr size_t kCapped = kMaxCodeFaults + 1;  // and the line saying the rest is unchecked
  struct Hostile {
    std::string text;
    size_t faults;
  };
  const Hostile cases[] = {
      {std::string(5000, '{'), 2},  // nested too deeply, then given up; never closed
      {std::string(3000, '(') + "1", 1},
      {"if (" + std::string(2000, '(') + ") {" + std::string(2000, '{') + "a = 1 +;", 1},
      {std::string(5000, '}'), kCapped},  // each brace a stray statement
      {std::string(5000, '@'), kCapped},
      {std::string(5000, '.'), 1},  // one line, one broken statement
      {[] {
         std::string s;
         for (int i = 0; i < 2000; ++i) s += "f" + std::to_string(i) + "x(); a = 1 +;\n";
         return s;
       }(),
       kCapped},
  };
  for (const Hostile& h : cases) {
    CCode code(h.text, false);
    const std::vector<RCodeError> faults = CompileEveryFault(code);
    EXPECT_EQ(faults.size(), h.faults) << h.text.substr(0, 20);
    if (faults.size() == kCapped) {
      EXPECT_NE(faults.back().text.find("not checked"), std::string::npos);
    }
  }
}
}  // namespace
