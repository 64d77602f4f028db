// The game-wide built-in variables: the current room and its layers and views, score, lives
// and health, the caption display, the clock and the system, attached to the built-in table.
#pragma once

#include <cstdint>

void RegisterGameVariables();

// The anti-aliasing mask `display_aa` reports; the display sets it once it knows the device.
void SetDisplayAA(int32_t mask);
int32_t DisplayAA();
