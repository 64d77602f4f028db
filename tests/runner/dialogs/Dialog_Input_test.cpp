// The runner-drawn windows driven as a player drives them, by keys, characters and the mouse:
// the message dialog and its input box, the pop-up menu (hot keys, separators, a list that
// scrolls), the colour chooser, the file browser and the high-score name entry; and where the
// splash window goes. Each case gives
// the events in order and what the window answers (empty: it is still open).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/dialogs/Dialog_Choosers.h"
#include "runner/dialogs/Dialog_Modal.h"
#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Dialog_State.h"
#include "runner/dialogs/Run_Score.h"
#include "runner/dialogs/Runner_Splash.h"
#include "runner/dialogs/Support_Message.h"

namespace fs = std::filesystem;

namespace {
using platform::EInput;
using platform::RInputEvent;
using Events = std::vector<RInputEvent>;

RInputEvent Down(int32_t vk) { return {EInput::KeyDown, vk, 0}; }
RInputEvent Up(int32_t vk) { return {EInput::KeyUp, vk, 0}; }
RInputEvent Char(int32_t c) { return {EInput::Char, c, 0}; }
RInputEvent Move(int32_t x, int32_t y) { return {EInput::MouseMove, x, y}; }
RInputEvent Press() { return {EInput::MouseDown, 1, 0}; }
RInputEvent Release() { return {EInput::MouseUp, 1, 0}; }
Events Click(int32_t x, int32_t y) { return {Move(x, y), Press(), Release()}; }
Events Typed(const std::string& s) {
  Events out;
  for (char c : s) out.push_back(Char(static_cast<unsigned char>(c)));
  return out;
}
Events Join(std::initializer_list<Events> parts) {
  Events out;
  for (const Events& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// What the window answers after the events: its result once done, "" while still open.
std::string Drive(TModalDialog& window, const Events& events) {
  for (const RInputEvent& e : events) {
    if (window.done) break;
    window.Input(e);
  }
  return window.done ? window.Result() : "";
}

constexpr int32_t kEnter = 13, kEscape = 27, kSpace = 32, kAlt = 18, kLeftAlt = 164, kUp = 38, kDown = 40, kTab = 9;

// The middle of button i (0..2) of a message dialog of that text, as laid out.
RInputEvent OnButton(const std::string& text, int i) {
  const RMessageLayout l = LayoutMessage(MessageLook(), dialog::FromUtf8(text + " "), false);
  return Move(l.buttonLeft[i] + l.buttonW / 2, l.buttonTop + l.buttonH / 2);
}

TEST(MessageWindow, KeysShortKeysAndClicks) {
  struct Case {
    const char* what;
    std::string c1, c2, c3;
    Events events;
    std::string answer;
  } cases[] = {
      {"escape", "&Retry", "", "&Cancel", {Down(kEscape)}, "0"},
      {"enter picks the first visible button", "", "", "&Cancel", {Down(kEnter)}, "3"},
      {"space picks the first visible button", "&Retry", "", "&Cancel", {Down(kSpace), Char(' ')}, "1"},
      {"a short key, either case", "&Retry", "", "&Cancel", {Char('c')}, "3"},
      {"a short key, upper case", "&Retry", "", "&Cancel", {Char('R')}, "1"},
      {"a key without a button is nothing", "&Retry", "", "&Cancel", {Char('x'), Down('X')}, ""},
      {"a key code alone is no short key", "&Retry", "", "&Cancel", {Down('R')}, ""},
      {"alt and the key code", "&Retry", "", "&Cancel", {Down(kLeftAlt), Down('R')}, "1"},
      {"alt let go again", "&Retry", "", "&Cancel", {Down(kAlt), Up(kAlt), Down('C')}, ""},
      {"no button: enter does nothing", "", "", "", {Down(kEnter), Down(kSpace)}, ""},
      {"no button: escape still closes", "", "", "", {Down(kEnter), Down(kEscape)}, "0"},
      {"a click beside the buttons", "One", "Two", "Three", Click(0, 0), ""},
  };
  for (const Case& c : cases) {
    auto w = MakeMessageWindow("Text", c.c1, c.c2, c.c3);
    EXPECT_EQ(Drive(*w, c.events), c.answer) << c.what;
  }
  // The mouse: a button is chosen when the left button goes down and up on it.
  struct Mouse {
    const char* what;
    Events events;
    std::string answer;
  } mice[] = {
      {"down and up on button 3", {OnButton("Text", 2), Press(), Release()}, "3"},
      {"down and up on button 2", {OnButton("Text", 1), Press(), Release()}, "2"},
      {"down on 1, up on 3", {OnButton("Text", 0), Press(), OnButton("Text", 2), Release()}, ""},
      {"down beside, up on 1", {Move(1, 1), Press(), OnButton("Text", 0), Release()}, ""},
      {"the right button", {OnButton("Text", 0), {EInput::MouseDown, 2, 0}, {EInput::MouseUp, 2, 0}}, ""},
  };
  for (const Mouse& m : mice) {
    auto w = MakeMessageWindow("Text", "One", "Two", "Three");
    EXPECT_EQ(Drive(*w, m.events), m.answer) << m.what;
  }
}

// With a caption bar (message_caption), its close button closes the dialog as Escape does.
TEST(MessageWindow, TheCaptionsCloseButton) {
  MessageLook().showCaption = true;
  // The window is 348 + 2 wide; the button, 16 square, ends 4 pixels from its right edge.
  const Events onClose = Click(338, 11), onCaption = Click(100, 11);
  struct Case {
    const char* what;
    bool box;
    Events events;
    std::string answer;
  } cases[] = {
      {"the close button", false, onClose, "0"},
      {"the caption elsewhere", false, onCaption, ""},
      {"down on it, up elsewhere", false, {Move(338, 11), Press(), Move(100, 11), Release()}, ""},
      {"an input box keeps its text", true, Join({Typed("kept"), onClose}), "kept"},
  };
  for (const Case& c : cases) {
    auto w = c.box ? MakeInputWindow("Name?", "player") : MakeMessageWindow("Text", "&Yes", "", "&No");
    EXPECT_EQ(Drive(*w, c.events), c.answer) << c.what;
  }
}

// A font size a game sets far too large still gives a window that can be drawn.
TEST(MessageWindow, AHugeFontStaysDrawable) {
  RMessageLook& look = MessageLook();
  for (int32_t size : {5000, 60000, 2000000000}) {
    look.text.size = look.button.size = size;
    auto w = MakeMessageWindow("Huge text", "OK", "", "");
    const TBitmap32 bm = w->Paint();
    EXPECT_GT(bm.Height(), 1000) << size;
    EXPECT_LT(int64_t{bm.Width()} * bm.Height(), int64_t{20000} * 20000) << size;
  }
}

TEST(MessageWindow, InputBoxTyping) {
  struct Case {
    const char* what;
    Events events;
    std::string answer;
  } cases[] = {
      {"the default, all selected", {Down(kEnter)}, "player"},
      {"typing replaces the selection", Join({Typed("Ann"), {Down(kEnter)}}), "Ann"},
      {"backspace removes the selection", {Char(8), Down(kEnter)}, ""},
      {"then one character", Join({Typed("Bob"), {Char(8)}, Typed("x"), {Down(kEnter)}}), "Box"},
      {"space and short keys type", Join({Typed(" o K"), {Down(kSpace)}}), ""},
      {"escape keeps the text", Join({Typed("Cy"), {Down(kEscape)}}), "Cy"},
      {"enter's character types nothing", {Char(13), Char(27), Down(kEnter)}, "player"},
  };
  for (const Case& c : cases) {
    auto w = MakeInputWindow("Name?", "player");
    EXPECT_EQ(Drive(*w, c.events), c.answer) << c.what;
  }
}

TEST(MenuWindow, HotKeysSeparatorsAndTheMouse) {
  // Rows 18 pixels high from y = 2: row 0 "&Open", 1 the separator, 2 "&Save", 3 "E&xit",
  // 4 "&Print".
  auto row = [](int r) { return Move(10, 2 + r * 18 + 9); };
  struct Case {
    const char* what;
    Events events;
    std::string answer;
  } cases[] = {
      {"the letter after &", {Char('x')}, "2"},
      {"a letter key", {Down('S')}, "1"},
      {"F1 (key code 112, the code of 'p') is no hot key", {Down(112), Down(97)}, ""},
      {"the arrows step over the separator", {Down(kDown), Down(kDown), Down(kEnter)}, "1"},
      {"up starts at the last", {Down(kUp), Down(kEnter)}, "3"},
      {"escape", {Down(kEscape)}, "-1"},
      {"a click on an item", {row(3), Press(), Release()}, "2"},
      {"a click on the separator does nothing", {row(0), row(1), Press(), Release()}, ""},
      {"a click outside closes", {Move(500, 500), Press(), Release()}, "-1"},
  };
  for (const Case& c : cases) {
    auto w = MakeMenuWindow("&Open|-|&Save|E&xit|&Print", 0, 0);
    EXPECT_EQ(Drive(*w, c.events), c.answer) << c.what;
  }
}

TEST(MenuWindow, ALongListScrollsUnderTheMouse) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += (i ? "|" : "") + std::string("item") + std::to_string(i);
  auto row = [](int r) { return Move(10, 2 + r * 18 + 9); };
  Events down25(25, Down(kDown));
  struct Case {
    const char* what;
    Events events;
    std::string answer;
  } cases[] = {
      // 20 rows show; at item 24 the list has scrolled by 5.
      {"the top row after scrolling", Join({down25, {row(0), Press(), Release()}}), "5"},
      {"the wheel scrolls back", Join({down25, {RInputEvent{EInput::WheelUp, 0, 0}, row(0), Press(), Release()}}), "2"},
      {"never past the end", Join({Events(6, RInputEvent{EInput::WheelDown, 0, 0}), {row(19), Press(), Release()}}), "29"},
  };
  for (const Case& c : cases) {
    auto w = MakeMenuWindow(text, 0, 0);
    EXPECT_EQ(Drive(*w, c.events), c.answer) << c.what;
  }
}

TEST(ColorWindow, SwatchesFieldsAndButtons) {
  // Swatch i at (8 + 24 (i % 8), 8 + 20 (i / 8)); the fields and buttons below them.
  auto swatch = [](int i) { return Click(8 + 24 * (i % 8) + 10, 8 + 20 * (i / 8) + 8); };
  const Events ok = Click(56 + 30, 148 + 11), cancel = Click(124 + 30, 148 + 11), greenField = Click(106 + 20, 134 + 9);
  struct Case {
    const char* what;
    int32_t start;
    Events events;
    std::string answer;
  } cases[] = {
      {"enter takes the start colour", 255, {Down(kEnter)}, "255"},
      {"escape", 255, {Down(kEscape)}, "-1"},
      {"a swatch, then OK", 255, Join({swatch(47), ok}), "16777215"},
      {"a swatch, then Cancel", 255, Join({swatch(47), cancel}), "-1"},
      {"a swatch alone chooses nothing yet", 255, swatch(3), ""},
      // Red 255 becomes 25 by Backspace; green takes 9 typed: 25 + 9 * 256.
      {"typing into the fields", 255, {Down(kTab), Char(8), Down(kTab), Char('9'), Down(kEnter)}, "2329"},
      {"a field clicked takes the digits", 0, Join({greenField, Typed("300"), {Down(kEnter)}}), std::to_string(255 << 8)},
      {"digits without a field are nothing", 0, Join({Typed("12"), {Down(kEnter)}}), "0"},
      // The first basic colour is 0x8080FF; the arrows walk the grid of eight a row.
      {"the arrows walk the swatches", 0x8080FF, {Down(39), Down(40), Down(kEnter)}, std::to_string(0x00FFFF)},
  };
  for (const Case& c : cases) {
    auto w = MakeColorWindow(c.start);
    EXPECT_EQ(Drive(*w, c.events), c.answer) << c.what;
  }
}

class BrowserWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("dialog_input_test_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "sub");
    for (const char* f : {"b.txt", "A.TXT", "c.png", "sub/d.txt"}) std::ofstream(dir_ / f) << "x";
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(BrowserWindow, FoldersFiltersAndNames) {
  const std::string d = dir_.string();
  // Rows below the title (24 pixels): [..], [sub], then the files the filter lets through.
  auto row = [](int r) { return Move(10, 24 + r * 18 + 9); };
  struct Case {
    const char* what;
    EBrowse kind;
    Events events;
    std::string answer;
  } cases[] = {
      {"a file by the keys", EBrowse::Open, {Down(kDown), Down(kDown), Down(kEnter)}, d + "/A.TXT"},
      {"into a folder and a file there", EBrowse::Open, {Down(kDown), Down(kEnter), Down(kDown), Down(kEnter)}, d + "/sub/d.txt"},
      {"a file by the mouse", EBrowse::Open, Join({{row(3)}, {Press(), Release()}}), d + "/b.txt"},
      {"the filter hides c.png", EBrowse::Open, {Down(kUp), Down(kEnter)}, d + "/b.txt"},
      {"Tab takes the next filter, which shows it", EBrowse::Open, {Down(kTab), Down(kUp), Down(kEnter)}, d + "/c.png"},
      {"and round to the first", EBrowse::Open, {Down(kTab), Down(kTab), Down(kUp), Down(kEnter)}, d + "/b.txt"},
      {"up to the parent", EBrowse::Open, {Down(kEnter), Down(kEscape)}, ""},
      {"a name typed to save", EBrowse::Save, Join({Typed("new"), {Down(kEnter)}}), d + "/a.txtnew"},
      {"backspace in the name", EBrowse::Save, {Down(8), Down(8), Char('x'), Down(kEnter)}, d + "/a.tx"},
      {"this folder", EBrowse::Folder, {Down(kUp), Down(kEnter)}, d},
      {"a folder's folder", EBrowse::Folder, {Down(kDown), Down(kEnter), Down(kUp), Down(kEnter)}, d + "/sub"},
      // Below a root: no way up from it, and it is the folder first offered.
      {"the root has no way up", EBrowse::Tree, {Down(kDown), Down(kEnter)}, d},
      {"below the root there is", EBrowse::Tree, {Down(kEnter), Down(kEnter), Down(kUp), Down(kEnter)}, d},
  };
  for (const Case& c : cases) {
    auto w = MakeBrowserWindow(c.kind, "Pick", "Text|*.txt|All|*.*", "a.txt", d);
    EXPECT_EQ(Drive(*w, c.events), c.answer) << c.what;
  }
}

TEST_F(BrowserWindow, AFolderGivenRelativeGoesUpToTheCurrentOne) {
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  // "sub\\" is sub in the current folder; [..] goes up to that, not to the root.
  auto w = MakeBrowserWindow(EBrowse::Folder, "Pick", "", "", "sub\\");
  const std::string got = Drive(*w, {Down(kEnter), Down(kUp), Down(kEnter)});
  fs::current_path(cwd);
  EXPECT_EQ(got, fs::canonical(dir_).string());
}

TEST_F(BrowserWindow, AClickInAScrolledListTakesTheRowShown) {
  for (int i = 0; i < 30; ++i) std::ofstream(dir_ / ("f" + std::to_string(10 + i) + ".txt")) << "x";
  // Rows: [..], [sub], A.TXT, b.txt, f10.txt ... f39.txt. Row 30 is f36.txt; with 20 rows shown
  // the list has scrolled by 11, so the top row is then f17.txt.
  auto w = MakeBrowserWindow(EBrowse::Open, "Pick", "Text|*.txt", "", dir_.string());
  EXPECT_EQ(Drive(*w, Join({Events(30, Down(kDown)), {Move(10, 24 + 9), Press(), Release()}})),
            (dir_ / "f17.txt").string());
}

class ScoreWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("dialog_input_scores_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    SettingsState().gameId = 77;
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(ScoreWindow, ANameIsTypedForANewPlace) {
  ClearScores();
  InsertScore("Ann", 100);
  auto w = MakeScoreWindow(50);
  // The place is taken as the window opens, still without a name.
  EXPECT_EQ(ReadScoreEntry(2).name, "");
  EXPECT_EQ(ReadScoreEntry(2).score, 50);
  EXPECT_EQ(Drive(*w, Join({Typed("Zoe"), {Char(8), Char(8)}, Typed("ed"), {Char(8), Char(8), Char(8), Char(8)},
                            Typed("Al"), {Down(kEnter)}})),
            "Al");
  FinishScoreWindow(*w);
  EXPECT_EQ(ReadScoreEntry(2).name, "Al");
  EXPECT_EQ(ReadScoreEntry(2).score, 50);
  EXPECT_EQ(ReadScoreEntry(1).name, "Ann");

  // The close button of the caption bar closes it too.
  auto closed = MakeScoreWindow(40);
  EXPECT_EQ(Drive(*closed, Join({Typed("Bo"), Click(348, 11)})), "Bo");
  FinishScoreWindow(*closed);
  EXPECT_EQ(ReadScoreEntry(3).name, "Bo");

  // No place: typing does nothing, Escape closes.
  auto none = MakeScoreWindow(-3);
  EXPECT_EQ(Drive(*none, Join({Typed("x"), {Down(kEscape)}})), "no place");
  FinishScoreWindow(*none);
  EXPECT_EQ(ReadScoreEntry(4).name, "<nobody>");
}

// A splash in a window of its own goes where the settings say; a coordinate they leave out
// (negative) stays where the window was, and the first time it is centred.
TEST(SplashWindow, ACoordinateLeftOutStaysWhereItWas) {
  const fs::path pic = fs::temp_directory_path() / ("dialog_input_splash_" + std::to_string(::getpid()) + ".png");
  ASSERT_TRUE(TBitmap32(64, 32, 0xFFFF0000u).SaveToImageFile(pic.string()));
  RSplashSettings& s = DialogsState().splash;
  s.main = false;
  s.scale = 1;  // the window takes the picture's size
  const std::optional<std::pair<int32_t, int32_t>>& at = DialogsState().splashWindow.at;
  int32_t sw = 0, sh = 0;
  DesktopSize(sw, sh);
  struct Case {
    int32_t left, top;
    std::pair<int32_t, int32_t> at;
  } cases[] = {
      // 64 × 32 with a frame of one pixel and a caption bar of 22 pixels.
      {-1, -1, {(sw - 66) / 2, (sh - 55) / 2}},
      {50, 60, {50, 60}},
      {-1, 100, {50, 100}},
      {70, -5, {70, 100}},
  };
  for (const Case& c : cases) {
    s.left = c.left;
    s.top = c.top;
    ASSERT_TRUE(ShowSplashImage(pic.string(), 0));
    ASSERT_TRUE(at.has_value());
    EXPECT_EQ(*at, c.at) << c.left << ", " << c.top;
  }
  // Fitted (scale -1), the picture fills the panel inside the frame of the 640 × 480 window: 638
  // wide (2 for the frame), so the client is 638 × 319 and the window 640 × 342.
  s.scale = -1;
  s.left = s.top = -1;
  DialogsState().splashWindow.at.reset();
  ASSERT_TRUE(ShowSplashImage(pic.string(), 0));
  EXPECT_EQ(*at, std::make_pair((sw - 640) / 2, (sh - 342) / 2));
  fs::remove(pic);
}

// What ends a splash: Escape with the stop key (let go, inside the game window, where the game
// would otherwise see the release; pressed, in a window of its own), a click with stop mouse,
// the close button whatever stop mouse says, and the delay.
TEST(SplashInput, WhatEndsASplash) {
  const fs::path pic = fs::temp_directory_path() / ("dialog_input_ends_" + std::to_string(::getpid()) + ".png");
  ASSERT_TRUE(TBitmap32(64, 32, 0xFFFF0000u).SaveToImageFile(pic.string()));
  struct Case {
    const char* what;
    bool main, stopKey, stopMouse, closeButton;
    Events events;
    bool ends;
  } cases[] = {
      {"in the game window Escape pressed", true, true, true, true, {Down(kEscape)}, false},
      {"and let go", true, true, true, true, {Down(kEscape), Up(kEscape)}, true},
      {"without the stop key", true, false, true, true, {Down(kEscape), Up(kEscape)}, false},
      {"in a window of its own Escape pressed", false, true, true, true, {Down(kEscape)}, true},
      {"there without the stop key", false, false, true, true, {Down(kEscape), Up(kEscape)}, false},
      {"other keys", true, true, true, true, {Down(kEnter), Char('x'), Up(kEnter)}, false},
      {"a click with stop mouse", true, true, true, false, Click(300, 300), true},
      {"a click without", true, true, false, true, Click(300, 300), false},
      {"the close button without stop mouse", true, true, false, true, Click(630, 10), true},
      {"no close button there", true, true, false, false, Click(630, 10), false},
  };
  for (const Case& c : cases) {
    RSplashSettings& s = DialogsState().splash;
    s.main = c.main;
    s.stopKey = c.stopKey;
    s.stopMouse = c.stopMouse;
    s.closeButton = c.closeButton;
    auto w = MakeImageSplash(pic.string(), 0);
    ASSERT_TRUE(w);
    int32_t left = 0, top = 0;
    w->Place(640, 480, left, top);
    Drive(*w, c.events);
    EXPECT_EQ(w->done, c.ends) << c.what;
  }
  // The delay, in milliseconds.
  auto timed = MakeImageSplash(pic.string(), 1);
  auto untimed = MakeImageSplash(pic.string(), 0);
  ::usleep(5000);
  timed->Tick();
  untimed->Tick();
  EXPECT_TRUE(timed->done);
  EXPECT_FALSE(untimed->done);
  fs::remove(pic);
}

// A window that remembers what it was told and whose size the test sets as a player would.
class FakeWindow final : public platform::TToolWindow {
 public:
  void Show(const std::string&, int, int, int w, int h) override {
    width = w;
    height = h;
  }
  void Hide() override {}
  void SetCaption(const std::string&) override {}
  void SetLook(const platform::RToolWindowLook& l) override { look = l; }
  void Move(int, int) override {}
  void Present(int w, int h, const uint32_t*) override {
    presented = {w, h};
    if (!look.resizable) width = w, height = h;
  }
  bool ClientSize(int& w, int& h) const override {
    w = width;
    h = height;
    return true;
  }
  std::vector<platform::RInputEvent> TakeEvents() override { return {}; }
  bool Displays() const override { return true; }
  platform::RToolWindowLook look;
  std::pair<int, int> presented;
  int width = 0, height = 0;
};

// The information in a window of its own beside the game: with a border and sizeable, the
// player can resize it and the text is shown at the new size; otherwise it keeps its size.
TEST(InformationWindow, ASizeableFrameKeepsTheSizeThePlayerGives) {
  for (bool sizeable : {true, false}) {
    RGameInfo& info = DialogsState().info;
    info.embed = false;
    info.pause = false;
    info.border = true;
    info.sizeable = sizeable;
    info.left = info.top = 0;
    info.width = 300;
    info.height = 200;
    info.text = "{\\rtf1 Some information.}";
    auto* window = new FakeWindow;
    DialogsState().infoWindow.native.reset(window);
    ShowGameInformation();
    EXPECT_EQ(window->look.resizable, sizeable);
    // The outer size less a frame of one pixel and the caption bar of 22.
    EXPECT_EQ(window->presented, std::make_pair(298, 177)) << sizeable;
    window->width = 500;
    window->height = 260;
    ServeBeside();
    EXPECT_EQ(window->presented, sizeable ? std::make_pair(500, 260) : std::make_pair(298, 177)) << sizeable;
    ShutdownDialogWindows();
  }
}

}  // namespace
