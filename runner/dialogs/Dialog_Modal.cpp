// The modal loop of the runner-drawn windows, and their scripted answers in unattended runs.
#include "runner/dialogs/Dialog_Modal.h"

#include <cstdio>
#include <cstdlib>

#include "platform/clock/Clock.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/display/Display.h"
#include "platform/video/Video.h"
#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Dialog_State.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/run/IO_Intake.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"

namespace {
constexpr int32_t kEscape = 27;

void ReadAnswers() {
  RDialogsState& st = DialogsState();
  if (st.answersRead) return;
  st.answersRead = true;
  const char* env = std::getenv("RUNNER_DIALOG_ANSWERS");
  if (!env) return;
  std::string line;
  for (const char* p = env;; ++p) {
    if (*p == '\n' || *p == '\0') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      st.answers.push_back(line);
      line.clear();
      if (*p == '\0') break;
    } else {
      line += *p;
    }
  }
}

void ScreenSize(int32_t& w, int32_t& h) {
  w = Display_UsedWidth();
  h = Display_UsedHeight();
  if (w <= 0 || h <= 0) {
    w = 640;
    h = 480;
  }
}

bool Route(const platform::RInputEvent& e) {
  RDialogsState& st = DialogsState();
  if (!st.shown) return false;
  // The game window waits for a dialog in a window of its own; its input is nobody's.
  if (st.shown->Window()) return true;
  platform::RInputEvent local = e;
  if (e.kind == platform::EInput::MouseMove) {
    int32_t w = 0, h = 0, left = 0, top = 0;
    ScreenSize(w, h);
    st.shown->Place(w, h, left, top);
    local.a -= left;
    local.b -= top;
  }
  st.shown->Input(local);
  return true;
}
}  // namespace

// A window of its own is placed on the desktop, not in the game's screen.
void DesktopSize(int32_t& w, int32_t& h) {
  const platform::DisplayMode m = platform::DesktopDisplayMode();
  w = m.width > 0 ? m.width : 1024;
  h = m.height > 0 ? m.height : 768;
}

bool DialogsUnattended() {
  return platform::TestMode() || RunLimits().unattended || !platform::DisplayVisible();
}

TBitmap32 ComposeScreen(TModalDialog& dialog) {
  int32_t w = 0, h = 0;
  if (dialog.Window()) {
    int32_t left = 0, top = 0;
    DesktopSize(w, h);
    dialog.Place(w, h, left, top);
    return dialog.Paint();
  }
  ScreenSize(w, h);
  TBitmap32 screen;
  if (!Display_Capture(0, 0, w, h, screen) || screen.Width() != w || screen.Height() != h) screen.Resize(w, h, 0xFF000000u);
  int32_t left = 0, top = 0;
  dialog.Place(w, h, left, top);
  dialog::Blend(screen, dialog.Paint(), left, top, dialog.Alpha());
  return screen;
}

namespace {
// Saves the picture the "shot" line at the head of the script asks for; false when the head is
// no such line.
bool TakeScriptedPicture(TModalDialog& dialog) {
  ReadAnswers();
  auto& answers = DialogsState().answers;
  if (answers.empty() || answers.front().rfind("shot ", 0) != 0) return false;
  const std::string file = answers.front().substr(5);
  answers.pop_front();
  if (!ComposeScreen(dialog).SaveToImageFile(file)) std::fprintf(stderr, "dialog picture: cannot write %s\n", file.c_str());
  return true;
}
}  // namespace

// A window that takes no answer cannot tell its "shot" lines from the next window's: it takes
// one, so windows in a row each get theirs.
void TakeScriptedPictures(TModalDialog& dialog) { TakeScriptedPicture(dialog); }

std::optional<std::string> NextScriptedAnswer(TModalDialog& dialog) {
  // Every picture before an answer is of the window that takes it.
  while (TakeScriptedPicture(dialog)) {
  }
  auto& answers = DialogsState().answers;
  if (answers.empty()) return std::nullopt;
  std::string a = answers.front();
  answers.pop_front();
  return a;
}

bool ServeWindow(TModalDialog& dialog) {
  platform::TToolWindow* window = dialog.Window();
  if (!window || dialog.done) return !dialog.done;
  for (const platform::RInputEvent& e : window->TakeEvents()) {
    if (e.kind == platform::EInput::Close) dialog.done = true;
    else dialog.Input(e);
  }
  dialog.Tick();
  if (dialog.done) return false;
  if (window->Displays()) {
    int32_t w = 0, h = 0, left = 0, top = 0;
    DesktopSize(w, h);
    dialog.Place(w, h, left, top);
    const TBitmap32 bm = dialog.Paint();
    window->Present(bm.Width(), bm.Height(), bm.Pixels().data());
  }
  return true;
}

void RunModal(TModalDialog& dialog) {
  if (DialogsUnattended()) {
    if (std::optional<std::string> a = NextScriptedAnswer(dialog))
      dialog.Answer(*a);
    else
      dialog.Unanswered();
    std::fprintf(stderr, "%s [%s]\n", dialog.Describe().c_str(), dialog.Result().c_str());
    return;
  }
  RDialogsState& st = DialogsState();
  TModalDialog* outer = st.shown;
  st.shown = &dialog;
  if (dialog.Window()) {
    // The game window keeps its last frame; input there is swallowed until the dialog ends.
    while (!dialog.done) {
      PumpInputInStep();
      if (st.closePending) dialog.done = true;
      if (!ServeWindow(dialog)) break;
      platform::SleepMicros(16000);
    }
    st.shown = outer;
    return;
  }
  int32_t w = 0, h = 0;
  ScreenSize(w, h);
  TBitmap32 back;
  if (!Display_Capture(0, 0, w, h, back) || back.Empty()) back.Resize(w, h, 0xFF000000u);
  while (!dialog.done) {
    PumpInputInStep();
    dialog.Tick();
    // Closing the window ends every dialog, also those Escape does not end (a splash screen
    // without the stop key).
    if (st.closePending) dialog.done = true;
    TBitmap32 screen = back;
    int32_t left = 0, top = 0;
    dialog.Place(w, h, left, top);
    dialog::Blend(screen, dialog.Paint(), left, top, dialog.Alpha());
    const int32_t tex = Texture_FromBitmap(&screen);
    Display_SetViewport(0, 0, w, h);
    Display_Set2DProjection(0, 0, w, h, 0);
    Texture_Draw(tex, 0, 0);
    Display_PresentFrame();
    Texture_Free(tex);
    platform::SleepMicros(16000);
  }
  st.shown = outer;
}

void ClearInputAfterDialog() {
  PumpInputInStep();
  ClearInput();
  RDialogsState& st = DialogsState();
  // A close request that came while the dialog was open counted as Escape there; the game
  // hears of it now that the dialog has gone.
  if (st.closePending && !st.shown) {
    st.closePending = false;
    TCallback::CloseRequest();
  }
}

void InstallModalInput() {
  RunHooks().modalInput = [](const platform::RInputEvent& e) {
    if (!TheGame().Has<RDialogsState>()) return false;
    RDialogsState& st = DialogsState();
    if (!st.shown) return false;
    if (e.kind == platform::EInput::Close) {
      st.closePending = true;
      st.shown->Input(platform::RInputEvent{platform::EInput::KeyDown, kEscape, 0});
      return true;
    }
    return Route(e);
  };
}
