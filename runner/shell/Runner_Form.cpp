// The main window and the top-level sequence run from its start timer.
#include "runner/shell/Runner_Form.h"

#include <sys/resource.h>
#include <unistd.h>

#include <exception>
#include <utility>

#include "platform/video/Video.h"
#include "runner/dialogs/Debug_Window.h"
#include "runner/shell/Runner.h"
#include "runner/shell/Runner_Game.h"
#include "runner/shell/Runner_Load.h"

namespace {

// The windows belong to the application, not to a game: they are made with it and forgotten
// when it goes (CreateRunnerWindows, ForgetRunnerWindows), whatever game it plays.
struct Forms {
  TRunnerForm* runner = nullptr;
  platform::TWindow* help = nullptr;
  platform::TWindow* debug = nullptr;
  platform::TWindow* score = nullptr;
  platform::TWindow* splash = nullptr;
  platform::TWindow* load = nullptr;
  platform::TWindow* message = nullptr;
  platform::TWindow* particle = nullptr;
  platform::TWindow* error = nullptr;
  platform::TApplication* owner = nullptr;
} g_forms;

bool Fail() {
  SetExitStatus(1);
  return false;
}

}  // namespace

TRunnerForm::TRunnerForm(platform::TApplication& application, std::unique_ptr<platform::IWindowBackend> backend)
    : TWindow("TRunnerForm", std::move(backend)),
      StartTimer(application.Timers(), kTimerInterval, true, [this] { StartTimerTimer(); }),
      EndTimer(application.Timers(), kTimerInterval, false, [this] { EndTimerTimer(); }),
      application_(application) {
  SetBordered(false);
}

void TRunnerForm::FormCreate() {
  // Invisible in practice until the display set-up sizes it.
  SetBounds({0, 0, 0, 0});
}

void TRunnerForm::CloseRequested() { application_.Terminate(); }

bool TRunnerForm::WMSysCommand(uint32_t command, intptr_t& result) const {
  if (noScreenSaver_ && (command == kScMonitorPower || command == kScScreenSave)) {
    result = -1;
    return true;
  }
  return false;
}

void TRunnerForm::SetNoScreenSaver(bool on) {
  noScreenSaver_ = on;
  platform::SetScreenSaverAllowed(!on);
}

void TRunnerForm::StartTimerTimer() {
  // Loading pumps messages: disabled first, so this cannot fire a second time meanwhile.
  StartTimer.SetEnabled(false);
  Hide();
  const bool ok = LoadAndRunGame();
  if (ok && DebugMode()) {
    EndTimer.SetEnabled(true);
    return;
  }
  if (ok) {
    ShutdownGame();
    Hide();
  }
  application_.Terminate();
}

void TRunnerForm::EndTimerTimer() {
  if (GameRunning()) return;
  EndTimer.SetEnabled(false);
  ShutdownGame();
  Hide();
  application_.Terminate();
}

bool LoadAndRunGame() {
  try {
    const auto& load = ShellState().loadGame;
    const bool loaded = load ? load(GamePath()) : LoadGameData(GamePath());
    if (!loaded) return Fail();
  } catch (...) {
    ShowMessage("Failed to load the game data. File seems corrupted.");
    return Fail();
  }
  try {
    const auto& prepare = ShellState().prepareGame;
    const bool prepared = prepare ? prepare() : PrepareGame();
    if (!prepared) return Fail();
    if (DebugMode()) {
      ShowDebugWindow();
    } else if (g_forms.debug && g_forms.owner) {
      auto* debug = std::exchange(g_forms.debug, nullptr);
      g_forms.owner->DestroyWindow(debug);
    }
    PlayGame();
    return true;
  } catch (...) {
    ShowMessage("Unexpected error occured when running the game.");
    return Fail();
  }
}

void ShutdownGame() {
  for (const RSubsystem& subsystem : ShellState().subsystems) {
    if (!subsystem.shutdown) continue;
    try {
      subsystem.shutdown();
    } catch (const std::exception& e) {
      WriteTraceAlways("Shutdown step " + subsystem.name + " failed: " + e.what());
    } catch (...) {
      WriteTraceAlways("Shutdown step " + subsystem.name + " failed");
    }
  }
}

void PlayGame() {
  for (const RSubsystem& subsystem : ShellState().subsystems)
    if (subsystem.play) subsystem.play();
}

bool GameRunning() {
  for (const RSubsystem& subsystem : ShellState().subsystems)
    if (subsystem.running && subsystem.running()) return true;
  return false;
}

void ApplyPriority(int priority) {
  // Thread nice values; lowering them needs CAP_SYS_NICE, and failing is fine.
  int nice = 0;
  if (priority == 1)
    nice = -5;
  else if (priority == 2)
    nice = -10;
  else
    return;
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
}

// Linux schedulers need no opt-in for smooth frame pacing.
void EnableMultimediaScheduling() {}

bool SetupDisplay() {
  EnableMultimediaScheduling();
  return RunPrepareStep(EPrepareStep::Display);
}

void CreateRunnerWindows(platform::TApplication& app) {
  g_forms = {};
  g_forms.owner = &app;
  // The later subsystems give these their own classes; the order is fixed.
  g_forms.runner = &app.CreateForm<TRunnerForm>(app);
  g_forms.help = &app.CreateForm<platform::TWindow>("THelpForm");
  g_forms.debug = &app.CreateForm<platform::TWindow>("TDebugForm");
  g_forms.score = &app.CreateForm<platform::TWindow>("TScoreForm");
  g_forms.splash = &app.CreateForm<platform::TWindow>("TSplashForm");
  g_forms.load = &app.CreateForm<platform::TWindow>("TLoadForm");
  g_forms.message = &app.CreateForm<platform::TWindow>("TMessageForm");
  g_forms.particle = &app.CreateForm<platform::TWindow>("TParticleForm");
  g_forms.error = &app.CreateForm<platform::TWindow>("TErrorForm");
  // Only the main window is shown by the framework; the others on demand.
  g_forms.runner->Show();
}

void ForgetRunnerWindows() { g_forms = {}; }

TRunnerForm* RunnerForm() { return g_forms.runner; }
platform::TWindow* HelpForm() { return g_forms.help; }
platform::TWindow* DebugForm() { return g_forms.debug; }
platform::TWindow* ScoreForm() { return g_forms.score; }
platform::TWindow* SplashForm() { return g_forms.splash; }
platform::TWindow* LoadForm() { return g_forms.load; }
platform::TWindow* MessageForm() { return g_forms.message; }
platform::TWindow* ParticleForm() { return g_forms.particle; }
platform::TWindow* ErrorForm() { return g_forms.error; }
