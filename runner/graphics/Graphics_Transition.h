// Transitions: the short animation shown when the game changes room. The picture of the room
// being left is kept on one surface, the first picture of the room entered is drawn into a
// second, and the two are mixed step by step by one of the built-in kinds or by a script the
// game defined for the kind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runner/base/Game.h"

inline constexpr int32_t kBuiltinTransitions = 21;
inline constexpr int32_t kMaxTransitionKind = 999999;

struct RTransitionState {
  static constexpr EGameSlot kSlot = EGameSlot::Transitions;
  int32_t shownKind = 0;  // handed to the last prepare; −1 after a failed one
  int32_t from = -1, to = -1;  // surfaces of the old and the new picture
  // Defined kinds: function id (−1 none) and the name given, indexed by kind.
  std::vector<int32_t> ids;
  std::vector<std::string> names;
  // Test mode: frames of each shown transition saved as "transition<n>_<frame>.png", n counting
  // the transitions shown from 1.
  std::vector<int32_t> shotFrames;
  int32_t shownCount = 0;
};
inline RTransitionState& TransitionState() { return TheGame().State<RTransitionState>(); }

// Finds the script or function called name; when found and 1 ≤ kind ≤ 999999, kind uses it.
// True when the name was found.
bool Transition_Define(int32_t kind, const std::string& name);
bool Transition_Valid(int32_t kind);

// The room change's two calls: before the room is left (captures the old picture and sends
// drawing into the new one) and after the new room has been drawn.
void Transition_Prepare(int32_t kind);
void Transition_Show();
// A prepared transition that will not be shown (the room start draws nothing): drawing goes to
// the screen again and both pictures are freed.
void Transition_Cancel();

// Draws built-in kind (1..21) at fraction f (0..1) of steps, from surface old to surface new,
// over a w × h area.
void Transition_DrawBuiltin(int32_t kind, double f, int32_t steps, int32_t oldSurface, int32_t newSurface,
                            int32_t w, int32_t h);
