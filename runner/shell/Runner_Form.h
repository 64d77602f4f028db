// The main window TRunnerForm with its start and end timers, the top-level sequence (load,
// prepare, run, shut down), and the other windows that live for the whole run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/app/Application.h"
#include "platform/timer/Timer.h"
#include "platform/window/Window.h"

class TRunnerForm : public platform::TWindow {
 public:
  static constexpr uint32_t kTimerInterval = 100;
  static constexpr uint32_t kScMonitorPower = 0xF170;
  static constexpr uint32_t kScScreenSave = 0xF140;

  TRunnerForm(platform::TApplication& application, std::unique_ptr<platform::IWindowBackend> backend);

  platform::TTimer StartTimer;
  platform::TTimer EndTimer;

  // Design-time properties.
  bool KeyPreview = true;
  uint32_t Color = 0;  // black

  void FormCreate() override;
  void CloseRequested() override;

  // The system-command filter: with the no-screensaver setting on, screensaver and monitor
  // power commands are answered with -1 and go no further. True when answered here.
  bool WMSysCommand(uint32_t command, intptr_t& result) const;
  void SetNoScreenSaver(bool on);
  bool NoScreenSaver() const { return noScreenSaver_; }

  void StartTimerTimer();
  void EndTimerTimer();

 private:
  platform::TApplication& application_;
  bool noScreenSaver_ = false;
};

// Runs the loader and the preparation, shows or drops the debug window and starts the game.
// False after a failure (its message has been shown; the exit status is then 1).
bool LoadAndRunGame();

// Shuts the game down: each subsystem of the current game's table, in order. A step that throws
// is traced and the remaining steps still run.
void ShutdownGame();

// Priority setting: 0 leaves it, 1 above normal, 2 high; other values nothing. Never real-time;
// without the privilege to raise it nothing changes and nothing is reported.
void ApplyPriority(int priority);
void EnableMultimediaScheduling();
// The display set-up: the subsystems' Display preparation step; true (success) while there is none.
bool SetupDisplay();

// The windows of the whole run, created in this order and owned by the application.
void CreateRunnerWindows(platform::TApplication& application);
void ForgetRunnerWindows();  // when the application that owned them goes away
TRunnerForm* RunnerForm();
platform::TWindow* HelpForm();
platform::TWindow* DebugForm();
platform::TWindow* ScoreForm();
platform::TWindow* SplashForm();
platform::TWindow* LoadForm();
platform::TWindow* MessageForm();
platform::TWindow* ParticleForm();
platform::TWindow* ErrorForm();
