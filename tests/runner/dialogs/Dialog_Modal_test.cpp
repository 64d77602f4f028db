// Scripted answers of unattended windows: which window each "shot" line pictures, and which
// line is an answer. And a close request while a window is open: it ends the window as Escape
// does and reaches the game once the window has gone.
#include "runner/dialogs/Dialog_Modal.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "runner/dialogs/Dialog_State.h"
#include "runner/dialogs/Support_Message.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Run_Hooks.h"

namespace fs = std::filesystem;

namespace {

class Plain final : public TModalDialog {
 public:
  TBitmap32 Paint() override { return TBitmap32(4, 4, 0xFFFFFFFF); }
  void Place(int32_t, int32_t, int32_t& left, int32_t& top) override { left = top = 0; }
  void Input(const platform::RInputEvent&) override {}
  void Answer(const std::string&) override {}
  void Unanswered() override {}
  std::string Describe() const override { return "plain"; }
  std::string Result() const override { return ""; }
};

// Each window in turn: 'n' takes no answer (a splash screen), 'a' takes one. A window's
// pictures are the files it saved; its answer is what it took ("-" for none left).
TEST(ScriptedAnswers, EachShotLineBelongsToOneWindow) {
  struct Case {
    std::vector<std::string> script;
    std::string windows;
    std::vector<std::string> pictures;  // per window, the files it saved, joined
    std::vector<std::string> answered;  // per window taking an answer
  };
  const Case cases[] = {
      {{"shot a.png", "shot b.png"}, "nn", {"a.png", "b.png"}, {}},
      {{"shot a.png", "shot b.png", "yes"}, "na", {"a.png", "b.png"}, {"yes"}},
      {{"shot a.png", "shot b.png", "yes"}, "an", {"a.png b.png", ""}, {"yes"}},
      {{"ok", "shot a.png"}, "nan", {"", "", "a.png"}, {"ok"}},
      {{"shot a.png"}, "aa", {"a.png", ""}, {"-", "-"}},
  };
  const fs::path dir = fs::temp_directory_path() / ("modal_test_" + std::to_string(::getpid()));
  for (const Case& c : cases) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    RDialogsState& st = DialogsState();
    st.answersRead = true;
    st.answers.clear();
    for (const std::string& line : c.script)
      st.answers.push_back(line.rfind("shot ", 0) == 0 ? "shot " + (dir / line.substr(5)).string() : line);
    std::vector<std::string> answered;
    for (size_t i = 0; i < c.windows.size(); ++i) {
      std::vector<std::string> had;
      for (const auto& e : fs::directory_iterator(dir)) had.push_back(e.path().filename().string());
      Plain window;
      if (c.windows[i] == 'n') {
        TakeScriptedPictures(window);
      } else {
        const std::optional<std::string> a = NextScriptedAnswer(window);
        answered.push_back(a ? *a : "-");
      }
      std::vector<std::string> made;
      for (const auto& e : fs::directory_iterator(dir))
        if (std::find(had.begin(), had.end(), e.path().filename().string()) == had.end())
          made.push_back(e.path().filename().string());
      std::sort(made.begin(), made.end());
      std::string joined;
      for (const std::string& m : made) joined += (joined.empty() ? "" : " ") + m;
      EXPECT_EQ(joined, c.pictures[i]) << "window " << i << " of " << c.windows;
    }
    EXPECT_EQ(answered, c.answered) << c.windows;
  }
  fs::remove_all(dir);
  DialogsState().answers.clear();
}

TEST(ModalInput, ACloseRequestEndsTheWindowAndReachesTheGameAfterIt) {
  InstallModalInput();
  // By default (opt_closeasesc) the game hears a close request as Escape held.
  RDialogsState& st = DialogsState();
  // No button: only Escape (or a close) ends this message.
  auto window = MakeMessageWindow("Nothing to click", "", "", "");
  st.shown = window.get();
  // Keys go to the window, not to the game.
  EXPECT_TRUE(RunHooks().modalInput(platform::RInputEvent{platform::EInput::KeyDown, 13, 0}));
  EXPECT_FALSE(window->done);
  EXPECT_TRUE(RunHooks().modalInput(platform::RInputEvent{platform::EInput::Close, 0, 0}));
  EXPECT_TRUE(window->done);
  EXPECT_EQ(window->Result(), "0");
  EXPECT_FALSE(KeyIsDown(27));  // not while the window is open
  st.shown = nullptr;
  ClearInputAfterDialog();
  EXPECT_TRUE(KeyIsDown(27));
  EXPECT_FALSE(st.closePending);
  // With no window open the hook takes nothing.
  EXPECT_FALSE(RunHooks().modalInput(platform::RInputEvent{platform::EInput::Close, 0, 0}));
}

}  // namespace
