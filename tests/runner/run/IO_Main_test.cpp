// The input state under its handlers, the keyboard, joystick and mouse event phases, the close
// button, the mouse mapping and the input variables.
#include <algorithm>
#include <cmath>

#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/run/Run_Hooks.h"
#include "tests/runner/run/InputWorld.h"

using namespace world;

namespace {

// One handler call: k+ k- key down/up, c char, m+ m- button down/up, w wheel up, W wheel down,
// | the end of a step.
struct RCall {
  char op;
  int32_t arg = 0;
};

void Apply(const std::vector<RCall>& calls) {
  for (const RCall& c : calls) {
    switch (c.op) {
      case 'd':
        TCallback::KeyDown(c.arg);
        break;
      case 'u':
        TCallback::KeyUp(c.arg);
        break;
      case 'c':
        TCallback::CharTyped(static_cast<char16_t>(c.arg));
        break;
      case 'D':
        TCallback::MouseDown(c.arg);
        break;
      case 'U':
        TCallback::MouseUp(c.arg);
        break;
      case 'w':
        TCallback::WheelUp();
        break;
      case 'W':
        TCallback::WheelDown();
        break;
      case '|':
        ClearPressed();
        break;
    }
  }
}

struct RKeyCase {
  const char* what;
  std::vector<RCall> calls;
  int32_t key;
  bool down, pressed, released;
  int32_t lastKey, currentKey;
};

const RKeyCase kKeyCases[] = {
    {"press and release between steps", {{'d', 37}, {'u', 37}}, 37, false, true, true, 37, 0},
    {"auto-repeat presses once", {{'d', 65}, {'|'}, {'d', 65}}, 65, true, false, false, 65, 65},
    {"held across a step", {{'d', 65}, {'|'}}, 65, true, false, false, 65, 65},
    {"releasing another key keeps the current key",
     {{'d', 65}, {'d', 66}, {'u', 65}},
     66,
     true,
     true,
     false,
     66,
     66},
    {"codes outside the table are ignored", {{'d', 256}, {'d', -1}}, 0, false, false, false, 0, 0},
    {"the end of a step keeps the last key", {{'d', 9}, {'u', 9}, {'|'}}, 9, false, false, false, 9, 0},
};

void PrintTo(const RKeyCase& c, std::ostream* os) { *os << c.what; }
class KeyHandlers : public InputTest, public ::testing::WithParamInterface<RKeyCase> {};

TEST_P(KeyHandlers, State) {
  const RKeyCase& c = GetParam();
  Apply(c.calls);
  EXPECT_EQ(KeyIsDown(c.key), c.down);
  EXPECT_EQ(KeyIsPressed(c.key), c.pressed);
  EXPECT_EQ(KeyIsReleased(c.key), c.released);
  EXPECT_EQ(LastKey(), c.lastKey);
  EXPECT_EQ(CurrentKey(), c.currentKey);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeyHandlers, ::testing::ValuesIn(kKeyCases));

TEST_F(InputTest, KeyMapReplacesArrivingCodes) {
  SetKeyMap(65, 66);
  SetKeyMap(300, 1);  // ignored
  TCallback::KeyDown(65);
  EXPECT_TRUE(KeyIsDown(66));
  EXPECT_FALSE(KeyIsDown(65));
  EXPECT_EQ(GetKeyMap(65), 66);
  EXPECT_EQ(GetKeyMap(300), 300);
  // A map to a code outside the table drops the key.
  SetKeyMap(67, 999);
  TCallback::KeyDown(67);
  EXPECT_EQ(LastKey(), 66);
  ResetKeyMap();
  EXPECT_EQ(GetKeyMap(65), 65);
}

TEST_F(InputTest, TypedStringKeepsAtMost1025CharactersAndHonoursBackspace) {
  for (int i = 0; i < 1100; ++i) TCallback::CharTyped(static_cast<char16_t>('a' + i % 26));
  EXPECT_EQ(TypedString().size(), 1025u);
  EXPECT_EQ(TypedString().back(), static_cast<char>('a' + 1099 % 26));
  TCallback::CharTyped(8);  // cut to 1024 first
  TCallback::CharTyped(8);
  EXPECT_EQ(TypedString().size(), 1022u);
  TCallback::CharTyped(13);  // control characters only set the last char
  EXPECT_EQ(TypedString().size(), 1022u);
  EXPECT_EQ(LastChar(), 13);
  SetTypedString("");
  TCallback::CharTyped(8);
  TCallback::CharTyped(0x00E9);
  EXPECT_EQ(TypedString(), "\xC3\xA9");
  // Backspace splits a surrogate pair; what is left reads as a replacement character.
  TCallback::CharTyped(0xD83D);
  TCallback::CharTyped(0xDE00);
  EXPECT_EQ(TypedString(), "\xC3\xA9\xF0\x9F\x98\x80");
  TCallback::CharTyped(8);
  EXPECT_EQ(TypedString(), "\xC3\xA9\xEF\xBF\xBD");
}

TEST_F(InputTest, MouseButtonsAndClearing) {
  Apply({{'D', 1}, {'D', 3}, {'U', 1}, {'D', 4}, {'w'}});
  EXPECT_EQ(LastButton(), 3);
  EXPECT_EQ(CurrentButton(), 0);  // any button going up forgets the current one
  EXPECT_TRUE(ButtonIsPressed(1) && ButtonIsReleased(1) && !ButtonIsDown(1));
  EXPECT_TRUE(ButtonIsDown(3));
  EXPECT_FALSE(ButtonIsDown(4));
  EXPECT_TRUE(WheelWentUp());
  ClearPressed();
  EXPECT_FALSE(ButtonIsPressed(3) || ButtonIsReleased(1) || WheelWentUp());
  EXPECT_TRUE(ButtonIsDown(3));
  Apply({{'d', 40}, {'c', 'x'}});
  ClearInput();
  EXPECT_FALSE(ButtonIsDown(3) || KeyIsDown(40) || AnyKeyDown());
  EXPECT_EQ(LastButton(), 0);
  EXPECT_EQ(LastKey(), 0);
  EXPECT_EQ(TypedString(), "");
  EXPECT_EQ(LastChar(), 0);
}

// Keyboard events: the three kinds in order, each followed by no key (0) or any key (1).
class KeyboardPhase : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    obj = AddObject();
    for (int32_t type : {ev_keyboard, ev_keypress, ev_keyrelease}) {
      const std::string t = type == ev_keyboard ? "kb" : type == ev_keypress ? "press" : "rel";
      for (int32_t n : {0, 1, 16, 37}) Tag(obj, type, n, t + std::to_string(n));
    }
    room.AddInstance(0, 0, obj);
    BuildEventLists();
  }
  int32_t obj = -1;
};

TEST_F(KeyboardPhase, PressedAndReleasedBetweenStepsFiresAllThreeKinds) {
  Apply({{'d', 37}, {'u', 37}});
  KeyboardEvents();
  EXPECT_EQ(Tags(), (std::vector<std::string>{"kb37", "kb1", "press37", "press1", "rel37", "rel1"}));
}

TEST_F(KeyboardPhase, HeldKeyGivesOnePressThenKeyboardEventsEveryStep) {
  Apply({{'d', 37}});
  KeyboardEvents();
  EXPECT_EQ(Tags(), (std::vector<std::string>{"kb37", "kb1", "press37", "press1", "rel0"}));
  Apply({{'|'}, {'d', 37}});  // auto-repeat
  KeyboardEvents();
  EXPECT_EQ(Tags(), (std::vector<std::string>{"kb37", "kb1", "press0", "rel0"}));
}

TEST_F(KeyboardPhase, CodesAbove128CountAsAnyKeyButHaveNoEvents) {
  Tag(obj, ev_keyboard, 128, "kb128");
  BuildEventLists();
  Apply({{'d', 160}, {'d', 128}});
  KeyboardEvents();
  EXPECT_EQ(Tags(), (std::vector<std::string>{"kb128", "kb1", "press1", "rel0"}));
}

TEST_F(KeyboardPhase, NothingHeldGivesNoKeyEvents) {
  KeyboardEvents();
  EXPECT_EQ(Tags(), (std::vector<std::string>{"kb0", "press0", "rel0"}));
}

TEST_F(InputTest, CloseButtonAsEscapeOrAsTheCloseEvent) {
  const int32_t obj = AddObject();
  Tag(obj, ev_other, kCloseButtonEvent, "close");
  room.AddInstance(0, 0, obj);
  room.AddInstance(0, 0, obj)->i_marked = true;
  BuildEventLists();

  SetCloseAsEscape(true);
  TCallback::CloseRequest();
  EXPECT_TRUE(KeyIsDown(kEscapeKey));
  EXPECT_FALSE(KeyIsPressed(kEscapeKey));
  EXPECT_EQ(LastKey(), kEscapeKey);
  EXPECT_EQ(CurrentKey(), kEscapeKey);
  EXPECT_TRUE(Tags().empty());

  ClearInput();
  SetCloseAsEscape(false);
  TCallback::CloseRequest();
  EXPECT_FALSE(KeyIsDown(kEscapeKey));
  EXPECT_EQ(Tags(), (std::vector<std::string>{"close"}));
  SetCloseAsEscape(true);
}

TEST_F(InputTest, BlockedStepsIgnoreEveryHandler) {
  RunHooks().stepBlocked = [] { return true; };
  Apply({{'d', 37}, {'c', 'x'}, {'D', 1}, {'w'}});
  TCallback::CloseRequest();
  RunHooks().stepBlocked = nullptr;
  EXPECT_FALSE(AnyKeyDown() || ButtonIsDown(1) || WheelWentUp());
  EXPECT_EQ(TypedString(), "");
}

TEST_F(InputTest, JoystickEventsFollowStickAndButtonsOfBothDevices) {
  const int32_t obj = AddObject();
  for (int32_t n : {16, 17, 18, 19, 21, 28, 31, 34, 36, 43}) Tag(obj, ev_mouse, n, "j" + std::to_string(n));
  room.AddInstance(0, 0, obj);
  BuildEventLists();
  platform::RJoystickState one;
  one.present = true;
  one.pos[0] = 19999;     // left
  one.pos[1] = 44001;     // down
  one.buttonMask = 0x81;  // buttons 1 and 8
  platform::RJoystickState two = one;
  two.pos = {32768, 44001, 0, 0, 0, 0};
  two.buttonMask = 0x101;  // button 9 has no event
  SetJoystickState(0, one);
  SetJoystickState(1, two);
  JoystickEvents();
  EXPECT_EQ(Tags(), (std::vector<std::string>{"j16", "j19", "j21", "j28", "j34", "j36"}));
  one.present = false;  // a failing query gives nothing
  SetJoystickState(0, one);
  SetJoystickState(1, {});
  JoystickEvents();
  EXPECT_TRUE(Tags().empty());
}

// Mouse events: a view shows room (100, 0)-(420, 240) in the region's (0, 0)-(640, 480).
class MousePhase : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    room.r_enableviews = true;
    room.r_view[0] = {};
    room.r_view[0].visible = true;
    room.r_view[0].xview = 100;
    room.r_view[0].wview = 320;
    room.r_view[0].hview = 240;
    RecordRoomViews(room);  // as the last drawn frame would have
    obj = AddObject();
    const std::pair<int32_t, const char*> tags[] = {
        {0, "left"},
        {1, "right"},
        {3, "none"},
        {4, "leftpress"},
        {7, "leftrel"},
        {10, "enter"},
        {11, "leave"},
        {12, "globalpress"},
        {13, "globalrel"},
        {50, "globalleft"},
        {53, "globalleftpress"},
        {56, "globalleftrel"},
        {60, "wheelup"},
        {61, "wheeldown"},
    };
    for (const auto& [n, tag] : tags) Tag(obj, ev_mouse, n, tag);
    under = At(obj, 100, 0, 120, 20);
    away = At(obj, 300, 200, 310, 210);
    BuildEventLists();
  }
  // One mouse phase and the end of the step; tags as "event:u" or "event:a".
  std::vector<std::string> Step() {
    MouseEvents();
    ClearPressed();
    std::vector<std::string> out;
    for (const std::string& s : Trace()) {
      const std::string id = s.substr(s.find('@') + 1, s.find('/') - s.find('@') - 1);
      out.push_back(s.substr(0, s.find('@')) + (id == std::to_string(under->i_id) ? ":u" : ":a"));
    }
    Trace().clear();
    return out;
  }
  int32_t obj = -1;
  CInstance* under = nullptr;
  CInstance* away = nullptr;
};

using Tags_ = std::vector<std::string>;

TEST_F(MousePhase, EventsUnderTheCursorThroughTheViewAndGlobalOnesForAll) {
  SetMouseRegionPosition(1000, 1000);  // off every instance
  EXPECT_EQ(Step(), Tags_{});
  // Region (20, 20) is room (110, 10): on the first instance.
  SetMouseRegionPosition(20, 20);
  EXPECT_EQ(Step(), (Tags_{"none:u", "enter:u"}));
  EXPECT_EQ(MouseX(), 110);
  EXPECT_EQ(MouseY(), 10);
  TCallback::MouseDown(1);
  EXPECT_EQ(Step(), (Tags_{"left:u", "globalleft:u", "globalleft:a", "leftpress:u", "globalpress:u",
                           "globalpress:a", "globalleftpress:u", "globalleftpress:a"}));
  EXPECT_EQ(Step(), (Tags_{"left:u", "globalleft:u", "globalleft:a"}));
  TCallback::MouseUp(1);
  SetMouseRegionPosition(400, 400);  // room (300, 200): the other instance
  EXPECT_EQ(Step(), (Tags_{"none:a", "leftrel:a", "globalrel:u", "globalrel:a", "globalleftrel:u",
                           "globalleftrel:a", "enter:a", "leave:u"}));
}

TEST_F(MousePhase, PressingTwoButtonsFiresTheGlobalPressTwice) {
  SetMouseRegionPosition(1000, 1000);
  TCallback::MouseDown(1);
  TCallback::MouseDown(2);
  TCallback::WheelUp();
  TCallback::WheelDown();
  const Tags_ tags = Step();
  EXPECT_EQ(std::count(tags.begin(), tags.end(), "globalpress:u"), 2);
  EXPECT_EQ(std::count(tags.begin(), tags.end(), "wheelup:a"), 1);
  EXPECT_EQ(std::count(tags.begin(), tags.end(), "wheeldown:u"), 1);
}

TEST_F(MousePhase, MarkedInstancesAndRoomChangesStopEvents) {
  SetMouseRegionPosition(20, 20);
  under->i_marked = true;
  TCallback::MouseDown(1);
  EXPECT_EQ(Step(), (Tags_{"globalleft:a", "globalpress:a", "globalleftpress:a"}));
  SetPendingRoomChange(2);
  TCallback::MouseDown(1);
  EXPECT_EQ(Step(), Tags_{});
}

TEST_F(MousePhase, ThePointTestIsReplaceable) {
  RunLookups().instanceContainsPoint = [](CInstance*, double x, double) { return x == 110; };
  SetMouseRegionPosition(20, 20);
  EXPECT_EQ(Step(), (Tags_{"none:u", "none:a", "enter:u", "enter:a"}));
}

// Window to region.
struct RRegionCase {
  const char* what;
  RRegionLayout layout;
  int32_t a, b, x, y;
};
const RRegionCase kRegionCases[] = {
    {"fixed scale 1, client the region's size", {640, 480, 640, 480, 1}, 10, 20, 10, 20},
    {"fixed scale 2 centred in a larger client", {1400, 1000, 640, 480, 2}, 70, 60, 5, 20},
    {"stretch", {1280, 480, 640, 480, 0}, 101, 20, 50, 20},  // 50.5 rounds to even
    {"stretch with an empty client", {0, 0, 640, 480, 0}, 5, 5, 3200, 2400},
    {"keep aspect", {1280, 1200, 640, 480, -1}, 640, 600, 320, 240},
    {"keep aspect with an empty region", {640, 480, 0, 0, -1}, 10, 10, 0, 0},
    {"region larger than the client", {100, 100, 200, 200, 1}, 0, 0, 50, 50},
    {"odd margins truncate", {101, 101, 100, 100, 1}, 10, 10, 10, 10},
    {"absurd sizes stay in range", {-2147483647 - 1, 5, 2147483647, 5, 1e300}, 0, 0, 2147483647, 2},
};
void PrintTo(const RRegionCase& c, std::ostream* os) { *os << c.what; }
class RegionMapping : public ::testing::TestWithParam<RRegionCase> {};
TEST_P(RegionMapping, Maps) {
  const RRegionCase& c = GetParam();
  int32_t x = -1, y = -1;
  WindowToRegion(c.layout, c.a, c.b, x, y);
  EXPECT_EQ(x, c.x);
  EXPECT_EQ(y, c.y);
}
INSTANTIATE_TEST_SUITE_P(Cases, RegionMapping, ::testing::ValuesIn(kRegionCases));

RViewRecord View(double xv, double yv, double wv, double hv, double xp, double yp, double wp, double hp,
                 double angle = 0) {
  return {true, xv, yv, wv, hv, xp, yp, wp, hp, angle};
}

TEST(ViewMapping, ThroughOneView) {
  int32_t x = 0, y = 0;
  RegionToRoomThroughView(View(100, 50, 320, 240, 0, 0, 640, 480), 64, 48, x, y);
  EXPECT_EQ(x, 132);
  EXPECT_EQ(y, 74);
  // Rotated a quarter turn about the view's centre (260, 170).
  RegionToRoomThroughView(View(100, 50, 320, 240, 0, 0, 320, 240, 90), 260, 120, x, y);
  EXPECT_EQ(x, 260);
  EXPECT_EQ(y, 270);
  // An empty port or an unused record leaves the position as it is.
  RegionToRoomThroughView(View(100, 50, 320, 240, 0, 0, 0, 240), 7, 8, x, y);
  EXPECT_EQ(x, 7);
  RViewRecord unused = View(100, 50, 320, 240, 0, 0, 640, 480);
  unused.used = false;
  RegionToRoomThroughView(unused, 7, 8, x, y);
  EXPECT_EQ(y, 8);
}

TEST(ViewMapping, HigherViewWinsAndOutsideAllTheLowestUsedOneStands) {
  RViewRecord views[kViewSlots];
  int32_t x = 0, y = 0;
  RegionToRoom(views, 5, 6, x, y);  // no view: the region position
  EXPECT_EQ(x, 5);
  views[2] = View(0, 0, 100, 100, 0, 0, 100, 100);
  views[5] = View(1000, 0, 100, 100, 50, 50, 100, 100);
  RegionToRoom(views, 60, 60, x, y);
  EXPECT_EQ(x, 1010);
  RegionToRoom(views, 20, 20, x, y);
  EXPECT_EQ(x, 20);
  RegionToRoom(views, 500, 500, x, y);
  EXPECT_EQ(x, 500);
  EXPECT_EQ(y, 500);
}

TEST_F(InputTest, WindowPositionsGoThroughTheInstalledLayout) {
  SetMouseWindowPosition(30, 40);
  EXPECT_EQ(MouseRegionX(), 30);
  RunLookups().regionLayout = [](RRegionLayout& l) {
    l = {1280, 960, 640, 480, 0};
    return true;
  };
  SetMouseWindowPosition(30, 40);
  EXPECT_EQ(MouseRegionX(), 15);
  EXPECT_EQ(MouseRegionY(), 20);
}

// The variables through their handlers.
RValue Read(const char* name) {
  RValue v;
  EXPECT_TRUE(ReadBuiltIn(nullptr, BuiltInVarId(name), 0, v)) << name;
  return v;
}
void Write(const char* name, const RValue& v) { WriteBuiltIn(nullptr, BuiltInVarId(name), 0, v); }

TEST_F(InputTest, VariablesReadAndWriteTheStateWithTheirRangeRules) {
  TCallback::KeyDown(65);
  TCallback::CharTyped('q');
  EXPECT_EQ(Read("keyboard_key").val(), 65);
  EXPECT_EQ(Read("keyboard_lastchar").str(), "q");
  Write("keyboard_lastkey", RValue(300.0));  // refused
  EXPECT_EQ(Read("keyboard_lastkey").val(), 65);
  Write("keyboard_lastkey", RValue(12.4));
  EXPECT_EQ(LastKey(), 12);
  Write("keyboard_lastchar", RValue(std::string_view("xyz")));
  EXPECT_EQ(LastChar(), 'x');
  Write("keyboard_lastchar", RValue(std::string_view("")));
  EXPECT_EQ(LastChar(), 'x');
  Write("keyboard_string", RValue(std::string_view("hi")));
  TCallback::CharTyped('!');
  EXPECT_EQ(Read("keyboard_string").str(), "hi!");
  Write("mouse_button", RValue(0.0));  // refused: only 1..3
  Write("mouse_lastbutton", RValue(2.0));
  EXPECT_EQ(Read("mouse_button").val(), 0);
  EXPECT_EQ(Read("mouse_lastbutton").val(), 2);
  SetMouseRegionPosition(3, 4);
  MouseEvents();
  EXPECT_EQ(Read("mouse_x").val(), 3);
  EXPECT_EQ(Read("mouse_y").val(), 4);
}

}  // namespace
