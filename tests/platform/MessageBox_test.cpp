// The one message-box wrapper: when it must not or cannot show a box, the caption and text go
// to standard error and the configured answer comes back.
#include "platform/dialogs/MessageBox.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>

#include "platform/video/Video.h"

using namespace platform;

namespace {
class Scripted : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTestMode(true);
    unsetenv("RUNNER_MESSAGE_ANSWER");
  }
  void TearDown() override {
    SetTestMode(false);
    SetMessageAnswer(std::nullopt);
    unsetenv("RUNNER_MESSAGE_ANSWER");
  }
};
}  // namespace

TEST_F(Scripted, WritesCaptionAndTextToStderrAndAnswersTheFirstButtonByDefault) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(ShowMessageBox("mygame", "Failed to load."), MessageAnswer::Ok);
  EXPECT_EQ(ShowMessageBox("mygame", "Switch?", MessageButtons::YesNo), MessageAnswer::Yes);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "mygame: Failed to load.\nmygame: Switch? [yes]\n");
}

TEST_F(Scripted, AnswerComesFromTheFunctionBeforeTheEnvironment) {
  setenv("RUNNER_MESSAGE_ANSWER", "no", 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ShowMessageBox("t", "q1", MessageButtons::YesNo), MessageAnswer::No);
  SetMessageAnswer(MessageAnswer::Yes);
  EXPECT_EQ(ShowMessageBox("t", "q2", MessageButtons::YesNo), MessageAnswer::Yes);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "t: q1 [no]\nt: q2 [yes]\n");
}

TEST(MessageBox, WithoutAVisibleDisplayBoxesAreScriptedEvenOutsideTestMode) {
  const char* saved = std::getenv("SDL_VIDEODRIVER");
  const std::string keep = saved ? saved : "";
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  unsetenv("RUNNER_TEST_MODE");
  setenv("RUNNER_MESSAGE_ANSWER", "cancel", 1);
  SetTestMode(false);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ShowMessageBox("game", "Retry?", MessageButtons::OkCancel), MessageAnswer::Cancel);
  EXPECT_EQ(ShowMessageBox("game", "Done."), MessageAnswer::Ok);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "game: Retry? [cancel]\ngame: Done.\n");
  unsetenv("RUNNER_MESSAGE_ANSWER");
  if (saved)
    setenv("SDL_VIDEODRIVER", keep.c_str(), 1);
  else
    unsetenv("SDL_VIDEODRIVER");
}

TEST(MessageBox, AnswersMapOntoTheButtonsTheBoxHas) {
  using B = MessageButtons;
  using A = MessageAnswer;
  struct Case {
    B buttons;
    std::optional<A> configured;
    A expected;
  } cases[] = {
      {B::Ok, std::nullopt, A::Ok},         {B::Ok, A::No, A::Ok},
      {B::OkCancel, std::nullopt, A::Ok},   {B::OkCancel, A::Yes, A::Ok},      {B::OkCancel, A::No, A::Cancel},
      {B::YesNo, std::nullopt, A::Yes},     {B::YesNo, A::Ok, A::Yes},         {B::YesNo, A::Cancel, A::No},
      {B::YesNoCancel, A::No, A::No},       {B::YesNoCancel, A::Cancel, A::Cancel},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ResolveAnswer(c.buttons, c.configured), c.expected)
        << static_cast<int>(c.buttons) << " / " << (c.configured ? AnswerName(*c.configured) : "default");

  EXPECT_EQ(ParseMessageAnswer("cancel"), MessageAnswer::Cancel);
  EXPECT_EQ(ParseMessageAnswer("Yes"), std::nullopt);  // exact words only
  EXPECT_EQ(ParseMessageAnswer(""), std::nullopt);
}

TEST(MessageBox, OnlyAVisibleDisplayCountsAsADisplay) {
  struct Case {
    const char *display, *wayland, *driver;
    bool visible;
  } cases[] = {
      {nullptr, nullptr, nullptr, false}, {":0", nullptr, nullptr, true},      {nullptr, "wayland-0", nullptr, true},
      {"", "", nullptr, false},           {":0", nullptr, "offscreen", false}, {":0", nullptr, "dummy", false},
      {":0", nullptr, "x11", true},       {nullptr, nullptr, "x11", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DisplayVisible(c.display, c.wayland, c.driver), c.visible)
        << (c.display ? c.display : "-") << " " << (c.wayland ? c.wayland : "-") << " " << (c.driver ? c.driver : "-");
}
