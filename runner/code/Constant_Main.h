// The game's constants: the constants chunk keeps their name and value texts at load time, and
// preparation defines them in chunk order.
#pragma once

#include <cstdint>
#include <vector>

#include "runner/code/Code_Constant.h"

class CStream;

inline constexpr int32_t kConstantsChunkVersion = 800;

// Reads the chunk at the stream's position, replacing the stored texts. False on a wrong version
// or a negative count; a short chunk throws StreamError. Either way the stored texts are unchanged.
bool LoadConstants(CStream& stream);
// Defines every stored constant in order; the first failure (its message already shown) stops.
bool DefineGameConstants();

const std::vector<RConstantText>& GameConstantTexts();
