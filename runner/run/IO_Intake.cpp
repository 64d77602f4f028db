// Input intake, recording and replay; see IO_Intake.h.
//
// Input that arrives between steps waits in the runner's queue and reaches the handlers when the
// next step begins (its first input hook); input that arrives at a pump inside a step reaches
// them at that pump. Live devices and replayed scripts go through the same delivery, so a
// replay meets exactly the state the recording met.
#include "runner/run/IO_Intake.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>

#include "platform/app/Application.h"
#include "platform/clock/Clock.h"
#include "platform/events/EventPump.h"
#include "platform/events/KeyCodes.h"
#include "platform/process/Signals.h"
#include "runner/base/Game.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Runner_Process.h"

namespace {
using platform::EInput;
using platform::RInputEvent;
using Kind = RScriptItem::EKind;

constexpr size_t kLiveQueueLimit = 4096;

// The game's intake: the queue of live input, the replayed script, the recording, the delivery
// point (step and pump), and the window's view of the keyboard and focus.
struct RIntakeState {
  static constexpr EGameSlot kSlot = EGameSlot::Intake;
  RIntakeState() = default;
  RIntakeState(const RIntakeState&) = delete;
  RIntakeState& operator=(const RIntakeState&) = delete;
  ~RIntakeState() {
    if (record && std::fclose(record) != 0) std::fprintf(stderr, "runner: cannot write the input recording\n");
  }

  std::deque<RInputEvent> live;
  bool replaying = false;
  RInputScript script;
  size_t next = 0;
  std::FILE* record = nullptr;
  std::string recordFile;
  bool blockOpen = false;

  int64_t step = 0;
  bool inStep = false;
  int32_t pump = 0;  // pumps since the step began
  int64_t pointStep = 0;
  int32_t pointPump = 0;

  bool active = true;
  bool numLock = false;
  std::array<bool, kKeyCount> held{};
  uint64_t closes = 0;
  bool terminating = false;  // a termination signal has been turned into a close
  uint64_t delivered = 0;  // inputs handed to the game, for waits that watch for any
  bool mouseRecorded = false;
  int32_t recordedX = 0, recordedY = 0;
};
RIntakeState& Intake() { return TheGame().State<RIntakeState>(); }

// The application the event handler was added to. The handler belongs to the application for
// the life of the process and hands its input to whichever game is current, so this is not a
// game's state.
platform::TApplication* g_handlerApp = nullptr;

std::string RecordingError(const std::string& file) { return "Cannot write the input recording \"" + file + "\"."; }

// The first write that fails (a full disk, a device that takes nothing) ends the recording and
// the game as an error end: a recording cut short must not pass for a whole one.
void RecordingFailed() {
  std::fclose(Intake().record);
  Intake().record = nullptr;
  Intake().blockOpen = false;
  ShowMessage(RecordingError(Intake().recordFile));
  SetExitStatus(1);
  SetPendingRoomChange(kRoomErrorEnd);
}

void Record(const RScriptItem& item) {
  if (!Intake().record) return;
  if (!Intake().blockOpen) {
    if (std::fputs((FormatBlockHeader(Intake().pointStep, Intake().pointPump) + "\n").c_str(), Intake().record) < 0)
      return RecordingFailed();
    Intake().blockOpen = true;
  }
  if (std::fputs((FormatScriptItem(item) + "\n").c_str(), Intake().record) < 0) RecordingFailed();
}

void EndBlock() {
  if (Intake().record && Intake().blockOpen && std::fflush(Intake().record) != 0) return RecordingFailed();
  Intake().blockOpen = false;
}

void Held(int32_t key, bool down) {
  if (key < 0 || key >= kKeyCount) return;
  Intake().held[static_cast<size_t>(key)] = down;
  const int32_t generic = platform::GenericVirtualKey(key);
  if (generic != key) {
    const size_t left = static_cast<size_t>(2 * (generic - 16) + 160);
    Intake().held[static_cast<size_t>(generic)] = Intake().held[left] || Intake().held[left + 1];
  }
}

// Hands one input to the game and writes it to the recording.
void Deliver(const RScriptItem& item) {
  switch (item.kind) {
    case Kind::Mouse:
      SetMouseRegionPosition(item.x, item.y);
      if (RunHooks().modalInput) RunHooks().modalInput(RInputEvent{EInput::MouseMove, item.x, item.y});
      if (Intake().mouseRecorded && Intake().recordedX == item.x && Intake().recordedY == item.y) return;
      Intake().mouseRecorded = true;
      Intake().recordedX = item.x;
      Intake().recordedY = item.y;
      break;
    case Kind::JoyConnect:
    case Kind::JoyState:
    case Kind::JoyDisconnect:
      SetJoystickState(item.device, item.joystick);
      break;
    case Kind::End:
      ++Intake().closes;
      EndGameRequest();
      break;
    case Kind::Screenshot:
      // The frame last shown: at "step N" that is what step N-1 drew.
      if (RunHooks().saveScreenshot)
        RunHooks().saveScreenshot(item.file.empty() ? ScreenshotFileName().c_str() : item.file.c_str());
      break;
    case Kind::Input: {
      const RInputEvent& e = item.input;
      if (e.kind != EInput::Focus && e.kind != EInput::NumLock && RunHooks().modalInput &&
          RunHooks().modalInput(e)) {
        if (e.kind == EInput::KeyDown || e.kind == EInput::KeyUp) Held(e.a, e.kind == EInput::KeyDown);
        if (e.kind == EInput::Close) ++Intake().closes;
        break;
      }
      switch (e.kind) {
        case EInput::KeyDown:
          Held(e.a, true);
          TCallback::KeyDown(platform::GenericVirtualKey(e.a));
          break;
        case EInput::KeyUp:
          Held(e.a, false);
          TCallback::KeyUp(platform::GenericVirtualKey(e.a));
          break;
        case EInput::Char:
          TCallback::CharTyped(static_cast<char16_t>(e.a));
          break;
        case EInput::MouseDown:
          TCallback::MouseDown(e.a);
          break;
        case EInput::MouseUp:
          TCallback::MouseUp(e.a);
          break;
        case EInput::WheelUp:
          TCallback::WheelUp();
          break;
        case EInput::WheelDown:
          TCallback::WheelDown();
          break;
        case EInput::Focus:
          if (Intake().active == (e.a != 0)) return;
          Intake().active = e.a != 0;
          break;
        case EInput::NumLock:
          if (Intake().numLock == (e.a != 0)) return;
          Intake().numLock = e.a != 0;
          break;
        case EInput::Close:
          ++Intake().closes;
          TCallback::CloseRequest();
          break;
        case EInput::MouseMove:
          return;  // becomes a Mouse item before delivery
      }
      break;
    }
  }
  ++Intake().delivered;
  Record(item);
}

void DeliverLive(const RInputEvent& e) {
  if (e.kind == EInput::MouseMove) {
    SetMouseWindowPosition(e.a, e.b);
    RScriptItem item;
    item.kind = Kind::Mouse;
    item.x = MouseRegionX();
    item.y = MouseRegionY();
    Deliver(item);
    return;
  }
  RScriptItem item;
  item.input = e;
  Deliver(item);
}

bool SameDevice(const platform::RJoystickState& a, const platform::RJoystickState& b) {
  return a.present == b.present && a.name == b.name && a.axes == b.axes && a.buttons == b.buttons &&
         a.pov == b.pov;
}

void PollJoysticks() {
  for (int32_t d = 0; d < 2; ++d) {
    platform::RJoystickState now = platform::ReadJoystick(d);
    for (char& c : now.name)
      if (static_cast<unsigned char>(c) < 32) c = ' ';
    while (!now.name.empty() && now.name.back() == ' ') now.name.pop_back();
    const platform::RJoystickState& known = JoystickState(d == 1 ? 2 : 1);
    RScriptItem item;
    item.device = d;
    if (!SameDevice(now, known)) {
      item.kind = now.present ? Kind::JoyConnect : Kind::JoyDisconnect;
      item.joystick = {};
      if (now.present) {
        item.joystick.present = true;
        item.joystick.name = now.name;
        item.joystick.axes = now.axes;
        item.joystick.buttons = now.buttons;
        item.joystick.pov = now.pov;
      }
      Deliver(item);
    }
    if (now.present && !(now == JoystickState(d == 1 ? 2 : 1))) {
      item.kind = Kind::JoyState;
      item.joystick = now;
      Deliver(item);
    }
  }
}

void QueueLive(const RInputEvent& e) {
  // Only the last position counts: the mouse is sampled once per step.
  if (e.kind == EInput::MouseMove && !Intake().live.empty() && Intake().live.back().kind == EInput::MouseMove) {
    Intake().live.back() = e;
    return;
  }
  if (Intake().live.size() < kLiveQueueLimit || e.kind == EInput::Close) Intake().live.push_back(e);
}

uint32_t GameWindowId() {
  const RRunHooks& h = RunHooks();
  return h.gameWindowId ? h.gameWindowId() : 0;
}

void EnsureEventHandler() {
  platform::TApplication* app = Application();
  if (!app || app == g_handlerApp) return;
  g_handlerApp = app;
  app->AddEventHandler([](const platform::AppEvent& event) {
    std::vector<RInputEvent> input;
    if (!event.Input(GameWindowId(), input)) return false;
    bool close = false;
    for (const RInputEvent& e : input) {
      QueueLive(e);
      close = close || e.kind == EInput::Close;
    }
    // While a game runs, its close button belongs to the game.
    return close && GameState().running;
  });
}

// Takes what the window system has; nothing reaches the game yet.
void Gather() {
  EnsureEventHandler();
  if (!Application()) {
    std::vector<RInputEvent> input;
    platform::TakeWaitingInput(input);
    for (const RInputEvent& e : input) QueueLive(e);
  }
  PumpMessages();
  // A termination signal asks the game to close, whatever the game does with its close button
  // or Escape; the waits that watch for a close end with it.
  if (platform::TerminationSignal() && !Intake().terminating) {
    Intake().terminating = true;
    ++Intake().closes;
    EndGameRequest();
  }
  if (!Intake().replaying) return;
  // A replay ignores the devices; a person closing the window still ends the game.
  for (const RInputEvent& e : Intake().live)
    if (e.kind == EInput::Close) {
      ++Intake().closes;
      EndGameRequest();
      break;
    }
  Intake().live.clear();
}

bool AtOrBefore(const RScriptBlock& b) {
  return b.step < Intake().pointStep || (b.step == Intake().pointStep && b.pump <= Intake().pointPump);
}

// Delivers everything due at the current point.
void DeliverDue() {
  if (Intake().replaying) {
    while (Intake().next < Intake().script.blocks.size() && AtOrBefore(Intake().script.blocks[Intake().next])) {
      for (const RScriptItem& item : Intake().script.blocks[Intake().next].items) Deliver(item);
      ++Intake().next;
    }
  } else {
    while (!Intake().live.empty()) {
      const RInputEvent e = Intake().live.front();
      Intake().live.pop_front();
      DeliverLive(e);
    }
    PollJoysticks();
  }
  EndBlock();
}

void NoteStep() {
  if (Intake().inStep) return;
  Intake().inStep = true;
  ++Intake().step;
  Intake().pump = 0;
  Intake().pointStep = Intake().step;
  Intake().pointPump = 0;
  DeliverDue();
}

// Step hooks.
int32_t HookLastKey() {
  NoteStep();
  return LastKey();
}
void HookSetLastKey(int32_t key) {
  NoteStep();
  SetLastKey(key);
}
bool HookWindowActive() {
  NoteStep();
  return Intake().active;
}
void HookKeyboardEvents() {
  NoteStep();
  KeyboardEvents();
}
void HookJoystickEvents() {
  NoteStep();
  JoystickEvents();
}
void HookMouseEvents() {
  NoteStep();
  MouseEvents();
}

// Reads at most one byte more than a script may have, so a huge file costs nothing to refuse.
// Opened without blocking and read so: a FIFO or a terminal would otherwise wait for ever.
bool ReadFile(const std::string& file, std::string& text) {
  const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && !S_ISFIFO(st.st_mode) && !S_ISDIR(st.st_mode) && !S_ISSOCK(st.st_mode);
  char buffer[65536];
  text.clear();
  while (ok && text.size() <= kInputScriptMaxBytes) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return ok;
}

bool SameFile(const struct stat& a, const std::string& path) {
  struct stat b;
  return !path.empty() && stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void ResetCounters() {
  Intake().step = 0;
  Intake().inStep = false;
  Intake().pump = 0;
  Intake().pointStep = Intake().pointPump = 0;
  Intake().active = true;
  Intake().numLock = false;
  Intake().held = {};
  Intake().mouseRecorded = false;
}
}  // namespace

void InstallInput() {
  RRunHooks& h = RunHooks();
  h.clearInput = ClearInput;
  h.clearPressed = ClearPressed;
  h.lastKey = HookLastKey;
  h.setLastKey = HookSetLastKey;
  h.keyboardEvents = HookKeyboardEvents;
  h.joystickEvents = HookJoystickEvents;
  h.mouseEvents = HookMouseEvents;
  h.windowActive = HookWindowActive;
  h.processMessages = PumpInputBetweenSteps;
  InstallInputVariables();
}

bool StartInputFromEnvironment() {
  std::string error;
  const char* replay = std::getenv("RUNNER_REPLAY");
  if (replay && *replay && !StartReplay(replay, error)) {
    ShowMessage(error);
    return false;
  }
  const char* record = std::getenv("RUNNER_RECORD");
  if (record && *record && !StartRecording(record, error)) {
    ShowMessage(error);
    return false;
  }
  return true;
}

bool StartRecording(const std::string& file, std::string& error) {
  if (Intake().record) std::fclose(Intake().record);
  Intake().record = nullptr;
  error = RecordingError(file);
  struct stat st;
  if (stat(file.c_str(), &st) == 0) {
    // Truncating the game (or the runner carrying it) would destroy it; a FIFO blocks the open,
    // a folder or socket holds no text, and a block device is somebody's disk.
    if (SameFile(st, GamePath()) || SameFile(st, ExecutablePath())) {
      error = "The input recording \"" + file + "\" is the game file.";
      return false;
    }
    if (S_ISFIFO(st.st_mode) || S_ISDIR(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISBLK(st.st_mode)) return false;
  }
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  Intake().record = fdopen(fd, "w");
  if (!Intake().record) {
    close(fd);
    return false;
  }
  Intake().recordFile = file;
  if (std::fputs((InputScriptHeader() + "\n").c_str(), Intake().record) < 0 || std::fflush(Intake().record) != 0) {
    std::fclose(Intake().record);
    Intake().record = nullptr;
    return false;
  }
  Intake().blockOpen = false;
  Intake().mouseRecorded = false;
  return true;
}

bool StartReplay(const std::string& file, std::string& error) {
  std::string text;
  if (!ReadFile(file, text)) {
    error = "Cannot read the input script \"" + file + "\".";
    return false;
  }
  RInputScript script;
  std::string why;
  if (!ParseInputScript(text, script, why)) {
    error = "Input script \"" + file + "\", " + why;
    return false;
  }
  StartReplay(std::move(script));
  return true;
}

void StartReplay(RInputScript script) {
  Intake().script = std::move(script);
  Intake().next = 0;
  Intake().replaying = true;
  Intake().live.clear();
  ResetCounters();
}

void StopInputScripts() {
  if (Intake().record) std::fclose(Intake().record);
  Intake().record = nullptr;
  Intake().blockOpen = false;
  Intake().replaying = false;
  Intake().script = {};
  Intake().next = 0;
  Intake().live.clear();
  ResetCounters();
}

bool Replaying() { return Intake().replaying; }
bool ReplayFinished() { return Intake().replaying && Intake().next >= Intake().script.blocks.size(); }

void PumpInputBetweenSteps() {
  Intake().inStep = false;
  Gather();
}

void PumpInputInStep() {
  Gather();
  Intake().pointStep = Intake().step;
  Intake().pointPump = ++Intake().pump;
  DeliverDue();
}

void QueueLiveInput(const RInputEvent& event) { QueueLive(event); }

void InjectKey(int32_t key, bool down) {
  if (key < 0 || key >= kKeyCount) return;
  if (!platform::PushKeyEvent(key, down)) QueueLive({down ? EInput::KeyDown : EInput::KeyUp, key, 0});
}

bool KeyHeldDirect(int32_t key) { return key >= 0 && key < kKeyCount && Intake().held[static_cast<size_t>(key)]; }
bool NumLockOn() { return Intake().numLock && !Intake().held[144]; }

void SetNumLock(bool on) {
  if (Intake().numLock == on) return;
  platform::ToggleNumLockState();
  QueueLive({EInput::NumLock, on ? 1 : 0, 0});
  InjectKey(144, true);
  InjectKey(144, false);
}

bool InputWindowActive() { return Intake().active; }

void WaitForInput(bool (*done)()) {
  const uint64_t closes = Intake().closes;
  for (;;) {
    const uint64_t delivered = Intake().delivered;
    PumpInputInStep();
    if (done() || Intake().closes != closes) return;
    // A replay that has nothing more for this step cannot end the wait later either.
    if (Intake().replaying && (Intake().next >= Intake().script.blocks.size() || Intake().script.blocks[Intake().next].step > Intake().pointStep)) return;
    // Nobody presses keys in an unattended run: what has not come at once never comes.
    if (!Intake().replaying && RunLimits().unattended && Intake().delivered == delivered && Intake().live.empty()) return;
    platform::SleepMicros(50000);
  }
}

int64_t InputStepNumber() { return Intake().step; }
