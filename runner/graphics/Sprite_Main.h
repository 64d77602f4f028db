// The sprite and background lists, their chunks in the game data, and the start-up step that
// makes their textures once the device exists.
#pragma once

#include "runner/base/Game.h"
#include "runner/base/Resource_List.h"
#include "runner/graphics/Background_Class.h"
#include "runner/graphics/Sprite_Class.h"

class CStream;

struct RImageState {
  static constexpr EGameSlot kSlot = EGameSlot::Images;
  TResourceList<CSprite> sprites{"__newsprite"};
  TResourceList<CBackground> backgrounds{"__newbackground"};
};

TResourceList<CSprite>& Sprites();          // new entries are named "__newsprite" + index
TResourceList<CBackground>& Backgrounds();  // "__newbackground" + index

// The two chunk loaders; false on a wrong version or record. Damage throws StreamError.
bool LoadSprites(CStream& str);
bool LoadBackgrounds(CStream& str);

// Makes the textures of every sprite and background (start-up, after the device).
void InitSpriteTextures();
// Frees both lists (a shutdown step of the game).
void ClearSpritesAndBackgrounds();
// Installs the lookups the runtime asks sprites and backgrounds through (instance shapes,
// background sizes).
void InstallSprites();
