// The font list, the font chunk of the game data, the default font and the start-up step that
// makes the font textures.
#pragma once

#include <cstdint>

#include "runner/graphics/Font_Class.h"
#include "runner/base/Resource_List.h"

class CStream;

inline constexpr int32_t kFontsChunkVersion = 800;

TResourceList<CFont>& Fonts();  // new entries are named "__newfont" + index

// The chunk loader; false on a wrong version or record. Damage throws StreamError.
bool LoadFonts(CStream& str);
void InitFontTextures();
// Frees the list and the default font.
void ClearFonts();
// "Arial", 12 points, plain, 32..127; made the first time it is asked for.
const CFont& DefaultFont();
// Adds the font textures to the start-up texture step.
void InstallFonts();
