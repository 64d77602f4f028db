// What the action functions share: the relative option of the calling action and the
// comparison of the if actions.
#pragma once

#include <cstdint>

class CInstance;

// The relative box of the calling action (argument_relative).
bool ActionRelative();
// With relative set, offsets (x, y) by self's position.
void RelativePoint(const CInstance* self, double& x, double& y);
// The operation codes of the if actions on a difference: 0 equal to, 1 smaller than, 2 larger
// than; other codes compare for equality.
bool CompareByOperation(double difference, int32_t operation);
