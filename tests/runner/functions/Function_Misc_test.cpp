// The program-level functions: debug messages in the debug window, else on standard error, with
// string()'s number text, the application title from strings only, and priorities as nice values of the game
// thread (checked in a child process, since a lowered priority cannot be raised again).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "runner/base/Runner_Process.h"
#include "runner/code/Code_Function.h"
#include "runner/functions/Function_Families.h"
#include "runner/run/Run_Hooks.h"

namespace {
RValue Call(const char* name, std::vector<RValue> args) {
  int32_t id = -1;
  EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
  const RFunction* f = FunctionAt(id);
  if (!f) return RValue(-999.0);
  RValue argv[kMaxFunctionArgs];
  for (size_t i = 0; i < args.size(); ++i) argv[i] = args[i];
  RValue result;
  f->f_routine(nullptr, nullptr, static_cast<int32_t>(args.size()), argv, result);
  return result;
}

class MiscFunctions : public ::testing::Test {
 protected:
  void SetUp() override { InitFunctions(AllFunctionFamilies()); }
  void TearDown() override { SetDebugMode(false); }
};

std::string g_windowLines;
void ToTheWindow(const std::string& text) { g_windowLines += text + "|"; }

TEST_F(MiscFunctions, DebugMessagesGoToTheDebugWindowElseToStandardError) {
  g_windowLines.clear();
  RunHooks().addDebugLine = ToTheWindow;
  ::testing::internal::CaptureStderr();
  Call("show_debug_message", {RValue("no debug mode, no window")});
  SetDebugMode(true);
  Call("show_debug_message", {RValue("window")});
  Call("show_debug_message", {RValue(1.5)});
  RunHooks().addDebugLine = nullptr;
  Call("show_debug_message", {RValue("debug mode without the window")});
  Call("show_debug_message", {RValue(42.0)});
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "no debug mode, no window\ndebug mode without the window\n42\n");
  EXPECT_EQ(g_windowLines, "window|1.50|");
}

TEST_F(MiscFunctions, ApplicationTitleTakesStringsOnly) {
  const std::string old = ApplicationTitle();
  Call("set_application_title", {RValue("Quest")});
  EXPECT_EQ(ApplicationTitle(), "Quest");
  Call("set_application_title", {RValue(3.0)});
  EXPECT_EQ(ApplicationTitle(), "Quest");
  SetApplicationTitle(old);
}

TEST_F(MiscFunctions, PriorityLowersTheGameThread) {
  struct Case {
    double priority;
    int nice;  // the nice value asked for
  };
  // Asking for a higher priority than the test runs at needs privilege and may be refused.
  const int start = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  const Case cases[] = {{7, 0}, {-1, 5}, {-2, 10}, {-3, 19}};
  for (const Case& c : cases) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      Call("set_program_priority", {RValue(c.priority)});
      const int now = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
      _exit(now == c.nice || (c.nice < start && now == start) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "priority " << c.priority;
  }
}

TEST_F(MiscFunctions, WindowHandleWithoutAWindowIsZero) {
  EXPECT_EQ(Call("window_handle", {}).val(), 0);
}
}  // namespace
