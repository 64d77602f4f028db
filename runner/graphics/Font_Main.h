// The font list, the font chunk of the game data, the default font and the start-up step that
// makes the font textures.
#pragma once

#include <set>
#include <string>

#include <cstdint>
#include <memory>

#include "runner/base/Game.h"
#include "runner/base/Resource_List.h"
#include "runner/graphics/Font_Class.h"
#include "runner/graphics/Graphics_Text.h"

class CStream;

inline constexpr int32_t kFontsChunkVersion = 800;

// The fonts of the game, the default font once asked for, and the text drawing state.
struct RFontState {
  static constexpr EGameSlot kSlot = EGameSlot::Text;
  TResourceList<CFont> fonts{"__newfont"};
  std::unique_ptr<CFont> default_font;
  RTextState text;
  // Families not installed that the player has been told of; once a game is enough.
  std::set<std::string> standInsTold;
};
inline RFontState& FontState() { return TheGame().State<RFontState>(); }

TResourceList<CFont>& Fonts();  // new entries are named "__newfont" + index

// The chunk loader; it frees the list and the default font first. False on a wrong version or
// record. Damage throws StreamError.
bool LoadFonts(CStream& str);
// Makes the textures of the fonts and the default font (start-up, after the device).
void InitFontTextures();
// "Arial", 12 points, plain, 32..127; made the first time it is asked for.
const CFont& DefaultFont();
