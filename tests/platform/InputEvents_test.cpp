// Keys, characters, buttons and window events from SDL to input records; keys pushed into the
// queue; virtual joysticks read as the runner's games see joysticks.
#include "platform/events/InputEvents.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/events/EventPump.h"
#include "platform/events/Joystick.h"
#include "platform/events/KeyCodes.h"

using platform::EInput;
using platform::RInputEvent;

namespace {

struct RKeyCase {
  SDL_Scancode scancode;
  SDL_Keycode keycode;
  bool numLock;
  int32_t vk;
};

const RKeyCase kKeys[] = {
    {SDL_SCANCODE_A, SDLK_a, false, 65},
    {SDL_SCANCODE_Q, SDLK_a, false, 65},        // the layout decides letters
    {SDL_SCANCODE_Q, SDLK_UNKNOWN, false, 81},  // without a latin letter, the position does
    {SDL_SCANCODE_0, SDLK_0, false, 48},
    {SDL_SCANCODE_RETURN, SDLK_RETURN, false, 13},
    {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, false, 13},
    {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, false, 27},
    {SDL_SCANCODE_LEFT, SDLK_LEFT, false, 37},
    {SDL_SCANCODE_F12, SDLK_F12, false, 123},
    {SDL_SCANCODE_KP_7, SDLK_KP_7, true, 103},
    {SDL_SCANCODE_KP_7, SDLK_KP_7, false, 36},  // Home while Num Lock is off
    {SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, false, 46},
    {SDL_SCANCODE_KP_MULTIPLY, SDLK_KP_MULTIPLY, false, 106},
    {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, false, 161},
    {SDL_SCANCODE_LCTRL, SDLK_LCTRL, false, 162},
    {SDL_SCANCODE_RALT, SDLK_RALT, false, 165},
    {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, false, 186},
    {SDL_SCANCODE_MUTE, SDLK_MUTE, false, 0},
};

class KeyTable : public ::testing::TestWithParam<RKeyCase> {};

TEST_P(KeyTable, MapsToTheVirtualKey) {
  const RKeyCase& c = GetParam();
  EXPECT_EQ(platform::VirtualKeyFromSdl(c.scancode, c.keycode, c.numLock), c.vk);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeyTable, ::testing::ValuesIn(kKeys));

TEST(KeyTable, EveryCodeWithAKeyComesBackFromItsScancode) {
  int covered = 0;
  for (int32_t vk = 0; vk < 256; ++vk) {
    const SDL_Scancode sc = platform::ScancodeFromVirtualKey(vk);
    if (sc == SDL_SCANCODE_UNKNOWN) continue;
    ++covered;
    EXPECT_EQ(platform::GenericVirtualKey(platform::VirtualKeyFromSdl(sc, SDLK_UNKNOWN, true)),
              platform::GenericVirtualKey(vk))
        << vk;
  }
  EXPECT_GT(covered, 100);
  EXPECT_EQ(platform::ScancodeFromVirtualKey(16), SDL_SCANCODE_LSHIFT);
  EXPECT_EQ(platform::ScancodeFromVirtualKey(256), SDL_SCANCODE_UNKNOWN);
  EXPECT_EQ(platform::GenericVirtualKey(163), 17);
}

SDL_Event Key(Uint32 type, SDL_Scancode sc, SDL_Keycode sym, Uint16 mod = KMOD_NUM, Uint32 window = 1) {
  SDL_Event e{};
  e.type = type;
  e.key.windowID = window;
  e.key.keysym.scancode = sc;
  e.key.keysym.sym = sym;
  e.key.keysym.mod = mod;
  return e;
}

std::vector<RInputEvent> Translate(const SDL_Event& e, uint32_t window = 1) {
  std::vector<RInputEvent> out;
  platform::TranslateInputEvent(e, window, out);
  return out;
}

TEST(Translate, KeysWithTheCharactersWindowsTypesForThem) {
  Translate(Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a));  // Num Lock state now known
  using V = std::vector<RInputEvent>;
  EXPECT_EQ(Translate(Key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE)),
            (V{{EInput::KeyDown, 8, 0}, {EInput::Char, 8, 0}}));
  EXPECT_EQ(Translate(Key(SDL_KEYUP, SDL_SCANCODE_RETURN, SDLK_RETURN)), (V{{EInput::KeyUp, 13, 0}}));
  EXPECT_EQ(Translate(Key(SDL_KEYDOWN, SDL_SCANCODE_C, SDLK_c, KMOD_NUM | KMOD_LCTRL)),
            (V{{EInput::KeyDown, 67, 0}, {EInput::Char, 3, 0}}));
  EXPECT_EQ(Translate(Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a)), (V{{EInput::KeyDown, 65, 0}}));
  EXPECT_EQ(Translate(Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, 0)),
            (V{{EInput::NumLock, 0, 0}, {EInput::KeyDown, 65, 0}}));
  EXPECT_TRUE(Translate(Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, 0, 2)).empty());   // another window
  EXPECT_EQ(Translate(Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, 0, 0)).size(), 1u);  // injected: no window
}

TEST(Translate, TextBecomesUtf16Units) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = 1;
  SDL_strlcpy(e.text.text, "a\xC3\xA9\xF0\x9F\x98\x80\xFF", sizeof e.text.text);
  std::vector<int32_t> units;
  for (const RInputEvent& r : Translate(e)) units.push_back(r.a);
  EXPECT_EQ(units, (std::vector<int32_t>{'a', 0xE9, 0xD83D, 0xDE00, 0xFFFD}));
}

TEST(Translate, MouseWheelAndWindow) {
  using V = std::vector<RInputEvent>;
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = 1;
  e.button.button = SDL_BUTTON_RIGHT;
  e.button.x = 5;
  e.button.y = 6;
  EXPECT_EQ(Translate(e), (V{{EInput::MouseMove, 5, 6}, {EInput::MouseDown, 2, 0}}));
  e.button.button = SDL_BUTTON_X1;
  EXPECT_EQ(Translate(e), (V{{EInput::MouseMove, 5, 6}}));
  e = {};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.windowID = 1;
  e.wheel.y = -2;
  EXPECT_EQ(Translate(e), (V{{EInput::WheelDown, 0, 0}}));
  e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  EXPECT_EQ(Translate(e), (V{{EInput::WheelUp, 0, 0}}));
  e = {};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = 1;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  EXPECT_EQ(Translate(e), (V{{EInput::Close, 0, 0}}));
  e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  EXPECT_EQ(Translate(e), (V{{EInput::Focus, 0, 0}}));
  e.window.event = SDL_WINDOWEVENT_EXPOSED;
  std::vector<RInputEvent> none;
  EXPECT_FALSE(platform::TranslateInputEvent(e, 1, none));
  e = {};
  e.type = SDL_QUIT;
  EXPECT_EQ(Translate(e), (V{{EInput::Close, 0, 0}}));
}

TEST(PushKey, ComesBackAsTheSameKey) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
  for (int32_t vk : {65, 13, 96, 160, 112}) {
    ASSERT_TRUE(platform::PushKeyEvent(vk, true)) << vk;
    // A poll may stop early once at SDL's end-of-round marker.
    SDL_Event e{};
    for (int tries = 0; tries < 3 && e.type != SDL_KEYDOWN;) {
      if (!platform::PollEvent(e)) ++tries;
    }
    ASSERT_EQ(e.type, SDL_KEYDOWN) << vk;
    std::vector<RInputEvent> out;
    ASSERT_TRUE(platform::TranslateInputEvent(e, 7, out));
    ASSERT_FALSE(out.empty());
    const RInputEvent& key = out[out[0].kind == EInput::NumLock ? 1 : 0];
    EXPECT_EQ(key, (RInputEvent{EInput::KeyDown, vk, 0})) << vk;
  }
  EXPECT_FALSE(platform::PushKeyEvent(300, true));
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
  EXPECT_FALSE(platform::PushKeyEvent(65, true));
}

class Joystick : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) GTEST_SKIP() << "no joystick support";
  }
  void TearDown() override {
    if (device_) SDL_JoystickClose(device_);
    if (index_ >= 0) SDL_JoystickDetachVirtual(index_);
    platform::CloseJoysticks();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  }
  SDL_Joystick* Attach(SDL_JoystickType type, int axes, int buttons, int hats) {
    index_ = SDL_JoystickAttachVirtual(type, axes, buttons, hats);
    device_ = index_ >= 0 ? SDL_JoystickOpen(index_) : nullptr;
    return device_;
  }
  int index_ = -1;
  SDL_Joystick* device_ = nullptr;
};

TEST_F(Joystick, PlainDeviceReadsAsItsAxesButtonsAndHat) {
  EXPECT_FALSE(platform::ReadJoystick(0).present);
  SDL_Joystick* j = Attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 6, 8, 1);
  ASSERT_NE(j, nullptr);
  if (SDL_IsGameController(index_)) GTEST_SKIP() << "SDL maps this device as a gamepad";
  SDL_JoystickSetVirtualAxis(j, 0, -32768);
  SDL_JoystickSetVirtualAxis(j, 1, 32767);
  SDL_JoystickSetVirtualButton(j, 0, 1);
  SDL_JoystickSetVirtualButton(j, 7, 1);
  SDL_JoystickSetVirtualHat(j, 0, SDL_HAT_LEFTUP);
  const platform::RJoystickState s = platform::ReadJoystick(0);
  ASSERT_TRUE(s.present);
  EXPECT_EQ(s.axes, 6);
  EXPECT_EQ(s.buttons, 8);
  EXPECT_TRUE(s.pov);
  EXPECT_EQ(s.pos[0], 0);
  EXPECT_EQ(s.pos[1], 65535);
  EXPECT_EQ(s.pos[2], 32768);
  EXPECT_EQ(s.buttonMask, 0x81u);
  EXPECT_EQ(s.povHundredths, 31500);
  EXPECT_LE(s.name.size(), 32u);
  EXPECT_FALSE(platform::ReadJoystick(1).present);
  SDL_JoystickClose(device_);
  device_ = nullptr;
  SDL_JoystickDetachVirtual(index_);
  index_ = -1;
  EXPECT_FALSE(platform::ReadJoystick(0).present);
}

// SDL lays a virtual gamepad's buttons out in its own button order (A, B, X, Y, Back, Guide,
// Start, sticks, shoulders, pad up, down, left, right) and its axes in its axis order.
TEST_F(Joystick, GamepadsComeInOneLayout) {
  SDL_Joystick* j = Attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
  ASSERT_NE(j, nullptr);
  if (!SDL_IsGameController(index_)) GTEST_SKIP() << "SDL has no layout for the virtual gamepad";
  ASSERT_TRUE(platform::ReadJoystick(0).present);  // opened before it moves, as a real pad is
  SDL_JoystickSetVirtualAxis(j, 2, 32767);         // right stick x
  SDL_JoystickSetVirtualAxis(j, 4, 32767);         // left trigger
  SDL_JoystickSetVirtualButton(j, 1, 1);           // B
  SDL_JoystickSetVirtualButton(j, 9, 1);           // left shoulder
  SDL_JoystickSetVirtualButton(j, 11, 1);          // pad up
  SDL_JoystickSetVirtualButton(j, 13, 1);          // pad left
  const platform::RJoystickState s = platform::ReadJoystick(0);
  ASSERT_TRUE(s.present);
  EXPECT_EQ(s.axes, 6);
  EXPECT_EQ(s.buttons, 11);
  EXPECT_TRUE(s.pov);
  EXPECT_EQ(s.pos[0], 32768);
  EXPECT_EQ(s.pos[2], 65535);
  EXPECT_EQ(s.pos[4], 65535);
  EXPECT_EQ(s.pos[5], 32768);      // a trigger at rest
  EXPECT_EQ(s.buttonMask, 0x12u);  // button 2 (B) and 5 (left shoulder)
  EXPECT_EQ(s.povHundredths, 31500);
}

}  // namespace
