// INI files: damaged and unusual lines, what a write-back keeps, and when a changed copy
// reaches the disk. The functions' everyday behaviour is in cases_run/files_ini.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <limits>

#include "runner/base/Game.h"
#include "runner/functions/Support_Ini.h"
#include "tests/runner/functions/FileFixture.h"

namespace fs = std::filesystem;

TEST(IniFile, UnusualLinesReadAsTheRulesSay) {
  struct Case {
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"[s]\nk=v\n", "S", "K", "v"},
      {"[s]\r\n  k \t=\t v w  \r\n", "s", "k", "v w"},
      {"[s]\rk=v\rj=w", "s", "j", "w"},                           // lone CR line ends
      {"\xEF\xBB\xBF[s]\nk=v", "s", "k", "v"},                     // byte-order mark
      {"[s\nk=v", "s", "k", "v"},                                  // no "]": the section runs to the line end
      {"[s]\n=v\n", "s", "", "v"},                                 // "=" first: an empty key
      {"[s]\nk=a=b\n", "s", "k", "a=b"},                           // split at the first "="
      {"[s]\n;k=v\n#k=w\nk\n", "s", "k", std::nullopt},            // comments and lines without "="
      {"k=v\n[s]\n", "s", "k", std::nullopt},                      // keys before any section belong to none
      {"[a]\nk=1\n[b]\n[A]\nk=2\nj=3\n", "a", "j", "3"},           // sections of one name merge
      {"[a]\nk=1\n[A]\nk=2\n", "a", "k", "1"},                     // the first key wins
      {std::string("[s]\nk=a\0b\n", 10), "s", "k", std::string("a\0b", 3)},
      {"[s\xff]\nk\xfe=\xc3(\n", "s\xff", "k\xfe", "\xc3("},      // invalid UTF-8 stays bytes
      {"[s]\nk=" + std::string(1 << 20, 'x') + "\n", "s", "k", std::string(1 << 20, 'x')},
  };
  for (const Case& c : cases) {
    CIniFile ini;
    ini.Parse(c.text);
    EXPECT_EQ(ini.Read(c.section, c.key), c.value) << c.text.substr(0, 40);
  }
  CIniFile big;
  big.Parse("[s]\nk=v\n" + std::string(CIniFile::kMaxBytes, ';'));
  EXPECT_FALSE(big.SectionExists("s"));  // too large: an empty copy
}

TEST(IniFile, AWriteBackKeepsEveryOtherLine) {
  const std::string text =
      "\xEF\xBB\xBF; settings\n[Game]\nName = Hero\ngarbage line\n\n[game]\nlevel=2\r[other]\nx=1\r\n[no end";
  CIniFile ini;
  ini.Parse(text);
  ini.Write("GAME", "name", "Ann");   // replaces the line, keeping the key as it was spelt
  ini.Write("game", "lives", "3");    // after the section's last key
  ini.Write("new", "k", "a\r\nb");    // a line break may not split the line
  ini.DeleteKey("other", "X");
  EXPECT_TRUE(ini.changed());
  EXPECT_EQ(ini.Text(),
            "\xEF\xBB\xBF; settings\r\n[Game]\r\nName=Ann\r\ngarbage line\r\n\r\n[game]\r\nlevel=2\r\nlives=3\r\n"
            "[other]\r\n[no end\r\n[new]\r\nk=a  b\r\n");
  ini.DeleteSection("game");
  EXPECT_EQ(ini.Text(), "\xEF\xBB\xBF; settings\r\n[other]\r\n[no end\r\n[new]\r\nk=a  b\r\n");
}

TEST(IniNumber, ScansAsTheRuleSays) {
  const std::pair<const char*, double> cases[] = {
      {"1,5e2", 150}, {"-3", -3},       {"abc", 0},      {"", 0},       {"2.5.1", 2.5},   {"1e-2e5", 0.01},
      {"-1.5E-1", -0.15}, {"0.3", 0.3}, {"--2", 2},      {"1e", 1},     {"12 3", 12},     {"+4", 0},
      {"0e999", 0},   {"1e999", std::numeric_limits<double>::infinity()}, {"1e-999", 0}, {"3-", -3},   {".5", 0.5},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(IniNumber(text), value) << text;
  for (const double v : {0.1, 1.0 / 3, 1e20, -2.5e-7, 123456789012345.0})
    EXPECT_EQ(IniNumber(IniRealText(v)), std::stod(IniRealText(v))) << IniRealText(v);
}

using IniCopy = FileFunctionsTest;

TEST_F(IniCopy, AChangedCopyReachesItsFileOnCloseReopenAndGameEnd) {
  Put("a.ini", "; kept\n[s]\nk=old\n");
  Call("ini_open", {RValue("A.INI")});
  Call("ini_write_string", {RValue("s"), RValue("k"), RValue("new")});
  // The path was fixed at opening: a change of folder does not move the file.
  fs::current_path(dir_);
  Call("ini_close");
  fs::current_path(dir_ / "game");
  EXPECT_EQ(Bytes("a.ini"), "; kept\r\n[s]\r\nk=new\r\n");
  Call("ini_open", {RValue("a.ini")});
  Call("ini_write_real", {RValue("s"), RValue("r"), RValue(1.5)});
  Call("ini_open", {RValue("b.ini")});  // opening another writes the first back
  EXPECT_EQ(Bytes("a.ini"), "; kept\r\n[s]\r\nk=new\r\nr=1.5\r\n");
  Call("ini_close");
  EXPECT_FALSE(fs::exists("b.ini"));  // nothing changed, nothing written
  {
    GameScope game;
    InitFunctions(AllFunctionFamilies());
    Catch();
    Call("ini_open", {RValue("c.ini")});
    Call("ini_write_string", {RValue("s"), RValue("k"), RValue("at the end")});
  }
  EXPECT_EQ(Bytes("c.ini"), "[s]\r\nk=at the end\r\n");
  EXPECT_TRUE(CaughtErrors().empty());
}

TEST_F(IniCopy, AFileThatCannotBeReadIsNeverOverwritten) {
  const std::string big = "[s]\nk=v\n" + std::string(CIniFile::kMaxBytes, ';');
  Put("big.ini", big);
  fs::create_directories("folder.ini");
  for (const char* name : {"big.ini", "folder.ini"}) {
    Catch();
    Call("ini_open", {RValue(name)});
    EXPECT_EQ(Call("ini_read_string", {RValue("s"), RValue("k"), RValue("none")}).str(), "none");
    Call("ini_write_string", {RValue("s"), RValue("k"), RValue("x")});
    Call("ini_close");
    EXPECT_EQ(CaughtErrors(), std::vector<std::string>{"Error writing INI file."}) << name;
  }
  EXPECT_EQ(Bytes("big.ini"), big);
  EXPECT_TRUE(fs::is_directory("folder.ini"));
}

TEST_F(IniCopy, AWriteBackOnAFullDiskKeepsTheOldFileAndSaysSo) {
  const std::string old = "[s]\r\nk=old\r\n";
  Put("full.ini", old);
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit small{64, 64};
    setrlimit(RLIMIT_FSIZE, &small);
    Call("ini_open", {RValue("full.ini")});
    Call("ini_write_string", {RValue("s"), RValue("k"), RValue(std::string(1000, 'n'))});
    Call("ini_close");
    _exit(CaughtErrors() == std::vector<std::string>{"Error writing INI file."} ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Bytes("full.ini"), old);
}
