// Connects the display and window to the runtime: the display set-up of the start-up
// sequence and the runtime's display hooks (window shown, region adapted, frames presented,
// full screen toggled, screenshots, cursor, window focus).
#pragma once

#include <cstdint>

void InstallDisplayHooks();

// The region size a room asks for: the bounding size of the visible views' ports (at least
// 8 × 8) with views enabled, else the room size; both limited to the screen.
class CRoom;
void RoomRegionSize(const CRoom& room, int32_t screenW, int32_t screenH, int32_t& w, int32_t& h);
