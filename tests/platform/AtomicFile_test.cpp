// Replacing files whole: the new content or the old, never a torn file, whatever fails.
#include "platform/files/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {
std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Only the named files: no temporary file may be left behind.
size_t EntriesIn(const fs::path& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

// Runs body in a child whose files may not grow past limit bytes, as on a disk that is full;
// returns what body returned there.
bool InChildWithFileLimit(rlim_t limit, const std::function<bool()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a failing write, not a killed process
    rlimit small{limit, limit};
    setrlimit(RLIMIT_FSIZE, &small);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
}  // namespace

TEST(AtomicFile, ReplacesContentAndKeepsPermissions) {
  TempFolder dir;
  const std::string path = dir.str() + "/game.ini";
  ASSERT_TRUE(platform::ReplaceFileContents(path, "first"));
  EXPECT_EQ(Bytes(path), "first");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(platform::ReplaceFileContents(path, "second, longer"));
  EXPECT_EQ(Bytes(path), "second, longer");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(EntriesIn(dir.path), 1u);
}

TEST(AtomicFile, AnyFailureLeavesTheOldFileWhole) {
  TempFolder dir;
  const std::string path = dir.str() + "/save.dat";
  const std::string old(10000, 'o');
  ASSERT_TRUE(platform::ReplaceFileContents(path, old));
  // A full disk part of the way through the new content.
  const std::string fresh(20000, 'n');
  EXPECT_FALSE(InChildWithFileLimit(4096, [&] { return platform::ReplaceFileContents(path, fresh); }));
  EXPECT_EQ(Bytes(path), old);
  // A copy that cannot be finished either.
  const std::string source = dir.str() + "/big.dat";
  std::ofstream(source, std::ios::binary) << fresh;
  EXPECT_FALSE(InChildWithFileLimit(4096, [&] { return platform::CopyFileReplacing(source, path); }));
  EXPECT_EQ(Bytes(path), old);
  // A writer that gives up, and a folder that is not there.
  EXPECT_FALSE(platform::ReplaceFile(path, [](int) { return false; }));
  EXPECT_FALSE(platform::ReplaceFileContents(dir.str() + "/missing/x", "x"));
  EXPECT_EQ(Bytes(path), old);
  EXPECT_EQ(EntriesIn(dir.path), 2u);
}

TEST(AtomicFile, CopiesAndLeavesAFileCopiedOntoItself) {
  TempFolder dir;
  const std::string a = dir.str() + "/a", b = dir.str() + "/b";
  std::ofstream(a, std::ios::binary) << "content";
  ASSERT_TRUE(platform::CopyFileReplacing(a, b));
  EXPECT_EQ(Bytes(b), "content");
  fs::create_hard_link(a, dir.path / "c");
  EXPECT_TRUE(platform::CopyFileReplacing(a, dir.str() + "/c"));
  EXPECT_TRUE(platform::CopyFileReplacing(a, a));
  EXPECT_EQ(Bytes(a), "content");
  EXPECT_FALSE(platform::CopyFileReplacing(dir.str(), b));  // a folder is no file to copy
  EXPECT_FALSE(platform::CopyFileReplacing(dir.str() + "/missing", b));
  EXPECT_EQ(Bytes(b), "content");
}
