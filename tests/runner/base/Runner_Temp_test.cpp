// The private temporary directory: where it goes, how it is made, and that removing it never
// reaches outside it.
#include "runner/base/Runner_Temp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "runner/shell/Runner.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {
EnvLookup Env(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const char* name) -> const char* {
    auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
  };
}
void Write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
unsigned Mode(const fs::path& p) {
  struct stat st {};
  stat(p.c_str(), &st);
  return st.st_mode & 07777;
}
}  // namespace

TEST(TempBase, WindowsPathsMapToLinuxOnes) {
  struct Case {
    const char *in, *out;
  } cases[] = {
      {R"(C:\temp)", "/temp"}, {"d:/games/tmp", "/games/tmp"}, {"C:rel", "rel"},
      {"/var/tmp", "/var/tmp"}, {R"(sub\dir)", "sub/dir"},     {"", ""},
      {"1:/x", "1:/x"},         {"C", "C"},
  };
  for (const auto& c : cases) EXPECT_EQ(MapWindowsPath(c.in), c.out) << c.in;
}

TEST(TempBase, TempdirTxtFirstLineWinsThenTheEnvironmentInOrder) {
  TempFolder exe;
  const auto env = Env({{"TMP", "/from/tmp"}, {"TEMP", "/from/temp"}, {"tmp", "/lower"}});
  EXPECT_EQ(ConfiguredTempBase(exe.str(), env), "/from/temp");
  EXPECT_EQ(ConfiguredTempBase(exe.str(), Env({{"TMPDIR", "/t"}, {"TEMP", "/x"}})), "/t");
  EXPECT_EQ(ConfiguredTempBase(exe.str(), Env({{"TMPDIR", ""}, {"tmp", "/lower"}})), "/lower");
  EXPECT_EQ(ConfiguredTempBase(exe.str(), Env({})), std::nullopt);

  Write(exe.path / "tempdir.txt", "C:\\games\\scratch\r\nsecond line\r\n");
  EXPECT_EQ(ConfiguredTempBase(exe.str(), env), "/games/scratch");

  // An empty file gives the empty base: the root, as the drive root was.
  Write(exe.path / "tempdir.txt", "");
  EXPECT_EQ(ConfiguredTempBase(exe.str(), env), "");
  EXPECT_EQ(TempCandidate("", 42), "/kv_ttt_42");
  EXPECT_EQ(TempCandidate("/base/", 7), "/base/kv_ttt_7");

  // Only a regular file is read: a FIFO would block the start for ever, /dev/zero never ends,
  // and a folder holds no line. Each counts as no file.
  fs::remove(exe.path / "tempdir.txt");
  ASSERT_EQ(mkfifo((exe.path / "tempdir.txt").c_str(), 0600), 0);
  EXPECT_EQ(ConfiguredTempBase(exe.str(), env), "/from/temp");
  fs::remove(exe.path / "tempdir.txt");
  fs::create_symlink("/dev/zero", exe.path / "tempdir.txt");
  EXPECT_EQ(ConfiguredTempBase(exe.str(), env), "/from/temp");
  fs::remove(exe.path / "tempdir.txt");
  fs::create_directory(exe.path / "tempdir.txt");
  EXPECT_EQ(ConfiguredTempBase(exe.str(), env), "/from/temp");
}

TEST(TempDirectory, IsCreatedPrivateUnderTheBaseWithMissingParents) {
  TempFolder base;
  const fs::path deep = base.path / "not" / "yet";
  std::mt19937 random(1);
  const auto dir = CreateTempDirectoryUnder(deep.string() + "/", random);
  ASSERT_TRUE(dir);
  EXPECT_EQ(fs::path(*dir).parent_path(), fs::canonical(deep));
  EXPECT_EQ(fs::path(*dir).filename().string().rfind("kv_ttt_", 0), 0u);
  EXPECT_EQ(Mode(*dir), 0700u);

  // The same numbers again: taken names are skipped, never reused.
  std::mt19937 same(1);
  const auto second = CreateTempDirectoryUnder(deep.string(), same);
  ASSERT_TRUE(second);
  EXPECT_NE(*second, *dir);

  Write(base.path / "file", "x");
  EXPECT_EQ(CreateTempDirectoryUnder((base.path / "file").string(), random), std::nullopt);
}

TEST(TempDirectory, RemovalDeletesLinksButNeverWhatTheyPointAt) {
  TempFolder outside;
  Write(outside.path / "precious.txt", "keep");
  fs::create_directories(outside.path / "sub");
  Write(outside.path / "sub" / "deep.txt", "keep");

  TempFolder base;
  std::mt19937 random(7);
  const auto dir = CreateTempDirectoryUnder(base.str(), random);
  ASSERT_TRUE(dir);
  const fs::path temp = *dir;
  fs::create_directories(temp / "a" / "b");
  Write(temp / "a" / "b" / "f.bin", "data");
  Write(temp / "top.txt", "data");
  fs::create_directory_symlink(outside.path, temp / "escape");
  fs::create_directory_symlink(outside.path / "sub", temp / "a" / "escape2");
  fs::create_symlink(outside.path / "precious.txt", temp / "filelink");

  EXPECT_TRUE(RemoveDirectoryTree(temp.string()));
  EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));
  EXPECT_TRUE(fs::exists(outside.path / "precious.txt"));
  EXPECT_TRUE(fs::exists(outside.path / "sub" / "deep.txt"));
}

TEST(TempDirectory, RemovalRefusesAPathThatIsItselfALink) {
  TempFolder outside;
  Write(outside.path / "precious.txt", "keep");
  TempFolder base;
  fs::create_directory_symlink(outside.path, base.path / "kv_ttt_1");
  EXPECT_FALSE(RemoveDirectoryTree((base.path / "kv_ttt_1").string()));
  EXPECT_TRUE(fs::exists(outside.path / "precious.txt"));
}

TEST(TempDirectory, InsideTestComparesWholeComponents) {
  struct Case {
    const char *path, *dir;
    bool inside;
  } cases[] = {
      {"/base/kv_ttt_1", "/base/kv_ttt_1", true},     {"/base/kv_ttt_1/a", "/base/kv_ttt_1", true},
      {"/base/kv_ttt_12", "/base/kv_ttt_1", false},   {"/base/kv_ttt_12/a", "/base/kv_ttt_1", false},
      {"/base/kv_ttt_1/a", "/base/kv_ttt_1/", true},  {"/base", "/base/kv_ttt_1", false},
      {"/etc/passwd", "/base/kv_ttt_1", false},
  };
  for (const auto& c : cases) EXPECT_EQ(PathIsInside(c.path, c.dir), c.inside) << c.path << " in " << c.dir;
}

// The process-wide directory, configured through tempdir.txt next to the "executable".
TEST(TempDirectory, ProcessDirectoryFollowsTempdirTxtAndHandsOutFreshNames) {
  TempFolder exe;
  const std::string saved = ExecutableFolder();
  SetExecutableFolder(exe.str());
  Write(exe.path / "tempdir.txt", (exe.path / "base").string() + "\n");

  RemoveTempDirectory();  // in case something in this process made one already
  CreateTempDirectory();
  const std::string temp = GetTempDirectory();
  EXPECT_EQ(fs::path(temp).parent_path(), fs::canonical(exe.path / "base"));
  EXPECT_EQ(Mode(temp), 0700u);

  const std::string name = MakeTempFileName(".wav");
  EXPECT_EQ(name.rfind(temp + "/a", 0), 0u);
  EXPECT_EQ(fs::path(name).extension(), ".wav");
  EXPECT_FALSE(fs::exists(name));
  const std::string digits = fs::path(name).stem().string().substr(1);
  ASSERT_FALSE(digits.empty());
  EXPECT_LT(std::stoi(digits), 100000);

  Write(temp + "/left.txt", "x");
  RemoveTempDirectory();
  EXPECT_FALSE(fs::exists(temp));
  SetExecutableFolder(saved);
}
