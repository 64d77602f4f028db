// Drawing the room: each visible view with its viewport and projection (or the whole room),
// and within one view the fixed order of backgrounds, tiles, instances, particle systems,
// foregrounds and the cursor sprite; the default drawing of an instance; the window caption.
#pragma once

#include <cstdint>
#include <string>

class CInstance;
class CRoom;
struct RGameState;

// The z every 2D vertex gets in 3D mode, by what is drawn.
inline constexpr double kBackgroundDrawDepth = 12000;
inline constexpr double kMaxObjectDrawDepth = 11000;  // tiles, instances, particle systems
inline constexpr double kForegroundDrawDepth = -12000;
inline constexpr double kCursorDrawDepth = -13000;

// The runtime's drawing hook, run after following, recording and sorting: the views (or the
// room), the caption, and the current view back to 0. Without instancesShown the runtime has
// found no instance visible and unmarked, and no view walks them.
void DrawRoomViews(bool instancesShown = true);
// One view's content: the room region (left, top)-(right, bottom).
void DrawRoomRectangle(CRoom& room, double left, double top, double right, double bottom, bool instancesShown = true);
// An instance without a draw event: its sprite's frame at its position, if it has a sprite.
void DrawInstanceDefault(const CInstance& inst);
// The window caption for a room caption and the score, lives and health display.
std::string RoomWindowCaption(const std::string& roomCaption, const RGameState& game);
