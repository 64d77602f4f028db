// The debug window; see Debug_Window.h.
#include "runner/dialogs/Debug_Window.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/app/Application.h"
#include "platform/events/InputEvents.h"
#include "platform/process/Process.h"
#include "runner/base/Runner_Process.h"
#include "runner/code/Code_Exec.h"
#include "runner/dialogs/Debug_Info.h"
#include "runner/dialogs/Debug_State.h"
#include "runner/dialogs/Dialog_Choosers.h"
#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Support_Message.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace {

using platform::EInput;

// The look: the window's client area, its bands and the grid's rows.
constexpr int32_t kWidth = 260, kHeight = 344;
constexpr int32_t kMenuH = 18, kToolTop = kMenuH, kToolH = 28, kButtonW = 26, kButtonH = 24;
constexpr int32_t kGridTop = kToolTop + kToolH, kRowH = 16, kStatusH = 18;
constexpr int32_t kInfoW = 296, kInfoH = 518, kInfoToolH = 26, kInfoLineH = 13;
constexpr int32_t kFace = 0xF0F0F0, kShadow = 0xA0A0A0, kText = 0x000000, kGrey = 0x808080, kSelect = 0xD77800;
constexpr const char* kFilter = "Text Files|*.txt|All Files|*.*";
constexpr int32_t kVkDelete = 0x2E, kVkF4 = 0x73, kVkUp = 0x26, kVkDown = 0x28;
constexpr int32_t kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12;
constexpr int32_t kVkLControl = 0xA2, kVkRControl = 0xA3, kVkLMenu = 0xA4, kVkRMenu = 0xA5;

struct RCommandDef {
  EDebugCommand command;
  const char* caption;
  const char* hint;
  int32_t key;  // 0 none
  bool ctrl, alt;
  const char* button;  // the tool button's face; null when it has none
};

constexpr RCommandDef kCommands[] = {
    {EDebugCommand::Run, "&Run", "Run or resume the game", 'R', true, true, ">"},
    {EDebugCommand::Pause, "&Pause", "Pause the game", 'P', true, true, "||"},
    {EDebugCommand::Step, "&Step", "Take a single step", 'S', true, true, ">|"},
    {EDebugCommand::Stop, "Stop", "Ends the game", kVkF4, false, true, "[]"},
    {EDebugCommand::Restart, "R&estart", "Restart the game", 'N', true, true, "<<"},
    {EDebugCommand::WatchAdd, "&Add", "Add an expression to watch", 'A', true, false, "+"},
    {EDebugCommand::WatchDelete, "&Delete", "Delete the selected watch expression", kVkDelete, false, false, "-"},
    {EDebugCommand::WatchChange, "C&hange", "Change the selected watch expression", 'H', true, false, "~"},
    {EDebugCommand::WatchClear, "&Clear", "Clear all watch expressions", 'C', true, false, "0"},
    {EDebugCommand::WatchLoad, "&Load ...", "Load the watch expressions from a file", 'L', true, false, nullptr},
    {EDebugCommand::WatchSave, "Sa&ve ...", "Save the watched expressions to a file", 'S', true, false, nullptr},
    {EDebugCommand::Execute, "&Execute Code ...", "Execute a piece of code", 'E', true, false, nullptr},
    {EDebugCommand::Speed, "&Set Speed ...", "Set the speed of the game", 0, false, false, nullptr},
    {EDebugCommand::ShowGlobal, "Show &Global Variables", "Show the most important global variables", 0, false, false,
     nullptr},
    {EDebugCommand::ShowLocal, "Show &Local Variables", "Show the variables local to an instance", 0, false, false,
     nullptr},
    {EDebugCommand::ShowInstances, "Show &Instances", "Shows all the instances", 0, false, false, nullptr},
    {EDebugCommand::ShowMessages, "Show &Messages", "", 0, false, false, nullptr},
};

const RCommandDef& Def(EDebugCommand c) { return kCommands[static_cast<int32_t>(c)]; }

// The tool bar in order; Stop and Add are parted by the separator.
constexpr EDebugCommand kButtons[] = {EDebugCommand::Run,      EDebugCommand::Pause,       EDebugCommand::Step,
                                      EDebugCommand::Restart,  EDebugCommand::Stop,        EDebugCommand::WatchAdd,
                                      EDebugCommand::WatchChange, EDebugCommand::WatchDelete, EDebugCommand::WatchClear};

// Menus: -1 is a separator.
struct RMenuDef {
  const char* title;
  int32_t x;
  std::vector<int32_t> items;
};
const std::vector<RMenuDef>& Menus() {
  static const std::vector<RMenuDef> menus = {
      {"&Run", 4, {0, 1, 2, -1, 4, 3}},
      {"&Watch", 40, {5, 7, 6, 8, -1, 9, 10}},
      {"&Tools", 90, {11, 12, -1, 13, 14, 15, 16}},
  };
  return menus;
}
constexpr int32_t kMenuItemH = 18, kMenuSepH = 8, kMenuW = 230;

std::string WithoutAmpersand(const char* s) {
  std::string out;
  for (; *s; ++s)
    if (*s != '&') out += *s;
  return out;
}

std::string ShortcutText(const RCommandDef& d) {
  if (!d.key) return "";
  std::string s = std::string(d.ctrl ? "Ctrl+" : "") + (d.alt ? "Alt+" : "");
  if (d.key == kVkF4) return s + "F4";
  if (d.key == kVkDelete) return s + "Del";
  return s + static_cast<char>(d.key);
}

RDialogFont UiFont() { return {"Arial", 8, kText, 0, 0}; }
RDialogFont MemoFont() { return {"Courier New", 8, kText, 0, 0}; }

void Text(TBitmap32& bm, const RDialogFont& f, const std::string& s, int32_t x, int32_t y, int32_t color) {
  dialog::DrawLine(bm, f, dialog::FromUtf8(s), x, y, color);
}

void Raised(TBitmap32& bm, int32_t x, int32_t y, int32_t w, int32_t h) {
  dialog::FillBox(bm, x, y, w, h, dialog::Pixel(kFace));
  dialog::FrameBox(bm, x, y, w, h, dialog::Pixel(kShadow));
}

int32_t WatchRows() { return static_cast<int32_t>(DebugState().watches.size()) + 2; }  // header and empty row

// ---- text windows ----

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.push_back(line);
      line.clear();
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

int32_t VisibleLines() { return (kInfoH - kInfoToolH - 4) / kInfoLineH; }

void PresentInfo(RDebugInfoWindow& w) {
  if (!w.visible) return;
  if (!w.native) w.native = platform::MakeToolWindow();
  if (!w.native->Displays()) return;
  const TBitmap32 bm = PaintDebugInfoWindow(w.text, w.firstLine);
  w.native->Show(w.title, w.left, w.top, kInfoW, kInfoH);
  w.native->SetCaption(w.title);
  w.native->Present(bm.Width(), bm.Height(), bm.Pixels().data());
}

// The whole text goes in at once and the first visible line stays where it was.
void SetInfoText(RDebugInfoWindow& w, std::string text) {
  w.text = std::move(text);
  const int32_t count = static_cast<int32_t>(Lines(w.text).size());
  if (w.firstLine > count) w.firstLine = count;
  PresentInfo(w);
}

// A window shown for the first time goes a little right of and below the last one.
void ShowInfo(RDebugInfoWindow& w, const std::string& title) {
  w.title = title;
  w.visible = true;
  if (w.left >= 0) return;
  const int32_t n = DebugState().placed++ % 10;
  w.left = 290 + 24 * n;
  w.top = 10 + 24 * n;
}

std::string WindowText(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

bool HasExtension(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

// The file dialogs of the window: default extension "txt"; Open wants an existing file, Save
// asks before replacing one.
std::string ChooseFile(bool save) {
  std::string name = BrowseFiles(save ? EBrowse::Save : EBrowse::Open, "", kFilter, "", "");
  if (name.empty()) return "";
  if (!HasExtension(name)) name += ".txt";
  struct stat st;
  const bool exists = stat(name.c_str(), &st) == 0;
  if (!save && !exists) {
    ShowMessage(name + "\nFile not found.");
    return "";
  }
  if (save && exists && MessageDialog(name + " already exists.\nDo you want to replace it?", "Yes", "No", "") != 1)
    return "";
  return name;
}

void SaveInfo(const RDebugInfoWindow& w) {
  const std::string name = ChooseFile(true);
  if (name.empty()) return;
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  f << w.text;
  f.flush();
  if (!f) ShowMessage(std::strerror(errno));
}

// Mouse and keys of a text window: the tool buttons, the wheel and the arrow keys scroll.
void ServeInfo(RDebugInfoWindow& w) {
  if (!w.native) return;
  int32_t mx = 0, my = 0;
  bool changed = false;
  for (const platform::RInputEvent& e : w.native->TakeEvents()) {
    switch (e.kind) {
      case EInput::MouseMove: mx = e.a; my = e.b; break;
      case EInput::MouseDown:
        if (e.a == 1 && my < kInfoToolH) {
          if (mx < kButtonW) SaveInfo(w);
          else if (mx < 2 * kButtonW)
            if (const std::string why = PrintDebugText(w.text); !why.empty()) ShowMessage(why);
        }
        break;
      case EInput::WheelUp: w.firstLine = std::max(0, w.firstLine - 3); changed = true; break;
      case EInput::WheelDown: w.firstLine += 3; changed = true; break;
      case EInput::KeyDown:
        if (e.a == kVkUp) w.firstLine = std::max(0, w.firstLine - 1), changed = true;
        if (e.a == kVkDown) ++w.firstLine, changed = true;
        break;
      case EInput::Close:
        w.visible = false;
        w.native->Hide();
        break;
      default: break;
    }
  }
  if (changed) {
    const int32_t count = static_cast<int32_t>(Lines(w.text).size());
    w.firstLine = std::min(w.firstLine, std::max(0, count - VisibleLines()));
    w.followEnd = w.firstLine >= count - VisibleLines();
    PresentInfo(w);
  }
}

// ---- the debug window ----

void ServeDebug();

void PresentDebug() {
  RDebugState& s = DebugState();
  if (!s.visible || !s.native || !s.native->Displays()) return;
  const TBitmap32 bm = PaintDebugWindow();
  s.native->Present(bm.Width(), bm.Height(), bm.Pixels().data());
}

void RefreshMouseId() {
  const int32_t id = MouseInstanceId();
  DebugState().panels[2] = "mouse id: " + (id < 0 ? std::string() : std::to_string(id));
}

// A command from the menus, shortcuts and buttons, whose results show at once. While one asks
// for text its box pumps messages; the window takes no second command meanwhile.
void Command(EDebugCommand c) {
  RDebugState& s = DebugState();
  if (!DebugCommandEnabled(c) || s.asking) return;
  const bool asks = c >= EDebugCommand::WatchAdd && c != EDebugCommand::WatchDelete && c != EDebugCommand::WatchClear &&
                    c != EDebugCommand::ShowGlobal && c != EDebugCommand::ShowInstances &&
                    c != EDebugCommand::ShowMessages;
  s.asking = asks;
  RunDebugCommand(c);
  s.asking = false;
  PresentDebug();
}

void ServeWindows() {
  RDebugState& s = DebugState();
  ServeDebug();
  ServeInfo(s.global);
  ServeInfo(s.instances);
  ServeInfo(s.messages);
  for (size_t i = 0; i < s.locals.size(); ++i) ServeInfo(*s.locals[i]);
}

bool InRect(int32_t x, int32_t y, int32_t l, int32_t t, int32_t w, int32_t h) {
  return x >= l && y >= t && x < l + w && y < t + h;
}

// The item of the open menu at (x, y): a command index, -1 none.
int32_t MenuItemAt(int32_t x, int32_t y) {
  RDebugState& s = DebugState();
  if (s.openMenu < 0) return -1;
  const RMenuDef& m = Menus()[static_cast<size_t>(s.openMenu)];
  int32_t top = kMenuH;
  for (int32_t item : m.items) {
    const int32_t h = item < 0 ? kMenuSepH : kMenuItemH;
    if (InRect(x, y, m.x, top, kMenuW, h)) return item;
    top += h;
  }
  return -1;
}

void Click(int32_t x, int32_t y, bool doubleClick) {
  RDebugState& s = DebugState();
  if (s.openMenu >= 0) {
    const int32_t item = MenuItemAt(x, y);
    s.openMenu = -1;
    PresentDebug();
    if (item >= 0) Command(static_cast<EDebugCommand>(item));
    return;
  }
  if (y < kMenuH) {
    for (size_t i = 0; i < Menus().size(); ++i)
      if (x >= Menus()[i].x && x < Menus()[i].x + 46) s.openMenu = static_cast<int32_t>(i);
    PresentDebug();
    return;
  }
  if (y < kGridTop) {
    const int32_t i = x / kButtonW;
    if (y >= kToolTop + 2 && i >= 0 && i < static_cast<int32_t>(std::size(kButtons))) Command(kButtons[i]);
    return;
  }
  if (y < kHeight - kStatusH) {
    const int32_t row = (y - kGridTop) / kRowH;
    if (row >= 1 && row < WatchRows()) s.selected = row;
    PresentDebug();
    if (doubleClick) Command(EDebugCommand::WatchChange);
  }
}

void Key(int32_t vk, bool down) {
  RDebugState& s = DebugState();
  if (vk == kVkLControl || vk == kVkRControl || vk == kVkControl) s.ctrl = down;
  if (vk == kVkLMenu || vk == kVkRMenu || vk == kVkMenu) s.alt = down;
  if (!down || vk == kVkShift) return;
  if (vk == kVkUp || vk == kVkDown) {
    s.selected = std::clamp(s.selected + (vk == kVkUp ? -1 : 1), 1, WatchRows() - 1);
    PresentDebug();
    return;
  }
  for (const RCommandDef& d : kCommands)
    if (d.key == vk && d.ctrl == s.ctrl && d.alt == s.alt) {
      // Ctrl+S is Save; Ctrl+Alt+S is Step.
      Command(d.command);
      return;
    }
}

void ServeDebug() {
  RDebugState& s = DebugState();
  if (!s.native) return;
  int32_t mx = 0, my = 0;
  for (const platform::RInputEvent& e : s.native->TakeEvents()) {
    switch (e.kind) {
      case EInput::MouseMove: mx = e.a; my = e.b; break;
      case EInput::MouseDown: {
        if (e.a != 1) break;
        // Two clicks on one place within half a second are a double click.
        using namespace std::chrono;
        const int64_t now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        const bool twice = now - s.lastClick < 500 && mx == s.lastClickX && my == s.lastClickY;
        s.lastClick = twice ? 0 : now;
        s.lastClickX = mx;
        s.lastClickY = my;
        Click(mx, my, twice);
        break;
      }
      case EInput::KeyDown: Key(e.a, true); break;
      case EInput::KeyUp: Key(e.a, false); break;
      case EInput::Close: CloseDebugWindow(); return;
      default: break;
    }
  }
}

// ---- the test script ----

void ReadScript() {
  RDebugState& s = DebugState();
  if (s.scriptRead) return;
  s.scriptRead = true;
  const char* env = std::getenv("RUNNER_DEBUG_COMMANDS");
  if (!env) return;
  std::istringstream in(env);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    RDebugScriptLine l;
    if (!(words >> l.step >> l.command)) continue;
    std::getline(words, l.argument);
    if (!l.argument.empty() && l.argument.front() == ' ') l.argument.erase(0, 1);
    s.script.push_back(std::move(l));
  }
}

void WriteFile(const std::string& name, const std::string& data) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  f << data;
}

RDebugInfoWindow* InfoByName(const std::string& which) {
  RDebugState& s = DebugState();
  if (which == "global") return &s.global;
  if (which == "instances") return &s.instances;
  if (which == "messages") return &s.messages;
  return nullptr;
}

void RunScriptLine(const RDebugScriptLine& l) {
  static const std::pair<const char*, EDebugCommand> kNamed[] = {
      {"run", EDebugCommand::Run},         {"pause", EDebugCommand::Pause},
      {"step", EDebugCommand::Step},       {"stop", EDebugCommand::Stop},
      {"restart", EDebugCommand::Restart}, {"clear", EDebugCommand::WatchClear},
      {"global", EDebugCommand::ShowGlobal}, {"instances", EDebugCommand::ShowInstances},
      {"messages", EDebugCommand::ShowMessages},
  };
  RDebugState& s = DebugState();
  for (const auto& [name, command] : kNamed)
    if (l.command == name) {
      // Run and Restart play on until a pause, whose lines come from the steps meanwhile.
      s.scriptRunning = false;
      if (DebugCommandEnabled(command)) RunDebugCommand(command);
      s.scriptRunning = true;
      return;
    }
  const std::string& a = l.argument;
  if (l.command == "add") DebugAddWatch(a);
  else if (l.command == "select") s.selected = std::atoi(a.c_str());
  else if (l.command == "change") DebugChangeWatch(s.selected, a);
  else if (l.command == "delete") DebugDeleteWatch(s.selected);
  else if (l.command == "load") { if (auto why = DebugLoadWatches(a); !why.empty()) ShowMessage(why); RefreshDebugWindow(); }
  else if (l.command == "save") { if (auto why = DebugSaveWatches(a); !why.empty()) ShowMessage(why); }
  else if (l.command == "execute") DebugExecuteCode(a);
  else if (l.command == "speed") DebugSetSpeed(a);
  else if (l.command == "local") DebugShowLocal(a);
  else if (l.command == "close") CloseDebugWindow();
  else if (l.command == "dump") WriteFile(a, DebugWindowDump());
  else if (l.command == "shot") PaintDebugWindow().SaveToImageFile(a);
  else if (l.command == "print") {
    const RDebugInfoWindow* w = InfoByName(a);
    if (const std::string why = PrintDebugText(w ? w->text : ""); !why.empty()) ShowMessage(why);
  }
  PresentDebug();
}

// Lines whose step has come, in order. After a step the lines stop at a pause: the next
// ones (a single step among them) wait for the timer, between steps.
void RunScript(bool afterStep) {
  ReadScript();
  RDebugState& s = DebugState();
  if (s.scriptRunning) return;  // commands refresh the window, which must not take lines meanwhile
  s.scriptRunning = true;
  while (!s.script.empty() && s.script.front().step <= StepCount() && !(afterStep && GameState().paused)) {
    const RDebugScriptLine l = s.script.front();
    s.script.pop_front();
    RunScriptLine(l);
  }
  s.scriptRunning = false;
}

// ---- watch files ----

bool ValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (n < 0 || (n == 1 && c < 0xC2) || (n == 3 && c > 0xF4) || i + static_cast<size_t>(n) >= s.size() + (n ? 0 : 1))
      return false;
    for (int k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) return false;
    i += static_cast<size_t>(n) + 1;
  }
  return true;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string FromCp1252(const std::string& s) {
  static constexpr uint16_t k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                       0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  std::string out;
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    AppendUtf8(out, c >= 0x80 && c < 0xA0 ? k80[c - 0x80] : c);
  }
  return out;
}

}  // namespace

// ---- commands ----

bool DebugCommandEnabled(EDebugCommand c) {
  const RGameState& g = GameState();
  switch (c) {
    case EDebugCommand::Run:
    case EDebugCommand::Step: return g.running && g.paused;
    case EDebugCommand::Pause: return g.running && !g.paused;
    case EDebugCommand::Restart:
    case EDebugCommand::Stop: return g.running;
    default: return true;
  }
}

void RunDebugCommand(EDebugCommand c) {
  RDebugState& s = DebugState();
  RGameState& g = GameState();
  switch (c) {
    case EDebugCommand::Run:
      if (g.running && g.paused) RunGame();
      break;
    case EDebugCommand::Pause:
      if (g.running && !g.paused) PauseGame();
      break;
    case EDebugCommand::Step:
      if (g.running && g.paused) SingleStep();
      break;
    case EDebugCommand::Stop:
      if (g.running) StopGame();
      break;
    case EDebugCommand::Restart:
      if (!g.running) break;
      RestartGameRequest();
      if (g.paused) RunGame();
      break;
    case EDebugCommand::WatchAdd:
      DebugAddWatch(InputDialog("Provide an expression.\nPlease type in the expression", ""));
      break;
    case EDebugCommand::WatchChange:
      if (s.selected < 1 || s.selected > static_cast<int32_t>(s.watches.size())) {
        RunDebugCommand(EDebugCommand::WatchAdd);
        break;
      }
      DebugChangeWatch(s.selected, InputDialog("Provide an expression.\nPlease type in the expression",
                                               s.watches[static_cast<size_t>(s.selected - 1)].expression));
      break;
    case EDebugCommand::WatchDelete: DebugDeleteWatch(s.selected); break;
    case EDebugCommand::WatchClear: DebugClearWatches(); break;
    case EDebugCommand::WatchLoad:
      if (const std::string name = ChooseFile(false); !name.empty()) {
        if (const std::string why = DebugLoadWatches(name); !why.empty()) ShowMessage(why);
        RefreshDebugWindow();
      }
      break;
    case EDebugCommand::WatchSave:
      if (const std::string name = ChooseFile(true); !name.empty())
        if (const std::string why = DebugSaveWatches(name); !why.empty()) ShowMessage(why);
      break;
    case EDebugCommand::Execute: DebugExecuteCode(InputDialog("Execute some code.\nPlease type in the code", s.lastCode)); break;
    case EDebugCommand::Speed: {
      CRoom* room = CurrentRoom();
      DebugSetSpeed(InputDialog("Changing Game Speed.\nPlease provide the new speed",
                                std::to_string(room ? room->r_speed : 0)));
      break;
    }
    case EDebugCommand::ShowGlobal:
      ShowInfo(s.global, "Global Variables");
      s.globalMade = true;
      RefreshDebugWindow();
      break;
    case EDebugCommand::ShowInstances:
      ShowInfo(s.instances, "All Instances");
      s.instancesMade = true;
      RefreshDebugWindow();
      break;
    case EDebugCommand::ShowMessages:
      ShowInfo(s.messages, "Messages");
      s.messagesMade = true;
      PresentInfo(s.messages);
      RefreshDebugWindow();
      break;
    case EDebugCommand::ShowLocal:
      DebugShowLocal(InputDialog("Showing Local Variables.\nPlease provide the instance id or object name.", ""));
      break;
  }
}

void DebugAddWatch(const std::string& expression) {
  if (expression.empty()) return;
  DebugState().watches.push_back({expression, ""});
  RefreshDebugWindow();
}

void DebugChangeWatch(int32_t row, const std::string& expression) {
  RDebugState& s = DebugState();
  if (row < 1 || row > static_cast<int32_t>(s.watches.size())) {
    DebugAddWatch(expression);
    return;
  }
  s.watches[static_cast<size_t>(row - 1)].expression = expression;
  RefreshDebugWindow();
}

void DebugDeleteWatch(int32_t row) {
  RDebugState& s = DebugState();
  if (row < 1 || row > static_cast<int32_t>(s.watches.size())) return;
  s.watches.erase(s.watches.begin() + (row - 1));
  s.selected = std::min(s.selected, WatchRows() - 1);
}

void DebugClearWatches() {
  DebugState().watches.clear();
  DebugState().selected = 1;
}

void DebugExecuteCode(const std::string& code) {
  DebugState().lastCode = code;
  if (code.empty()) return;
  if (!ExecuteDebugCode(code)) ShowMessage("COMPILE ERROR");
  RefreshDebugWindow();
}

void DebugSetSpeed(const std::string& text) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return;
  room->r_speed = static_cast<int32_t>(v);
}

void DebugShowLocal(const std::string& text) {
  RDebugState& s = DebugState();
  RDebugInfoWindow* slot = nullptr;
  for (auto& w : s.locals)
    if (!w->visible) {
      slot = w.get();
      break;
    }
  if (!slot) {
    if (static_cast<int32_t>(s.locals.size()) >= kMaxLocalWindows) return;
    s.locals.push_back(std::make_unique<RDebugInfoWindow>());
    slot = s.locals.back().get();
  }
  char* end = nullptr;
  errno = 0;
  const long id = std::strtol(text.c_str(), &end, 10);
  if (!text.empty() && *end == '\0' && errno != ERANGE && id >= INT32_MIN && id <= INT32_MAX) {
    slot->localvarid = static_cast<int32_t>(id);
    slot->localvarname = "##########";
  } else {
    slot->localvarid = -1;
    slot->localvarname = text;
  }
  ShowInfo(*slot, "Local Variables for " + text);
  RefreshDebugWindow();
}

std::string DebugLoadWatches(const std::string& file) {
  std::ifstream f(file, std::ios::binary);
  if (!f) return std::strerror(errno);
  std::stringstream data;
  data << f.rdbuf();
  if (f.bad()) return std::strerror(errno);
  std::string text = data.str();
  if (!ValidUtf8(text)) text = FromCp1252(text);
  // Every line counts, empty ones too; a last line without its end as well.
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    DebugState().watches.push_back({line, ""});
    start = end + 1;
  }
  return "";
}

std::string DebugSaveWatches(const std::string& file) {
  std::string text;
  for (const RDebugWatch& w : DebugState().watches) text += w.expression + "\r\n";
  std::ofstream f(file, std::ios::binary | std::ios::trunc);
  if (!f) return std::strerror(errno);
  f << text;
  f.flush();
  if (!f) return std::strerror(errno);
  return "";
}

std::string PrintDebugText(const std::string& text) {
  constexpr const char* kUnavailable = "Printing is not available";
  bool found = false;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  for (size_t start = 0; start <= dirs.size() && !found;) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
    found = access((dir + "/lp").c_str(), X_OK) == 0;
    start = end + 1;
  }
  if (!found) return kUnavailable;
  const std::string file = MakeTempFileName(".txt");
  std::ofstream f(file, std::ios::binary | std::ios::trunc);
  f << text;
  f.close();
  if (!f) return kUnavailable;
  // The page inset by 200 printer units a side: a third of an inch at 600 dpi.
  const pid_t pid = platform::SpawnProcess({"lp", "-t", "Debug Information", "-o", "page-left=24", "-o",
                                            "page-right=24", "-o", "page-top=24", "-o", "page-bottom=24", file},
                                           "", true);
  if (pid < 0) return kUnavailable;
  platform::ReleaseChild(pid);
  return "";
}

// ---- life ----

void ShowDebugWindow() {
  RDebugState& s = DebugState();
  s.exists = true;
  s.visible = true;
  s.shown = true;
  s.selected = 1;
  if (!s.native) s.native = platform::MakeToolWindow();
  s.native->Show("Debug Information", 10, 10, kWidth, kHeight);
  if (!s.timer && Application()) s.timer = std::make_unique<platform::TTimer>(Application()->Timers(), 50, true, DebugTimerTick);
  PresentDebug();
}

void ShutdownDebugWindow() {
  if (!TheGame().Has<RDebugState>()) return;
  RDebugState& s = DebugState();
  s.timer.reset();
  s.native.reset();
  s.global.native.reset();
  s.instances.native.reset();
  s.messages.native.reset();
  s.locals.clear();
  s.exists = false;
}

void CloseDebugWindow() {
  RDebugState& s = DebugState();
  s.visible = false;
  if (s.native) s.native->Hide();
  if (GameState().paused) StopGame();
}

void RefreshDebugWindow() {
  if (!DebugMode() || !TheGame().Has<RDebugState>()) return;
  RDebugState& s = DebugState();
  if (!s.exists) return;
  s.panels[0] = std::to_string(GameState().fps) + " fps";
  CRoom* room = CurrentRoom();
  s.panels[1] = std::to_string(room ? room->r_numb() : 0) + " inst";
  RefreshMouseId();
  for (RDebugWatch& w : s.watches) w.value = EvaluateWatch(w.expression);
  if (s.global.visible) SetInfoText(s.global, GlobalVariablesText());
  for (auto& w : s.locals)
    if (w->visible) SetInfoText(*w, LocalVariablesText(w->localvarid, w->localvarname));
  if (s.instances.visible) SetInfoText(s.instances, InstancesText());
  PresentDebug();
}

void AddDebugLine(const std::string& text) {
  if (!DebugMode()) return;
  RDebugState& s = DebugState();
  if (!s.exists) return;
  s.messagesMade = true;
  s.messages.title = "Messages";
  s.messages.text += text + "\r\n";
  s.messages.lineCount += 1 + static_cast<int32_t>(std::count(text.begin(), text.end(), '\n'));
  const int32_t count = s.messages.lineCount;
  // A window that stands at the end follows new lines; one scrolled back stays.
  if (s.messages.followEnd) s.messages.firstLine = std::max(0, count - VisibleLines());
  PresentInfo(s.messages);
}

void DebugTimerTick() {
  if (!TheGame().Has<RDebugState>()) return;
  RDebugState& s = DebugState();
  if (!s.exists) return;
  RefreshMouseId();
  ServeWindows();
  PresentDebug();
  if (GameState().paused || !GameState().running) RunScript(false);
}

void DebugAfterStep() {
  if (!DebugMode() || !TheGame().Has<RDebugState>() || !DebugState().exists) return;
  // A game resumed from the window runs inside the timer's handler, which cannot fire again
  // until the game pauses: the window is served here meanwhile. Not during a single step,
  // which the timer serves between steps.
  if (!GameState().paused) ServeWindows();
  RefreshDebugWindow();
  if (!GameState().paused) RunScript(true);
}

// ---- pictures ----

TBitmap32 PaintDebugWindow() {
  RDebugState& s = DebugState();
  TBitmap32 bm(kWidth, kHeight, dialog::Pixel(kFace));
  const RDialogFont font = UiFont();
  // Menu bar.
  for (const RMenuDef& m : Menus()) Text(bm, font, WithoutAmpersand(m.title), m.x + 4, 3, kText);
  // Tool bar: disabled commands in grey.
  dialog::FillBox(bm, 0, kToolTop, kWidth, 1, dialog::Pixel(kShadow));
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    const int32_t x = static_cast<int32_t>(i) * kButtonW;
    Raised(bm, x + 1, kToolTop + 2, kButtonW - 2, kButtonH);
    const RCommandDef& d = Def(kButtons[i]);
    const int32_t w = dialog::TextWidth(font, dialog::FromUtf8(d.button));
    Text(bm, font, d.button, x + (kButtonW - w) / 2, kToolTop + 7, DebugCommandEnabled(d.command) ? kText : kGrey);
  }
  dialog::FillBox(bm, 5 * kButtonW, kToolTop + 2, 1, kButtonH, dialog::Pixel(kText));
  // The watch grid.
  const int32_t gridBottom = kHeight - kStatusH;
  dialog::FillBox(bm, 0, kGridTop, kWidth, gridBottom - kGridTop, dialog::Pixel(0xFFFFFF));
  for (int32_t row = 0; row < WatchRows(); ++row) {
    const int32_t y = kGridTop + row * kRowH;
    if (y + kRowH > gridBottom) break;
    std::string left, right;
    int32_t color = kText;
    if (row == 0) {
      Raised(bm, 0, y, s.column0, kRowH);
      Raised(bm, s.column0, y, kWidth - s.column0, kRowH);
      left = "Expression";
      right = "Value";
    } else if (row <= static_cast<int32_t>(s.watches.size())) {
      left = s.watches[static_cast<size_t>(row - 1)].expression;
      right = s.watches[static_cast<size_t>(row - 1)].value;
    }
    if (row > 0 && row == s.selected) {
      dialog::FillBox(bm, 0, y, kWidth, kRowH, dialog::Pixel(kSelect));
      color = 0xFFFFFF;
    }
    if (row > 0) dialog::FillBox(bm, 0, y + kRowH - 1, kWidth, 1, dialog::Pixel(0xE0E0E0));
    Text(bm, font, left, 3, y + 2, color);
    Text(bm, font, right, s.column0 + 3, y + 2, color);
  }
  dialog::FillBox(bm, s.column0, kGridTop, 1, gridBottom - kGridTop, dialog::Pixel(0xE0E0E0));
  // Status bar: three panels.
  const int32_t widths[3] = {60, 60, 200};
  for (int32_t i = 0, x = 0; i < 3; x += widths[i], ++i) {
    Raised(bm, x, gridBottom, widths[i], kStatusH);
    Text(bm, font, s.panels[i], x + 3, gridBottom + 3, kText);
  }
  // A pulled-down menu over everything.
  if (s.openMenu >= 0) {
    const RMenuDef& m = Menus()[static_cast<size_t>(s.openMenu)];
    int32_t h = 0;
    for (int32_t item : m.items) h += item < 0 ? kMenuSepH : kMenuItemH;
    Raised(bm, m.x, kMenuH, kMenuW, h);
    int32_t y = kMenuH;
    for (int32_t item : m.items) {
      if (item < 0) {
        dialog::FillBox(bm, m.x + 4, y + kMenuSepH / 2, kMenuW - 8, 1, dialog::Pixel(kShadow));
        y += kMenuSepH;
        continue;
      }
      const RCommandDef& d = kCommands[item];
      const int32_t color = DebugCommandEnabled(d.command) ? kText : kGrey;
      Text(bm, font, WithoutAmpersand(d.caption), m.x + 8, y + 3, color);
      const std::string keys = ShortcutText(d);
      Text(bm, font, keys, m.x + kMenuW - 8 - dialog::TextWidth(font, dialog::FromUtf8(keys)), y + 3, color);
      y += kMenuItemH;
    }
  }
  return bm;
}

TBitmap32 PaintDebugInfoWindow(const std::string& text, int32_t firstLine) {
  TBitmap32 bm(kInfoW, kInfoH, dialog::Pixel(0xFFFFFF));
  const RDialogFont ui = UiFont(), memo = MemoFont();
  dialog::FillBox(bm, 0, 0, kInfoW, kInfoToolH, dialog::Pixel(kFace));
  const char* faces[2] = {"Save", "Print"};
  for (int32_t i = 0; i < 2; ++i) {
    Raised(bm, i * kButtonW * 2 + 1, 1, kButtonW * 2 - 2, kButtonH);
    Text(bm, ui, faces[i], i * kButtonW * 2 + 8, 6, kText);
  }
  const std::vector<std::string> lines = Lines(text);
  int32_t y = kInfoToolH + 2;
  for (size_t i = static_cast<size_t>(std::max(0, firstLine)); i < lines.size() && y + kInfoLineH <= kInfoH;
       ++i, y += kInfoLineH)
    Text(bm, memo, lines[i], 3, y, kText);
  // The vertical scroll bar.
  dialog::FillBox(bm, kInfoW - 14, kInfoToolH, 14, kInfoH - kInfoToolH, dialog::Pixel(kFace));
  if (!lines.empty()) {
    const int32_t track = kInfoH - kInfoToolH;
    const int32_t count = static_cast<int32_t>(lines.size());
    const int32_t thumb = std::max(12, track * std::min(count, VisibleLines()) / count);
    const int32_t top = kInfoToolH + (track - thumb) * std::min(firstLine, count) / std::max(1, count);
    Raised(bm, kInfoW - 13, top, 12, thumb);
  }
  return bm;
}

std::string DebugWindowDump() {
  RDebugState& s = DebugState();
  std::string out = std::string("window: ") + (s.visible ? "shown" : "hidden") + "\n";
  out += "status: " + s.panels[0] + " | " + s.panels[1] + " | " + s.panels[2] + "\n";
  out += "game: " + std::string(GameState().running ? "running" : "stopped") + (GameState().paused ? ", paused" : "") +
         "\n";
  out += "watches:\n";
  for (const RDebugWatch& w : s.watches) out += "  " + w.expression + " = " + w.value + "\n";
  auto info = [&out](const RDebugInfoWindow& w) {
    out += "[" + w.title + "]" + (w.visible ? "" : " (hidden)") + "\n" + WindowText(w.text);
    if (!out.empty() && out.back() != '\n') out += '\n';
  };
  if (s.globalMade) info(s.global);
  for (const auto& w : s.locals) info(*w);
  if (s.instancesMade) info(s.instances);
  if (s.messagesMade) info(s.messages);
  return out;
}
