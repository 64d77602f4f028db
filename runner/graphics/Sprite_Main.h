// The sprite and background lists, their chunks in the game data, and the start-up step that
// makes their textures once the device exists.
#pragma once

#include "runner/graphics/Background_Class.h"
#include "runner/base/Resource_List.h"
#include "runner/graphics/Sprite_Class.h"

class CStream;

TResourceList<CSprite>& Sprites();          // new entries are named "__newsprite" + index
TResourceList<CBackground>& Backgrounds();  // "__newbackground" + index

// The two chunk loaders; false on a wrong version or record. Damage throws StreamError.
bool LoadSprites(CStream& str);
bool LoadBackgrounds(CStream& str);

// Makes the textures of every sprite and background (start-up, after the device).
void InitSpriteTextures();
// Frees both lists (shutdown, and before their chunks load).
void ClearSpritesAndBackgrounds();
// Installs the lookups other subsystems ask sprites and backgrounds through (instance shapes,
// background sizes, texture creation at start-up).
void InstallSprites();
