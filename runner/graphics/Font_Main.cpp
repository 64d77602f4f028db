// The font list and its chunk; fonts of the game data get their textures once the device exists.
#include "runner/graphics/Font_Main.h"

#include <memory>

#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/base/Load_Chunks.h"
#include "runner/base/Support_Stream.h"

namespace {
std::unique_ptr<CFont>& DefaultSlot() {
  static std::unique_ptr<CFont> font;
  return font;
}
}  // namespace

TResourceList<CFont>& Fonts() {
  static TResourceList<CFont> list("__newfont");
  return list;
}

bool LoadFonts(CStream& str) {
  ClearFonts();
  if (str.ReadInteger() != kFontsChunkVersion) return false;
  const int32_t count = str.ReadInteger();
  if (count < 0) return false;
  // Every slot is a block of at least four bytes, so a false count runs into the end first.
  for (int32_t i = 0; i < count; ++i) {
    CStream block = str.ReadStreamC();
    if (!block.ReadBoolean()) {
      Fonts().Put(i, nullptr, std::string());
      continue;
    }
    std::string name = block.ReadString();
    auto font = std::make_unique<CFont>();
    if (!font->LoadFromStream(block)) return false;
    Fonts().Put(i, std::move(font), std::move(name));
  }
  return true;
}

void InitFontTextures() {
  for (int32_t i = 0; i < Fonts().Count(); ++i)
    if (CFont* f = Fonts().Get(i)) f->InitTexture();
  if (DefaultSlot()) DefaultSlot()->InitTexture();
}

void ClearFonts() {
  Fonts().Clear();
  DefaultSlot().reset();
}

const CFont& DefaultFont() {
  std::unique_ptr<CFont>& f = DefaultSlot();
  if (!f) {
    f = std::make_unique<CFont>();
    f->CreateFont("Arial", 12, false, false, 32, 127);
  }
  return *f;
}

void InstallFonts() {
  SetResourceTextureInit([] {
    InitSpriteTextures();
    InitFontTextures();
  });
}
