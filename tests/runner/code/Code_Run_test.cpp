// Runs every cases_run/*.kvs file and compares what it printed and reported with the .expected
// file beside it. Headers: "#--- script NAME" defines a script (all files share one script
// table, loaded through the scripts chunk); "#--- run NAME [uninitzero] [argerrors] [tempdir]"
// runs a program for instance 100001 with other 100003 in a fresh test world (tempdir: in a
// fresh empty working folder). Set KVS_UPDATE=1 to
// rewrite the expected files, then check every change by hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Script_Main.h"
#include "runner/graphics/Particle_Main.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Object_State.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/sound/Sound_Main.h"
#include "runner/functions/Support_Data_Structures.h"
#include "tests/runner/code/CaseFile.h"
#include "tests/runner/code/ScriptChunk.h"
#include "tests/runner/code/TestHost.h"

namespace fs = std::filesystem;

namespace {
// An empty working folder for one case, removed afterwards.
struct ScratchDir {
  fs::path old, dir;
  ScratchDir() : old(fs::current_path()) {
    std::string tmpl = (fs::temp_directory_path() / "kvs_run_XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return;
    dir = tmpl;
    fs::current_path(dir);
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::current_path(old, ec);
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
};

fs::path CaseDir() { return fs::path(TEST_SOURCE_DIR) / "tests/runner/code/cases_run"; }

std::string RunCase(const Case& c) {
  std::vector<std::string> words = HeaderWords(c.header);
  ScopedTestWorld world;
  TheGame().Renew<RParticlesState>();  // particle ids start at 0 in every case
  // Data structures live as long as the game; each case starts with none, so indices start at 0.
  TheGame().Renew<RDataStructuresState>();
  std::optional<ScratchDir> scratch;
  for (size_t i = 2; i < words.size(); ++i) {
    if (words[i] == "uninitzero") LanguageState().uninit_zero = true;
    if (words[i] == "argerrors") LanguageState().script_arg_errors = true;
    if (words[i] == "tempdir") scratch.emplace();
  }
  CCode code(c.text, false);
  if (!code.Compile()) return "compile error: " + ShowText(CodeError().message) + "\n";
  RValue result;
  bool ok = ExecuteCode(world.Self(), world.Other(), code, result);
  std::string out = TestOutput();
  if (ok)
    out += "-> ok " + ShowValue(result) + "\n";
  else
    out += "-> error: " + ShowText(CodeError().message) + "\n";
  ClearCodeError();
  return out;
}

// Each file starts with no sprites, backgrounds, objects, rooms or sounds, so the indices its
// cases add do not depend on the files run before it.
void FreshResourceLists() {
  TheGame().Renew<RImageState>();
  TheGame().Renew<RObjectsState>();
  TheGame().Renew<RSoundState>();
  Rooms().Clear();
}

void LoadCaseScripts(const std::vector<fs::path>& files) {
  std::vector<TestScript> scripts{{false, "", ""}};  // slot 0 stays empty
  for (const fs::path& file : files)
    for (const Case& c : SplitCases(ReadCaseFile(file))) {
      std::vector<std::string> words = HeaderWords(c.header);
      if (words.size() >= 2 && words[0] == "script") scripts.push_back({true, words[1], c.text});
    }
  CStream chunk;
  WriteScriptsChunk(chunk, scripts);
  chunk.SetPosition(0);
  ASSERT_TRUE(LoadScripts(chunk));
  ScopedTestWorld world;
  ASSERT_TRUE(CompileScripts()) << ShowText(TestOutput());
}
}  // namespace

TEST(CodeRun, EveryRunCaseMatchesItsExpectedOutput) {
  InitTestRuntime();
  auto files = CaseFilesIn(CaseDir());
  ASSERT_FALSE(files.empty());
  LoadCaseScripts(files);
  for (const fs::path& file : files) {
    FreshResourceLists();
    std::string actual;
    for (const Case& c : SplitCases(ReadCaseFile(file))) {
      if (c.header.rfind("run ", 0) != 0) continue;
      actual += "#--- " + c.header + "\n" + RunCase(c);
    }
    CheckExpectedOutput(file, actual, "Output of");
  }
}

// The same cases on the interpreter's general handlers alone: every specialised handler must do
// exactly what they do.
TEST(CodeRun, EveryRunCaseMatchesOnTheGeneralHandlers) {
  InitTestRuntime();
  LanguageState().general_handlers = true;
  auto files = CaseFilesIn(CaseDir());
  ASSERT_FALSE(files.empty());
  LoadCaseScripts(files);
  for (const fs::path& file : files) {
    FreshResourceLists();
    std::string actual;
    for (const Case& c : SplitCases(ReadCaseFile(file))) {
      if (c.header.rfind("run ", 0) != 0) continue;
      actual += "#--- " + c.header + "\n" + RunCase(c);
    }
    CheckExpectedOutput(file, actual, "Output of");  // the same files, so KVS_UPDATE agrees
  }
}
