// Preparing and showing transitions, the geometry of the built-in kinds, and calling the
// scripts games define as transitions.
#include "runner/graphics/Graphics_Transition.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Script_Main.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/graphics/Graphics_Surface.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/run/Run_Main.h"

namespace {

constexpr int32_t kWhite = 0xFFFFFF;

// Rounding to the nearest integer, halves to even (the default rounding mode).
int32_t R(double v) {
  if (!(v > -2147483648.0 && v < 2147483647.0)) return 0;
  return static_cast<int32_t>(std::nearbyint(v));
}

void DrawAt(int32_t surface, double x, double y) { Texture_Draw(Surface_Texture(surface), x, y); }

// A rectangle of the picture drawn over its own place.
void PartInPlace(int32_t surface, int32_t l, int32_t t, int32_t w, int32_t h) {
  if (w <= 0 || h <= 0) return;
  Texture_DrawPart(Surface_Texture(surface), kWhite, l, t, w, h, l, t, 1, 1, 0, 1);
}

// The wipes 1 to 4, old drawn first.
void Wipe(int32_t kind, double f, int32_t oldS, int32_t newS, int32_t w, int32_t h) {
  DrawAt(oldS, 0, 0);
  const int32_t ww = R(w * f), hh = R(h * f);
  switch (kind) {
    case 1: PartInPlace(newS, 0, 0, ww, h); break;
    case 2: PartInPlace(newS, w - ww, 0, ww, h); break;
    case 3: PartInPlace(newS, 0, 0, w, hh); break;
    case 4: PartInPlace(newS, 0, h - hh, w, hh); break;
    default: break;
  }
}

// Kinds 10 to 13: every second strip one after the other in the first half of the steps, then
// a wipe from the same side fills the gaps.
void Interlaced(int32_t kind, double f, int32_t steps, int32_t oldS, int32_t newS, int32_t w, int32_t h) {
  const int32_t n = steps, k = R(f * n), g = n / 2;
  if (k == n) return DrawAt(newS, 0, 0);
  if (g < k)
    Wipe(kind - 9, static_cast<double>(k - g) / g, oldS, newS, w, h);
  else
    DrawAt(oldS, 0, 0);
  const bool columns = kind == 10 || kind == 11;
  const bool fromStart = kind == 10 || kind == 12;
  for (int32_t i = 0; i <= g; ++i) {
    if (fromStart ? i > k : i < g - k) continue;
    if (columns)
      PartInPlace(newS, R(2.0 * i * w / n), 0, R(static_cast<double>(w) / n), h);
    else
      PartInPlace(newS, 0, R(2.0 * i * h / n), w, R(static_cast<double>(h) / n));
  }
}

void Turning(double f, double sign, int32_t newS, int32_t w, int32_t h) {
  const double theta = sign * 360.0 * std::sqrt(f) * std::numbers::pi / 180.0;
  const double c = std::cos(theta), s = std::sin(theta);
  const double x = w / 2.0 - f * (w * c + h * s) / 2.0, y = h / 2.0 - f * (h * c - w * s) / 2.0;
  Texture_DrawTransformed(Surface_Texture(newS), kWhite, 0, 0, x, y, f, f, theta, 1);
}

// A defined kind: the function is called with a temporary instance as self and other.
void CallDefined(int32_t id, const std::string& name, double f, int32_t w, int32_t h) {
  const RTransitionState& st = TransitionState();
  // A built-in function's name was given: nothing is called. Extension functions are called
  // once extension packages can be.
  if (id < kScriptIdBase || id >= kExtensionIdBase) return;
  if (!CanNestExecution()) return ShowActionError(kMsgNestingTooDeep, false);
  ExecHost& host = GetExecHost();
  CInstance* temp = host.CreateTempInstance();
  RValue args[5] = {RValue(static_cast<double>(st.from)), RValue(static_cast<double>(st.to)),
                    RValue(static_cast<double>(w)), RValue(static_cast<double>(h)), RValue(f)};
  RValue result;
  CallScript(id - kScriptIdBase, temp, temp, result, false, args, 5);
  if (CodeError().pending) {
    const std::string message = "ERROR in transition function " + name + "\r" + CodeError().message;
    ClearCodeError();
    ShowActionError(message, false);
  }
  if (temp) host.DestroyTempInstance(temp);
}

bool Defined(int32_t kind) {
  const RTransitionState& st = TransitionState();
  return kind >= 1 && kind < static_cast<int32_t>(st.ids.size()) && st.ids[static_cast<size_t>(kind)] >= 0;
}

void FreePictures() {
  RTransitionState& st = TransitionState();
  const int32_t target = Surface_Target();
  if (target >= 0 && (target == st.from || target == st.to)) Surface_ResetTarget();
  Surface_Free(st.from);
  Surface_Free(st.to);
  st.from = st.to = -1;
}

void SaveShot(int32_t frame, int32_t w, int32_t h) {
  const RTransitionState& st = TransitionState();
  if (std::find(st.shotFrames.begin(), st.shotFrames.end(), frame) == st.shotFrames.end()) return;
  Display_SaveScreen("transition" + std::to_string(st.shownCount) + "_" + std::to_string(frame) + ".png", 0, 0, w, h);
}

}  // namespace

bool Transition_Define(int32_t kind, const std::string& name) {
  int32_t id = -1;
  if (!TheRunnerCompileContext().FindFunction(name, id)) return false;
  if (kind < 1 || kind > kMaxTransitionKind) return true;
  RTransitionState& st = TransitionState();
  if (kind >= static_cast<int32_t>(st.ids.size())) {
    st.ids.resize(static_cast<size_t>(kind) + 1000, -1);
    st.names.resize(static_cast<size_t>(kind) + 1000);
  }
  st.ids[static_cast<size_t>(kind)] = id;
  st.names[static_cast<size_t>(kind)] = name;
  return true;
}

bool Transition_Valid(int32_t kind) { return (kind >= 1 && kind <= kBuiltinTransitions) || Defined(kind); }

void Transition_DrawBuiltin(int32_t kind, double f, int32_t steps, int32_t oldS, int32_t newS, int32_t w,
                            int32_t h) {
  const int32_t ww = R(w * f), hh = R(h * f);
  switch (kind) {
    case 1: case 2: case 3: case 4: return Wipe(kind, f, oldS, newS, w, h);
    case 5:
      DrawAt(oldS, 0, 0);
      return PartInPlace(newS, R((w - w * f) * 0.5), R((h - h * f) * 0.5), ww, hh);
    case 6: DrawAt(oldS, 0, 0); return DrawAt(newS, ww - w, 0);
    case 7: DrawAt(oldS, 0, 0); return DrawAt(newS, w - ww, 0);
    case 8: DrawAt(oldS, 0, 0); return DrawAt(newS, 0, hh - h);
    case 9: DrawAt(oldS, 0, 0); return DrawAt(newS, 0, h - hh);
    case 10: case 11: case 12: case 13: return Interlaced(kind, f, steps, oldS, newS, w, h);
    case 14: DrawAt(oldS, ww, 0); return DrawAt(newS, ww - w, 0);
    case 15: DrawAt(oldS, -ww, 0); return DrawAt(newS, w - ww, 0);
    case 16: DrawAt(oldS, 0, hh); return DrawAt(newS, 0, hh - h);
    case 17: DrawAt(oldS, 0, -hh); return DrawAt(newS, 0, h - hh);
    case 18: DrawAt(oldS, 0, 0); return Turning(f, 1, newS, w, h);
    case 19: DrawAt(oldS, 0, 0); return Turning(f, -1, newS, w, h);
    case 20:
      DrawAt(oldS, 0, 0);
      return Texture_DrawTransformed(Surface_Texture(newS), kWhite, 0, 0, 0, 0, 1, 1, 0, f);
    case 21:
      Draw_Clear(0, 1);
      if (f > 0.5) return Texture_DrawTransformed(Surface_Texture(newS), kWhite, 0, 0, 0, 0, 1, 1, 0, 2 * f - 1);
      return Texture_DrawTransformed(Surface_Texture(oldS), kWhite, 0, 0, 0, 0, 1, 1, 0, 1 - 2 * f);
    default: return;
  }
}

void Transition_Prepare(int32_t kind) {
  RTransitionState& st = TransitionState();
  // Pictures of a transition that was never shown go first, so they cannot pile up.
  FreePictures();
  st.shownKind = kind;
  if (!Transition_Valid(kind)) return;
  const int32_t w = Display_UsedWidth(), h = Display_UsedHeight();
  st.from = Surface_Create(w, h);
  if (st.from < 0) {
    st.shownKind = -1;
    return;
  }
  Surface_SetTarget(st.from);
  // The old room is drawn once more as if no change were pending, so its draw events run.
  const int32_t pending = PendingRoomChange();
  SetPendingRoomChange(kNoRoomChange);
  ScreenRedraw();
  SetPendingRoomChange(pending);
  st.to = Surface_Create(w, h);
  if (st.to < 0) {
    st.shownKind = -1;
    FreePictures();
    return;
  }
  Surface_SetTarget(st.to);
}

void Transition_Cancel() { FreePictures(); }

void Transition_Show() {
  RTransitionState& st = TransitionState();
  const int32_t kind = st.shownKind;
  if (!Transition_Valid(kind) || !Surface_Exists(st.from) || !Surface_Exists(st.to)) {
    FreePictures();
    Display_EndAndPresent();
    Display_BeginFrame();
    return;
  }
  Surface_ResetTarget();
  ++st.shownCount;
  const int32_t steps = std::max(GameState().transition_steps, 1);
  const int32_t w = Display_UsedWidth(), h = Display_UsedHeight();
  const bool defined = Defined(kind);
  // No messages and no steps in between: the pace is the display's refresh.
  for (int32_t count = 0; count <= steps; ++count) {
    const double f = static_cast<double>(count) / steps;
    Display_BeginFrame();
    if (defined)
      CallDefined(st.ids[static_cast<size_t>(kind)], st.names[static_cast<size_t>(kind)], f, w, h);
    else
      Transition_DrawBuiltin(kind, f, steps, st.from, st.to, w, h);
    Display_WaitVBlank();
    SaveShot(count, w, h);
    Display_EndAndPresent();
  }
  FreePictures();
  Display_BeginFrame();
}
