// The simple effects: ready-made explosions, rings, smoke, rain, snow and the others on two
// particle systems of their own, one below every instance and one above.
#pragma once

#include <cstdint>

// Effect kinds (ef_explosion .. ef_snow) and sizes 0 small, 1 medium, 2 large.
inline constexpr int32_t kEffectKinds = 12;

// Creates an effect in the colour at (x, y); rain and snow fall over the whole room instead.
// Unknown kinds do nothing; sizes are limited to 0..2.
void EffectCreate(bool above, int32_t kind, double x, double y, int32_t size, int32_t color);
// Removes the particles of both effect systems (effect_clear, and every room start).
void EffectClear();
// The factor that keeps effects as long and as fast in seconds when the game runs faster than
// 30 steps per second: from the room speed and the measured frames per second.
double EffectSpeedFactor(int32_t roomSpeed, int32_t fps);
