// Text files as bytes on disk: CR LF line ends, Windows names reaching folders in any letter
// case, and what secure mode refuses. The language-level behaviour is in cases_run/files_text.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Support_File.h"
#include "runner/functions/DataNew_Class.h"
#include "runner/functions/Function_Families.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> g_errors;
void Capture(std::string_view m, bool) {
  g_errors.emplace_back(m);
}

class TextFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "text_fn_XXXXXX").string();
    ASSERT_TRUE(mkdtemp(tmpl.data()));
    dir_ = tmpl;
    old_ = fs::current_path();
    fs::current_path(dir_);
    InitFunctions(AllFunctionFamilies());
    SetErrorSink(Capture);
    g_errors.clear();
  }
  void TearDown() override {
    for (int h = 1; h <= 32; ++h) Call("file_text_close", {RValue(double(h))});
    SetErrorSink(nullptr);
    SetSecureMode(false);
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  RValue Call(const char* name, std::vector<RValue> args) {
    int32_t id = -1;
    EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
    RValue result;
    if (id >= 0)
      FunctionAt(id)->f_routine(nullptr, nullptr, static_cast<int32_t>(args.size()), args.data(), result);
    return result;
  }
  static std::string Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_, old_;
};
}  // namespace

TEST_F(TextFiles, WritingPutsCrLfAndKeepsUtf8Bytes) {
  RValue f = Call("file_text_open_write", {RValue("out.txt")});
  Call("file_text_write_string", {f, RValue("\xC3\xA9t\xC3\xA9")});
  Call("file_text_writeln", {f});
  Call("file_text_write_real", {f, RValue(-2.25)});
  // Flushed at every call: the bytes are there before the file is closed.
  EXPECT_EQ(Bytes(dir_ / "out.txt"), "\xC3\xA9t\xC3\xA9\r\n -2.250000");
  Call("file_text_close", {f});
  f = Call("file_text_open_append", {RValue("OUT.TXT")});
  Call("file_text_writeln", {f});
  Call("file_text_close", {f});
  EXPECT_EQ(Bytes(dir_ / "out.txt"), "\xC3\xA9t\xC3\xA9\r\n -2.250000\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "OUT.TXT"));
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(TextFiles, WindowsNamesReachFoldersInAnyCase) {
  fs::create_directories(dir_ / "Saves" / "Slot");
  RValue f = Call("file_text_open_write", {RValue("saves\\SLOT\\Game.txt")});
  ASSERT_EQ(f.val(), 1);
  Call("file_text_write_string", {f, RValue("x")});
  Call("file_text_close", {f});
  EXPECT_EQ(Bytes(dir_ / "Saves" / "Slot" / "Game.txt"), "x");
  const std::string absolute = "C:" + (dir_ / "SAVES\\slot/game.TXT").string();
  EXPECT_EQ(Call("file_exists", {RValue(absolute)}).val(), 1);
  EXPECT_EQ(Call("file_exists", {RValue("saves//slot\\\\game.txt")}).val(), 1);
  EXPECT_EQ(Call("file_exists", {RValue("saves")}).val(), 0);  // a folder is no file
  EXPECT_EQ(Call("file_exists", {RValue("\\\\server\\share\\game.txt")}).val(), 0);
  Call("file_delete", {RValue("SAVES/SLOT/GAME.TXT")});
  EXPECT_FALSE(fs::exists(dir_ / "Saves" / "Slot" / "Game.txt"));
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(TextFiles, AnExactNameWinsThenTheFirstVariant) {
  std::ofstream(dir_ / "b.TXT") << "upper";
  std::ofstream(dir_ / "b.txt") << "lower";
  std::ofstream(dir_ / "B.txt") << "first";
  EXPECT_EQ(ResolveExisting("b.txt"), "b.txt");
  EXPECT_EQ(ResolveExisting("B.TXT"), "B.txt");
  EXPECT_EQ(ResolveForWrite("B.TXT"), "B.txt");
  EXPECT_EQ(ResolveForWrite("new.txt"), "new.txt");
  EXPECT_EQ(ResolveExisting("\xC3\x89T\xC3\x89.txt"), std::nullopt);
  std::ofstream(dir_ / "\xC3\xA9t\xC3\xA9.txt") << "accented";
  EXPECT_EQ(ResolveExisting("\xC3\x89T\xC3\x89.TXT"), "\xC3\xA9t\xC3\xA9.txt");
}

TEST_F(TextFiles, SecureModeRefusesPathNamesOnly) {
  struct Case {
    const char* function;
    const char* name;
    const char* message;  // empty: allowed
  };
  const Case cases[] = {
      {"file_text_open_write", "sub/w.txt", "In secure mode you cannot write file sub/w.txt"},
      {"file_text_open_append", "sub\\a.txt", "In secure mode you cannot append to file sub\\a.txt"},
      {"file_open_write", "sub/s.txt", "In secure mode you cannot write file sub/s.txt"},
      {"file_open_append", "sub/s.txt", "In secure mode you cannot append to file sub/s.txt"},
      {"file_delete", "sub\\keep.txt", "In Secure mode you cannot delete file sub\\keep.txt"},
      {"file_delete", "save.dat", ""},
      {"file_text_open_write", "plain.txt", ""},
  };
  fs::create_directories(dir_ / "sub");
  std::ofstream(dir_ / "sub" / "keep.txt") << "k";
  std::ofstream(dir_ / "save.dat") << "s";
  SetSecureMode(true);
  for (const Case& c : cases) {
    g_errors.clear();
    Call(c.function, {RValue(c.name)});
    if (*c.message) {
      ASSERT_EQ(g_errors.size(), 1u) << c.function << " " << c.name;
      EXPECT_EQ(g_errors[0], c.message);
    } else {
      EXPECT_TRUE(g_errors.empty()) << c.function << " " << c.name;
    }
  }
  Call("file_close", {});
  EXPECT_TRUE(fs::exists(dir_ / "sub" / "keep.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "save.dat"));
  EXPECT_FALSE(fs::exists(dir_ / "sub" / "w.txt"));
  EXPECT_TRUE(fs::exists(dir_ / "plain.txt"));
}

TEST_F(TextFiles, SecureWritesDoNotFollowALink) {
  std::ofstream(dir_ / "target.txt") << "keep";
  fs::create_symlink(dir_ / "target.txt", dir_ / "link.txt");
  SetSecureMode(true);
  EXPECT_EQ(Call("file_text_open_write", {RValue("link.txt")}).val(), -1);
  ASSERT_EQ(g_errors.size(), 1u);
  EXPECT_EQ(g_errors[0], "Error opening file for writing.");
  EXPECT_EQ(Bytes(dir_ / "target.txt"), "keep");
}

TEST_F(TextFiles, OnlyPlainFilesAreRead) {
  ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  fs::create_directories(dir_ / "folder");
  EXPECT_EQ(Call("file_text_open_read", {RValue("pipe")}).val(), -1);
  EXPECT_EQ(Call("file_text_open_read", {RValue("folder")}).val(), -1);
  EXPECT_EQ(Call("file_text_open_write", {RValue("pipe")}).val(), -1);
  EXPECT_EQ(Call("file_text_open_write", {RValue("folder")}).val(), -1);
}

TEST_F(TextFiles, AFailedWriteIsReported) {
  // A file size limit makes the disk "full" after 4 bytes.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  void (*oldSignal)(int) = signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  RValue f = Call("file_text_open_write", {RValue("full.txt")});
  Call("file_text_write_string", {f, RValue("abc")});
  Call("file_text_write_string", {f, RValue("defgh")});
  Call("file_text_writeln", {f});
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldSignal);
  EXPECT_EQ(g_errors, (std::vector<std::string>{"Error writing file.", "Error writing file."}));
}

TEST(TextFileReal, WritingFormat) {
  const std::pair<double, const char*> cases[] = {
      {3, " 3"},
      {3.5, " 3.500000"},
      {-2.25, " -2.250000"},
      {0.0000004, " 0"},
      {-0.0, " 0"},
      {0.000001, " 0.000001"},
      {1e20, " 100000000000000000000"},
      {0.9999999999, " 0.999999"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(TextFileReal(value), text) << value;
}
