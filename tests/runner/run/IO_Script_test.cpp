// Input scripts: what they read as, how they are written back, and the messages for damaged ones.
#include "runner/run/IO_Script.h"

#include <gtest/gtest.h>

namespace {

TEST(InputScript, ReadsEveryKindOfLineAndWritesItBack) {
  const std::string text =
      "input 1\n"
      "step 0 pump 1\n"
      "keydown 65\n"
      "step 1\n"
      "mouse -5 7\n"
      "keydown 160\n"
      "char 233\n"
      "keyup 160\n"
      "mousedown 1\n"
      "mouseup 3\n"
      "wheelup\n"
      "wheeldown\n"
      "focus 0\n"
      "numlock 1\n"
      "close\n"
      "joystick 2 connect 6 8 1 Pad  with spaces\n"
      "joystick 2 state 0 65535 1 2 3 4 129 -1\n"
      "joystick 2 state 0 65535 1 2 3 4 129 9000\n"
      "step 1 pump 2\n"
      "joystick 2 disconnect\n"
      "end\n";
  RInputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript(text, script, error)) << error;
  ASSERT_EQ(script.blocks.size(), 3u);
  EXPECT_EQ(script.blocks[0].step, 0);
  EXPECT_EQ(script.blocks[0].pump, 1);
  const RScriptBlock& b = script.blocks[1];
  ASSERT_EQ(b.items.size(), 14u);
  EXPECT_EQ(b.items[0].kind, RScriptItem::EKind::Mouse);
  EXPECT_EQ(b.items[0].x, -5);
  EXPECT_EQ(b.items[2].input, (platform::RInputEvent{platform::EInput::Char, 233, 0}));
  const platform::RJoystickState& j = b.items[12].joystick;
  EXPECT_TRUE(j.present);
  EXPECT_EQ(j.name, "Pad  with spaces");
  EXPECT_EQ(j.axes, 6);
  EXPECT_EQ(j.pos[1], 65535);
  EXPECT_EQ(j.buttonMask, 129u);
  EXPECT_EQ(j.povHundredths, platform::kPovCentred);
  EXPECT_EQ(b.items[13].joystick.povHundredths, 9000);
  EXPECT_EQ(b.items[13].joystick.name, "Pad  with spaces");  // a state keeps the description
  EXPECT_FALSE(script.blocks[2].items[0].joystick.present);
  EXPECT_EQ(FormatInputScript(script), text);
}

TEST(InputScript, CommentsBlankLinesAndLineEndsAreAllowed) {
  RInputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("# made by hand\r\n\r\ninput 1\r\n  step 3  \r\n\tkeydown 37 \r\n# done",
                               script, error))
      << error;
  ASSERT_EQ(script.blocks.size(), 1u);
  EXPECT_EQ(script.blocks[0].step, 3);
  EXPECT_EQ(script.blocks[0].items.size(), 1u);
}

TEST(InputScript, KeyNamesPressAndScreenshot) {
  const struct {
    const char* name;
    int32_t code;
  } names[] = {{"A", 65}, {"z", 90}, {"7", 55}, {"F9", 120}, {"f12", 123}, {"Enter", 13}, {"LEFT", 37},
               {"Space", 32}, {"Escape", 27}, {"Numpad0", 96}, {"LShift", 160}, {"End", 35}, {"Q1", -1}, {"", -1}};
  for (const auto& n : names) EXPECT_EQ(InputKeyCode(n.name), n.code) << n.name;
  // Every documented name reads back as its code.
  for (const RInputKeyName& k : InputKeyNames()) EXPECT_EQ(InputKeyCode(k.name), k.code) << k.name;

  // press: down at its step, up when the next step begins, before what the script has there;
  // a number alone is still a code, not a digit key.
  RInputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("input 1\nstep 1\npress Enter\nkeydown 7\nstep 2\nkeyup Left\n"
                               "step 5\npress a\nstep 6 pump 1\nscreenshot\nstep 8\npress F9\nscreenshot shot.png\n",
                               script, error))
      << error;
  EXPECT_EQ(FormatInputScript(script),
            "input 1\nstep 1\nkeydown 13\nkeydown 7\nstep 2\nkeyup 13\nkeyup 37\n"
            "step 5\nkeydown 65\nstep 6\nkeyup 65\nstep 6 pump 1\nscreenshot\n"
            "step 8\nkeydown 120\nscreenshot shot.png\nstep 9\nkeyup 120\n");
  EXPECT_EQ(script.blocks[5].items[1].kind, RScriptItem::EKind::Screenshot);
  EXPECT_EQ(script.blocks[5].items[1].file, "shot.png");
}

struct RBadCase {
  const char* text;
  const char* error;
};

const RBadCase kBad[] = {
    {"", "the script is empty: expected \"input 1\""},
    {"# nothing\n\n", "the script is empty: expected \"input 1\""},
    {"step 1\n", "line 1: expected \"input 1\" first"},
    {"input 2\n", "line 1: unknown version 2"},
    {"input 1\nkeydown 5\n", "line 2: input before the first step line"},
    {"input 1\nstep 0\n", "line 2: expected \"step N\" (N at least 1) or \"step N pump K\" (K at least 1)"},
    {"input 1\nstep 2 pump 0\n",
     "line 2: expected \"step N\" (N at least 1) or \"step N pump K\" (K at least 1)"},
    {"input 1\nstep 99999999999999999999\n",
     "line 2: expected \"step N\" (N at least 1) or \"step N pump K\" (K at least 1)"},
    {"input 1\nstep 2\nstep 2\n", "line 3: steps must go forward"},
    {"input 1\nstep 2 pump 3\nstep 2 pump 1\n", "line 3: steps must go forward"},
    {"input 1\nstep 2\nstep 1\n", "line 3: steps must go forward"},
    {"input 1\nstep 1\nkeydown 256\n", "line 3: keydown takes one key: a key name or a code from 0 to 255"},
    {"input 1\nstep 1\nkeydown 1x\n", "line 3: keydown takes one key: a key name or a code from 0 to 255"},
    {"input 1\nstep 1\nkeydown\n", "line 3: keydown takes one key: a key name or a code from 0 to 255"},
    {"input 1\nstep 1\nmousedown 4\n", "line 3: mousedown takes one number from 1 to 3"},
    {"input 1\nstep 1\nwheelup 1\n", "line 3: wheelup takes no argument"},
    {"input 1\nstep 1\nmouse 1\n", "line 3: mouse takes two whole numbers"},
    {"input 1\nstep 1\nmouse 1 3000000000\n", "line 3: mouse takes two whole numbers"},
    {"input 1\nstep 1\nmove 1 2\n", "line 3: unknown input \"move\""},
    {"input 1\nstep 1\njoystick 3 connect 1 1 0\n",
     "line 3: joystick takes 1 or 2, then connect, state or disconnect"},
    {"input 1\nstep 1\njoystick 1 state 1 2 3 4 5 6 0 -1\n", "line 3: joystick state before it connects"},
    {"input 1\nstep 1\njoystick 1 connect 7 1 0\n",
     "line 3: joystick connect takes axes 0-6, buttons 0-32, pov 0-1 and a name"},
    {"input 1\nstep 1\njoystick 1 connect 2 2 0\njoystick 1 state 1 2 3\n",
     "line 4: joystick state takes six axis positions, a button mask and a pov"},
    {"input 1\nstep 1\njoystick 1 connect 2 2 0\njoystick 1 state 1 2 3 4 5 65536 0 -1\n",
     "line 4: axis positions go from 0 to 65535"},
    {"input 1\nstep 1\njoystick 1 connect 2 2 0\njoystick 1 state 1 2 3 4 5 6 -1 -1\n",
     "line 4: the button mask goes from 0 to 4294967295"},
    {"input 1\nstep 1\njoystick 1 connect 2 2 0\njoystick 1 state 1 2 3 4 5 6 0 36000\n",
     "line 4: pov is -1 (centred) or 0 to 35999"},
    {"input 1\nstep 1\njoystick 1 disconnect\njoystick 1 state 1 2 3 4 5 6 0 -1\n",
     "line 4: joystick state before it connects"},
    {"input 1\nstep 1\njoystick 1 wiggle\n", "line 3: joystick takes connect, state or disconnect"},
    {"input 1\nstep 1\nend now\n", "line 3: end takes no argument"},
    {"input 1\nstep 1\nkeyup Foo\n", "line 3: unknown key \"Foo\" (a key name or a code from 0 to 255)"},
    {"input 1\nstep 1\npress\n", "line 3: press takes one key: a key name or a code from 0 to 255"},
    {"input 1\nstep 1\npress 300\n", "line 3: press takes one key: a key name or a code from 0 to 255"},
    {"input 1\nstep 1\nscreenshot a b\n", "line 3: screenshot takes at most a file name"},
};

class BadScript : public ::testing::TestWithParam<RBadCase> {};

TEST_P(BadScript, ReportsTheLineAndReason) {
  RInputScript script;
  std::string error;
  EXPECT_FALSE(ParseInputScript(GetParam().text, script, error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadScript, ::testing::ValuesIn(kBad));

TEST(InputScript, BinaryGarbageIsRejectedWithoutHarm) {
  std::string text = "input 1\nstep 1\n";
  for (int i = 0; i < 4096; ++i) text += static_cast<char>((i * 7919) & 0xFF);
  RInputScript script;
  std::string error;
  EXPECT_FALSE(ParseInputScript(text, script, error));
  EXPECT_EQ(error.rfind("line ", 0), 0u);
  EXPECT_FALSE(ParseInputScript(std::string(kInputScriptMaxBytes + 1, '\n'), script, error));
}

}  // namespace
