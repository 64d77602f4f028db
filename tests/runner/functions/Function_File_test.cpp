// The included-file functions: export again, export elsewhere, discard, and their errors.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/DataNew_Class.h"
#include "runner/functions/Function_Families.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> g_errors;
void Capture(std::string_view m, bool) { g_errors.emplace_back(m); }

// An included-files chunk with one file "notes.txt" exported next to the game, kept after export.
CStream Chunk() {
  CStream record;
  record.WriteInteger(800);
  record.WriteString("notes.txt");
  record.WriteString("notes.txt");
  record.WriteBoolean(true);
  record.WriteInteger(5);
  record.WriteBoolean(true);
  CStream data(std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'});
  record.WriteStream(data);
  record.WriteInteger(2);
  record.WriteString("");
  record.WriteBoolean(true);   // overwrite
  record.WriteBoolean(false);  // keep the content
  record.WriteBoolean(true);
  CStream chunk;
  chunk.WriteInteger(800);
  chunk.WriteInteger(1);
  chunk.WriteStreamC(record);
  chunk.SetPosition(0);
  return chunk;
}

class IncludedFileFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "include_fn_XXXXXX").string();
    ASSERT_TRUE(mkdtemp(tmpl.data()));
    dir_ = tmpl;
    old_ = fs::current_path();
    fs::current_path(dir_);
    CStream chunk = Chunk();
    ASSERT_TRUE(DataFile_LoadChunk(chunk));
    InitFunctions(AllFunctionFamilies());
    SetErrorSink(Capture);
    g_errors.clear();
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetSecureMode(false);
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  void Call(const char* name, std::vector<RValue> args) {
    int32_t id = -1;
    ASSERT_TRUE(FindBuiltinFunction(name, id)) << name;
    RValue result;
    FunctionAt(id)->f_routine(nullptr, nullptr, static_cast<int32_t>(args.size()), args.data(), result);
  }
  fs::path dir_, old_;
};
}  // namespace

TEST_F(IncludedFileFunctions, ExportAgainAndToALocation) {
  Call("export_include_file", {RValue("notes.txt")});
  EXPECT_TRUE(fs::exists(dir_ / "notes.txt"));
  Call("export_include_file_location", {RValue("notes.txt"), RValue("copy.txt")});
  std::ifstream in(dir_ / "copy.txt");
  std::string text;
  in >> text;
  EXPECT_EQ(text, "hello");
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(IncludedFileFunctions, DiscardedContentIsNoLongerExported) {
  Call("discard_include_file", {RValue("notes.txt")});
  Call("export_include_file_location", {RValue("notes.txt"), RValue("copy.txt")});
  EXPECT_FALSE(fs::exists(dir_ / "copy.txt"));
}

TEST_F(IncludedFileFunctions, Errors) {
  struct Case {
    const char* function;
    std::vector<RValue> args;
    bool secure;
    const char* message;
  };
  const Case cases[] = {
      {"export_include_file", {RValue("missing")}, false, "Trying to export non-existing file."},
      {"export_include_file_location", {RValue("missing"), RValue("x")}, false, "Trying to export non-existing file."},
      {"export_include_file_location", {RValue("notes.txt"), RValue("x")}, true,
       "In secure mode you cannot export a file to a location."},
      {"discard_include_file", {RValue("missing")}, false, "Trying to discard non-existing file."},
  };
  for (const Case& c : cases) {
    g_errors.clear();
    SetSecureMode(c.secure);
    Call(c.function, c.args);
    ASSERT_EQ(g_errors.size(), 1u) << c.function;
    EXPECT_EQ(g_errors[0], c.message);
  }
  EXPECT_FALSE(fs::exists(dir_ / "x"));
}
