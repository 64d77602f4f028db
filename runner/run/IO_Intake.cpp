// Input intake, recording and replay; see IO_Intake.h.
//
// Input that arrives between steps waits in the runner's queue and reaches the handlers when the
// next step begins (its first input hook); input that arrives at a pump inside a step reaches
// them at that pump. Live devices and replayed scripts go through the same delivery, so a
// replay meets exactly the state the recording met.
#include "runner/run/IO_Intake.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>

#include "platform/app/Application.h"
#include "platform/clock/Clock.h"
#include "platform/events/EventPump.h"
#include "platform/events/KeyCodes.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/shell/Runner_Form.h"
#include "runner/shell/Runner_TestMode.h"

namespace {
using platform::EInput;
using platform::RInputEvent;
using Kind = RScriptItem::EKind;

constexpr size_t kLiveQueueLimit = 4096;

std::deque<RInputEvent> g_live;
bool g_replaying = false;
RInputScript g_script;
size_t g_next = 0;
std::FILE* g_record = nullptr;
bool g_blockOpen = false;

int64_t g_step = 0;
bool g_inStep = false;
int32_t g_pump = 0;  // pumps since the step began
int64_t g_pointStep = 0;
int32_t g_pointPump = 0;

bool g_active = true;
bool g_numLock = false;
std::array<bool, kKeyCount> g_held{};
uint64_t g_closes = 0;
uint64_t g_delivered = 0;  // inputs handed to the game, for waits that watch for any
bool g_mouseRecorded = false;
int32_t g_recordedX = 0, g_recordedY = 0;
platform::TApplication* g_handlerApp = nullptr;

void Record(const RScriptItem& item) {
  if (!g_record) return;
  if (!g_blockOpen) {
    std::fputs((FormatBlockHeader(g_pointStep, g_pointPump) + "\n").c_str(), g_record);
    g_blockOpen = true;
  }
  std::fputs((FormatScriptItem(item) + "\n").c_str(), g_record);
}

void EndBlock() {
  if (g_record && g_blockOpen) std::fflush(g_record);
  g_blockOpen = false;
}

void Held(int32_t key, bool down) {
  if (key < 0 || key >= kKeyCount) return;
  g_held[static_cast<size_t>(key)] = down;
  const int32_t generic = platform::GenericVirtualKey(key);
  if (generic != key) {
    const size_t left = static_cast<size_t>(2 * (generic - 16) + 160);
    g_held[static_cast<size_t>(generic)] = g_held[left] || g_held[left + 1];
  }
}

// Hands one input to the game and writes it to the recording.
void Deliver(const RScriptItem& item) {
  switch (item.kind) {
    case Kind::Mouse:
      SetMouseRegionPosition(item.x, item.y);
      if (g_mouseRecorded && g_recordedX == item.x && g_recordedY == item.y) return;
      g_mouseRecorded = true;
      g_recordedX = item.x;
      g_recordedY = item.y;
      break;
    case Kind::JoyConnect:
    case Kind::JoyState:
    case Kind::JoyDisconnect:
      SetJoystickState(item.device, item.joystick);
      break;
    case Kind::End:
      ++g_closes;
      EndGameRequest();
      break;
    case Kind::Input: {
      const RInputEvent& e = item.input;
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
          if (g_active == (e.a != 0)) return;
          g_active = e.a != 0;
          break;
        case EInput::NumLock:
          if (g_numLock == (e.a != 0)) return;
          g_numLock = e.a != 0;
          break;
        case EInput::Close:
          ++g_closes;
          TCallback::CloseRequest();
          break;
        case EInput::MouseMove:
          return;  // becomes a Mouse item before delivery
      }
      break;
    }
  }
  ++g_delivered;
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
  if (e.kind == EInput::MouseMove && !g_live.empty() && g_live.back().kind == EInput::MouseMove) {
    g_live.back() = e;
    return;
  }
  if (g_live.size() < kLiveQueueLimit || e.kind == EInput::Close) g_live.push_back(e);
}

uint32_t GameWindowId() {
  const TRunnerForm* form = RunnerForm();
  return form ? form->NativeId() : 0;
}

void EnsureEventHandler() {
  platform::TApplication* app = Application();
  if (!app || app == g_handlerApp) return;
  g_handlerApp = app;
  app->AddEventHandler([](const SDL_Event& event) {
    std::vector<RInputEvent> input;
    if (!platform::TranslateInputEvent(event, GameWindowId(), input)) return false;
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
    SDL_Event event;
    std::vector<RInputEvent> input;
    while (platform::PollEvent(event)) platform::TranslateInputEvent(event, 0, input);
    for (const RInputEvent& e : input) QueueLive(e);
  }
  PumpMessages();
  if (!g_replaying) return;
  // A replay ignores the devices; a person closing the window still ends the game.
  for (const RInputEvent& e : g_live)
    if (e.kind == EInput::Close) {
      ++g_closes;
      EndGameRequest();
      break;
    }
  g_live.clear();
}

bool AtOrBefore(const RScriptBlock& b) {
  return b.step < g_pointStep || (b.step == g_pointStep && b.pump <= g_pointPump);
}

// Delivers everything due at the current point.
void DeliverDue() {
  if (g_replaying) {
    while (g_next < g_script.blocks.size() && AtOrBefore(g_script.blocks[g_next])) {
      for (const RScriptItem& item : g_script.blocks[g_next].items) Deliver(item);
      ++g_next;
    }
  } else {
    while (!g_live.empty()) {
      const RInputEvent e = g_live.front();
      g_live.pop_front();
      DeliverLive(e);
    }
    PollJoysticks();
  }
  EndBlock();
}

void NoteStep() {
  if (g_inStep) return;
  g_inStep = true;
  ++g_step;
  g_pump = 0;
  g_pointStep = g_step;
  g_pointPump = 0;
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
  return g_active;
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
bool ReadFile(const std::string& file, std::string& text) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  char buffer[65536];
  text.clear();
  while (text.size() <= kInputScriptMaxBytes && in.read(buffer, sizeof buffer).gcount() > 0)
    text.append(buffer, static_cast<size_t>(in.gcount()));
  return !in.bad();
}

void ResetCounters() {
  g_step = 0;
  g_inStep = false;
  g_pump = 0;
  g_pointStep = g_pointPump = 0;
  g_active = true;
  g_numLock = false;
  g_held = {};
  g_mouseRecorded = false;
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
  if (g_record) std::fclose(g_record);
  g_record = std::fopen(file.c_str(), "w");
  if (!g_record) {
    error = "Cannot write the input recording \"" + file + "\".";
    return false;
  }
  std::fputs((InputScriptHeader() + "\n").c_str(), g_record);
  std::fflush(g_record);
  g_blockOpen = false;
  g_mouseRecorded = false;
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
  g_script = std::move(script);
  g_next = 0;
  g_replaying = true;
  g_live.clear();
  ResetCounters();
}

void StopInputScripts() {
  if (g_record) std::fclose(g_record);
  g_record = nullptr;
  g_blockOpen = false;
  g_replaying = false;
  g_script = {};
  g_next = 0;
  g_live.clear();
  ResetCounters();
}

bool Replaying() { return g_replaying; }
bool ReplayFinished() { return g_replaying && g_next >= g_script.blocks.size(); }

void PumpInputBetweenSteps() {
  g_inStep = false;
  Gather();
}

void PumpInputInStep() {
  Gather();
  g_pointStep = g_step;
  g_pointPump = ++g_pump;
  DeliverDue();
}

void QueueLiveInput(const RInputEvent& event) { QueueLive(event); }

void InjectKey(int32_t key, bool down) {
  if (key < 0 || key >= kKeyCount) return;
  if (!platform::PushKeyEvent(key, down)) QueueLive({down ? EInput::KeyDown : EInput::KeyUp, key, 0});
}

bool KeyHeldDirect(int32_t key) { return key >= 0 && key < kKeyCount && g_held[static_cast<size_t>(key)]; }
bool NumLockOn() { return g_numLock && !g_held[144]; }

void SetNumLock(bool on) {
  if (g_numLock == on) return;
  if (SDL_WasInit(SDL_INIT_EVENTS)) SDL_SetModState(static_cast<SDL_Keymod>(SDL_GetModState() ^ KMOD_NUM));
  QueueLive({EInput::NumLock, on ? 1 : 0, 0});
  InjectKey(144, true);
  InjectKey(144, false);
}

bool InputWindowActive() { return g_active; }

void WaitForInput(bool (*done)()) {
  const uint64_t closes = g_closes;
  for (;;) {
    const uint64_t delivered = g_delivered;
    PumpInputInStep();
    if (done() || g_closes != closes) return;
    // A replay that has nothing more for this step cannot end the wait later either.
    if (g_replaying && (g_next >= g_script.blocks.size() || g_script.blocks[g_next].step > g_pointStep)) return;
    // Nobody presses keys in an unattended run: what has not come at once never comes.
    if (!g_replaying && TestModeSettings().on && g_delivered == delivered && g_live.empty()) return;
    platform::SleepMicros(50000);
  }
}

int64_t InputStepNumber() { return g_step; }
