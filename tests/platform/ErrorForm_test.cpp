// The error window: its memo of every message, and the scripted answers when nobody can see it.
#include "platform/dialogs/ErrorForm.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "platform/dialogs/MessageBox.h"
#include "platform/dialogs/headless/ConsoleText.h"
#include "platform/dialogs/headless/HeadlessMessageBox.h"

using namespace platform;

namespace {
class ScriptedErrorForm : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTestMode(true);
    unsetenv("RUNNER_ERROR_ANSWER");
  }
  void TearDown() override {
    SetTestMode(false);
    SetErrorAnswer(std::nullopt);
    unsetenv("RUNNER_ERROR_ANSWER");
  }
  TErrorForm form;
};
}  // namespace

TEST(ErrorFormMemo, EachMessageFollowsABlankLineAndASeparatorSplitAtCarriageReturns) {
  TErrorForm form;
  form.AddMessage("ERROR in\r\naction number 1\r\n\r\nboom");
  form.AddMessage("a\rb\nc\r");
  const std::string bar(43, '_');
  const std::vector<std::string> want = {"", bar, "ERROR in", "action number 1", "", "boom",
                                         "", bar, "a",        "bc",              ""};
  EXPECT_EQ(std::vector<std::string>(form.ErrorMemo.begin(), form.ErrorMemo.end()), want);
  EXPECT_EQ(form.MemoText(), "\n" + bar + "\nERROR in\naction number 1\n\nboom\n\n" + bar + "\na\nbc\n");
  form.ClearBtnClick();
  EXPECT_TRUE(form.ErrorMemo.empty());
  form.AddMessage("");
  EXPECT_EQ(form.ErrorMemo.size(), 3u);
}

TEST(ErrorFormMemo, KeepsTheNewestLinesWithinItsLimit) {
  TErrorForm form;
  for (size_t i = 0; i < TErrorForm::kMaxMemoLines / 3 + 2; ++i) form.AddMessage(std::to_string(i));
  ASSERT_EQ(form.ErrorMemo.size(), TErrorForm::kMaxMemoLines);
  EXPECT_EQ(form.ErrorMemo.back(), std::to_string(TErrorForm::kMaxMemoLines / 3 + 1));
}

// Bytes are capped as well as lines: huge messages (one long line, or many long lines) keep
// the memo within its byte limit, newest last.
TEST(ErrorFormMemo, KeepsWithinItsByteLimit) {
  const struct {
    size_t messages;
    std::string body;
  } rows[] = {
      {80, std::string(1 << 20, 'x')},  // one line of 1 MiB each
      {200, std::string(60000, 'y') + "\r" + std::string(60000, 'z')},  // many lines under the line cap
  };
  for (const auto& r : rows) {
    TErrorForm form;
    for (size_t i = 0; i < r.messages; ++i) form.AddMessage(std::to_string(i) + r.body);
    size_t bytes = 0;
    for (const std::string& line : form.ErrorMemo) {
      EXPECT_LE(line.size(), TErrorForm::kMaxLineBytes);
      bytes += line.size();
    }
    EXPECT_EQ(bytes, form.MemoBytes);
    EXPECT_LE(bytes, TErrorForm::kMaxMemoBytes);
    EXPECT_GT(bytes, TErrorForm::kMaxMemoBytes / 2);
    EXPECT_EQ(form.ErrorMemo.back().back(), r.body.back() == 'x' ? '.' : 'z');
    form.ClearBtnClick();
    EXPECT_EQ(form.MemoBytes, 0u);
  }
}

TEST_F(ScriptedErrorForm, AnswersAsConfiguredAndNeverIgnoresWithoutTheIgnoreButton) {
  struct {
    const char* env;                    // RUNNER_ERROR_ANSWER, null when unset
    std::optional<ErrorAnswer> set;     // SetErrorAnswer
    bool ignorable;
    ErrorAnswer want;
  } cases[] = {
      {nullptr, std::nullopt, true, ErrorAnswer::Abort},  // as closing the window
      {"ignore", std::nullopt, true, ErrorAnswer::Ignore},
      {"ignore", std::nullopt, false, ErrorAnswer::Abort},
      {"abort", std::nullopt, true, ErrorAnswer::Abort},
      {"Ignore", std::nullopt, true, ErrorAnswer::Abort},  // unknown words count as unset
      {"abort", ErrorAnswer::Ignore, true, ErrorAnswer::Ignore},
      {"ignore", ErrorAnswer::Abort, true, ErrorAnswer::Abort},
  };
  for (const auto& c : cases) {
    if (c.env)
      setenv("RUNNER_ERROR_ANSWER", c.env, 1);
    else
      unsetenv("RUNNER_ERROR_ANSWER");
    SetErrorAnswer(c.set);
    testing::internal::CaptureStderr();
    EXPECT_EQ(form.Execute("m", c.ignorable), c.want) << (c.env ? c.env : "unset") << " " << c.ignorable;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("Error Messages: m [") + ErrorAnswerName(c.want) + "]\n");
  }
  EXPECT_EQ(form.ErrorMemo.size(), 3 * std::size(cases));
}

TEST_F(ScriptedErrorForm, WritesEachLineOfTheMessageToStderr) {
  testing::internal::CaptureStderr();
  form.Execute("ERROR in\r\naction number 2\r\nof Draw Event\rx\ny", false);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error Messages: ERROR in\naction number 2\nof Draw Event\nx\ny [abort]\n");
}

TEST(ConsoleLines, EveryLineEndBreaksOnceAndAnExcerptKeepsItsLineWhole) {
  const std::pair<const char*, const char*> rows[] = {
      {"a\r\nb", "a\nb"},
      {"a\rb\nc", "a\nb\nc"},
      {"a\r\n\r\nb", "a\n\nb"},
      {"a\n\nb", "a\n\nb"},
      // A code excerpt of CR LF text: its line begins with the LF of the pair before it.
      {"line 2:\r   \nb c\r     ^", "line 2:\n   b c\n     ^"},
      {"x\r \t\ny", "x\n \ty"},
      {"x\r y\nz", "x\n y\nz"},  // text before the LF: a line end of its own
      {"", ""},
  };
  for (const auto& [in, want] : rows) EXPECT_EQ(ConsoleText(in), want) << in;
  // Message boxes write the same lines; a bare CR never reaches the terminal.
  testing::internal::CaptureStderr();
  ShowHeadlessMessageBox("game", "Error in expression:1 +\r position 3: Expression expected", MessageButtons::Ok,
                         MessageAnswer::Ok);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "game: Error in expression:1 +\n position 3: Expression expected\n");
}
