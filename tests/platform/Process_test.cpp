// Starting programs: the Windows splitting rules, no inherited descriptors, the working folder.
#include "platform/process/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using platform::SplitCommandLine;
namespace fs = std::filesystem;

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  using V = std::vector<std::string>;
  struct Case {
    const char* text;
    V args;
  } cases[] = {
      {"", {}},
      {"  \t ", {}},
      {"a b\tc", {"a", "b", "c"}},
      {"  lead  trail  ", {"lead", "trail"}},
      {R"("a b" c)", {"a b", "c"}},
      {R"(a"b c"d)", {"ab cd"}},
      {R"("")", {""}},
      {R"(a "" b)", {"a", "", "b"}},
      {R"(a\b c:\dir\)", {R"(a\b)", R"(c:\dir\)"}},  // backslashes without a quote are literal
      {R"(\"a\")", {R"("a")"}},                       // odd count: literal quote
      {R"(\\"a b")", {R"(\a b)"}},                    // even count: half, then the quote groups
      {R"(\\\"a)", {R"(\"a)"}},
      {R"("a\\" b)", {R"(a\)", "b"}},
      {R"("say ""hi""")", {R"(say "hi")"}},  // "" inside a group is a literal quote
      {R"("unterminated group)", {"unterminated group"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.args) << c.text;
}

class Spawn : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("process_test_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  int Wait(pid_t pid) {
    int status = -1;
    while (platform::PollChild(pid, &status) == platform::ChildState::Running) usleep(1000);
    return status;
  }
  std::string Read(const char* name) {
    std::ifstream in(dir_ / name);
    std::string s;
    std::getline(in, s);
    return s;
  }
  fs::path dir_;
};

TEST_F(Spawn, ChildRunsInTheGivenFolderAndInheritsNoDescriptors) {
  // A descriptor opened without O_CLOEXEC, as careless code elsewhere might.
  const int leaky = open("/dev/null", O_RDONLY);
  ASSERT_GE(leaky, 0);
  const int high = dup2(leaky, 57);
  ASSERT_EQ(high, 57);
  const pid_t pid = platform::SpawnProcess(
      {"/bin/sh", "-c", "pwd -P > where; if [ -e /proc/self/fd/57 ]; then echo leaked; else echo closed; fi > fds; exit 3"},
      dir_.string(), false);
  close(leaky);
  close(high);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(Wait(pid), 3);
  EXPECT_EQ(Read("where"), fs::canonical(dir_).string());
  EXPECT_EQ(Read("fds"), "closed");
}

TEST_F(Spawn, MissingProgramsAndEmbeddedNulsFail) {
  EXPECT_EQ(platform::SpawnProcess({"no-such-program-kv"}, "", true), -1);
  EXPECT_EQ(platform::SpawnProcess({(dir_ / "missing").string()}, "", false), -1);
  EXPECT_EQ(platform::SpawnProcess({}, "", true), -1);
  EXPECT_EQ(platform::SpawnProcess({"/bin/sh", std::string("-c\0rm", 5)}, "", false), -1);
}

TEST_F(Spawn, ReleasedChildrenAreReaped) {
  const pid_t pid = platform::SpawnProcess({"/bin/sh", "-c", "exit 0"}, "", false);
  ASSERT_GT(pid, 0);
  platform::ReleaseChild(pid);
  // A zombie still answers kill(pid, 0); a reaped child is gone.
  bool gone = false;
  for (int i = 0; i < 10000 && !gone; ++i) {
    platform::ReapChildren();
    gone = kill(pid, 0) == -1 && errno == ESRCH;
    if (!gone) usleep(1000);
  }
  EXPECT_TRUE(gone);
}
