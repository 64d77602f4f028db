// The run-time error path: the settings deciding window, log and game end, the log file, the
// end of reporting after a fatal error, the place named for errors in actions and time lines,
// show_error and the error variables from game code, and script argument checks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/app/Application.h"
#include "platform/dialogs/ErrorForm.h"
#include "platform/dialogs/MessageBox.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Event_Name.h"
#include "runner/run/Run_Error.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Host.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "tests/runner/code/ScriptChunk.h"
#include "tests/runner/run/World.h"
#include "tests/support/TempFolder.h"

using namespace world;
using platform::ErrorAnswer;

namespace {

int g_clears = 0;

class ErrorPath : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    SetErrorSink(nullptr);
    ResetErrorState();
    platform::SetTestMode(true);
    platform::SetErrorAnswer(ErrorAnswer::Ignore);
    RunHooks().clearInput = [] { ++g_clears; };
    g_clears = 0;
    SetExitStatus(0);
    home_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path);
    Settings(false, false, false);
  }
  void TearDown() override {
    std::filesystem::current_path(home_);
    Option_Set({});
    ResetErrorState();
    platform::SetErrorAnswer(std::nullopt);
    platform::SetTestMode(false);
    RunHooks().clearInput = nullptr;
    SetExitStatus(0);
    SetApplication(nullptr);
    RunLookups().timeLineName = nullptr;
    SetExecHost(nullptr);
    WorldTest::TearDown();
  }

  static void Settings(bool show, bool log, bool abort) {
    ROptions o;
    o.opt_showerrors = show;
    o.opt_logerrors = log;
    o.opt_aborterrors = abort;
    Option_Set(o);
  }
  static std::string ReadLog() {
    std::ifstream in(kErrorLogName, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Runs code for a fresh instance, as a code action would; the instance is returned.
  CInstance* Run(const std::string& text) {
    CInstance* inst = room.AddInstance(0, 0, AddObject());
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    ExecuteAndReport(inst, inst, code, result);
    return inst;
  }
  static RValue Var(CInstance* i, const char* name) {
    RValue v;
    i->i_vars.GetVar(VarIdOfName(name), 0, v);
    return v;
  }

  TempFolder folder_;
  std::filesystem::path home_;
};

TEST_F(ErrorPath, SettingsDecideWindowLogAndTheEndOfTheGame) {
  struct {
    bool show, log, abort;
    ErrorAnswer answer;
    bool fatal;
    const char* window;  // what the scripted window wrote, "" when not shown
    bool ends, logged;
  } cases[] = {
      {false, false, false, ErrorAnswer::Ignore, false, "", false, false},
      {false, true, false, ErrorAnswer::Ignore, false, "", false, true},
      {false, false, false, ErrorAnswer::Ignore, true, "", true, false},
      {false, false, true, ErrorAnswer::Ignore, false, "", true, false},
      {true, false, false, ErrorAnswer::Ignore, false, " [ignore]", false, false},
      {true, false, false, ErrorAnswer::Abort, false, " [abort]", true, false},
      // Without an Ignore button the window can only abort.
      {true, false, false, ErrorAnswer::Ignore, true, " [abort]", true, false},
      {true, true, true, ErrorAnswer::Ignore, false, " [abort]", true, true},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row++);
    ResetErrorState();
    SetPendingRoomChange(kNoRoomChange);
    SetExitStatus(0);
    std::filesystem::remove(kErrorLogName);
    g_clears = 0;
    platform::TApplication app;
    SetApplication(&app);
    Settings(c.show, c.log, c.abort);
    platform::SetErrorAnswer(c.answer);

    testing::internal::CaptureStderr();
    ShowError("Bad thing.", c.fatal);
    const std::string shown = testing::internal::GetCapturedStderr();

    EXPECT_EQ(shown, *c.window ? std::string("Error Messages: Bad thing.") + c.window + "\n" : "");
    EXPECT_EQ(std::filesystem::exists(kErrorLogName), c.logged);
    EXPECT_TRUE(ErrorOccurred());
    EXPECT_EQ(LastError(), "Bad thing.");
    EXPECT_EQ(g_clears, 1);
    EXPECT_EQ(ErrorAborting(), c.ends);
    EXPECT_EQ(PendingRoomChange(), c.ends ? kRoomErrorEnd : kNoRoomChange);
    EXPECT_EQ(ExitStatus(), c.ends ? 1 : 0);
    EXPECT_EQ(app.Terminated(), c.ends);
    SetApplication(nullptr);
  }
}

TEST_F(ErrorPath, AfterAFatalErrorEveryLaterErrorIsDropped) {
  Settings(true, true, false);
  testing::internal::CaptureStderr();
  ShowError("First.", true);
  SetErrorOccurred(false);
  ShowError("Second.", false);
  ShowActionError("Third.", true);
  ShowPendingCodeError();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error Messages: First. [abort]\n");
  EXPECT_FALSE(ErrorOccurred());
  EXPECT_EQ(LastError(), "First.");
  EXPECT_EQ(ReadLog(), "First.\r\n\r\n\r\n");
  EXPECT_EQ(ErrorWindow().ErrorMemo.size(), 3u);
  EXPECT_EQ(g_clears, 1);
}

TEST_F(ErrorPath, TheLogHoldsExactlyTheErrorsOfTheRun) {
  Settings(false, true, false);
  std::ofstream(kErrorLogName) << "an older run\r\n";
  ShowError("one", false);
  ShowError("two\r\nlines", false);
  ShowError("three", false);
  EXPECT_EQ(ReadLog(), "one\r\n\r\n\r\ntwo\r\nlines\r\n\r\n\r\nthree\r\n\r\n\r\n");

  // A new run starts the log afresh.
  ResetErrorState();
  ShowError("four", false);
  EXPECT_EQ(ReadLog(), "four\r\n\r\n\r\n");

  // A log that cannot be written costs nothing but the log; once it can be, it starts afresh
  // rather than after an older run's messages.
  ResetErrorState();
  std::filesystem::remove(kErrorLogName);
  std::filesystem::create_directory(kErrorLogName);
  ShowError("five", false);
  EXPECT_EQ(LastError(), "five");
  EXPECT_FALSE(ErrorAborting());
  std::filesystem::remove(kErrorLogName);
  std::ofstream(kErrorLogName) << "an older run\r\n";
  ShowError("six", false);
  ShowError("seven", false);
  EXPECT_EQ(ReadLog(), "six\r\n\r\n\r\nseven\r\n\r\n\r\n");
}

TEST_F(ErrorPath, ShowErrorFromGameCodeNamesTheActionAndEndsTheGameFromOneHalf) {
  RunLookups().timeLineName = [](int32_t index, std::string& name) {
    if (index != 2) return false;
    name = "tl_intro";
    return true;
  };
  const int32_t obj = AddObject();
  struct {
    REventContext where;
    const char* abort;
    bool ends;
    const char* want;
  } cases[] = {
      {{obj, ev_alarm, 2, 4}, "0.5", true,
       "FATAL ERROR in\r\naction number 5\r\nof Alarm Event for alarm 2\r\nfor object __newobject0:\r\n\r\nStop."},
      {{2, kTimeLineEventType, 60, 0}, "0.49", false,
       "ERROR in\r\naction number 1\r\nat time step 60\r\nof time line tl_intro:\r\n\r\nStop."},
      {{3, kTimeLineEventType, 7, 1}, "0", false,
       "ERROR in\r\naction number 2\r\nat time step 7\r\nof time line <undefined>:\r\n\r\nStop."},
  };
  for (const auto& c : cases) {
    ResetErrorState();
    CurrentEvent() = c.where;
    Run(std::string("show_error(\"Stop.\", ") + c.abort + ")");
    EXPECT_EQ(LastError(), c.want) << c.abort;
    EXPECT_EQ(ErrorAborting(), c.ends) << c.abort;
  }
}

TEST_F(ErrorPath, CodeExcerptsOfCrLfTextReadWholeOnTheConsoleAndStayAsStoredForTheGame) {
  Settings(true, true, false);
  testing::internal::CaptureStderr();
  CInstance* i = Run("a = 1;\r\nb = nothing_here;\r\nc = 2;");
  const std::string shown = testing::internal::GetCapturedStderr();
  // The excerpt's line starts with the line feed of the CR LF before it; the game keeps it.
  const std::string excerpt = "Error in code at line 2:\r   \nb = nothing_here;\r";
  EXPECT_NE(LastError().find(excerpt), std::string::npos) << LastError();
  EXPECT_NE(ReadLog().find(excerpt), std::string::npos);
  EXPECT_EQ(Var(i, "c").val(), 0.0);
  // The console shows the line whole, with the caret under the name it complains about.
  EXPECT_NE(shown.find("Error in code at line 2:\n   b = nothing_here;\n"), std::string::npos) << shown;
  const size_t line = shown.find("   b = nothing_here;\n");
  const size_t caretLine = line + std::string("   b = nothing_here;\n").size();
  const size_t caret = shown.find('^', caretLine);
  ASSERT_NE(caret, std::string::npos) << shown;
  EXPECT_EQ(shown.substr(line + (caret - caretLine), 4), "noth") << shown;
}

TEST_F(ErrorPath, ErrorVariablesReadAndWriteTheErrorState) {
  CInstance* i = Run(
      "a = error_occurred; show_error(\"x\", 0); b = error_occurred; c = error_last;"
      "error_occurred = 0.49; d = error_occurred; error_occurred = 0.5; e = error_occurred;"
      "error_last = \"mine\"; f = error_last");
  EXPECT_EQ(Var(i, "a").val(), 0.0);
  EXPECT_EQ(Var(i, "b").val(), 1.0);
  EXPECT_EQ(Var(i, "c").str().substr(0, 8), "ERROR in");
  EXPECT_EQ(Var(i, "d").val(), 0.0);
  EXPECT_EQ(Var(i, "e").val(), 1.0);
  EXPECT_EQ(Var(i, "f").str(), "mine");
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_EQ(LastError(), "mine");
}

TEST_F(ErrorPath, ScriptArgumentChecksReportThroughTheErrorPath) {
  Settings(false, true, false);
  CStream chunk;
  WriteScriptsChunk(chunk, {{true, "scr_two", "return argument0 + argument1"}, {true, "scr_arr", "return argument[3]"}});
  chunk.SetPosition(0);
  ASSERT_TRUE(LoadScripts(chunk));
  ASSERT_TRUE(CompileScripts());
  LanguageState().script_arg_errors = true;
  CurrentEvent() = {AddObject(), ev_create, 0, 0};
  // A short call fails after the script ran, named by the action that called it.
  Run("scr_two(1)");
  const std::string place = "ERROR in\r\naction number 1\r\nof Create Event\r\nfor object __newobject0:\r\n\r\n";
  const std::string count = place +
                            "Illegal argument count calling script \"scr_two\".\r"
                            "Script requires 2 arguments, 1 have been supplied.\r\n\r\n\r\n";
  EXPECT_EQ(ReadLog(), count);
  // Reading past the arguments is reported at once, without a place; the failed read follows.
  Run("scr_arr(1)");
  EXPECT_EQ(ReadLog(), count +
                           "Illegal array index in script \"scr_arr\".\r"
                           "trying to access argument[3], but only 1 arguments have been supplied.\r\n\r\n\r\n" +
                           place +
                           "In script scr_arr:\rError in code at line 1:\r   return argument[3]\r         ^\r"
                           "at position 8: Unknown variable argument or array index out of bounds\r\n\r\n\r\n");
}

}  // namespace
