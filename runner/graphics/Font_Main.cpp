// The font list and its chunk; fonts of the game data get their textures once the device exists.
#include "runner/graphics/Font_Main.h"

#include <memory>

#include "runner/base/Support_Stream.h"

TResourceList<CFont>& Fonts() { return FontState().fonts; }

bool LoadFonts(CStream& str) {
  Fonts().Clear();
  FontState().default_font.reset();
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
  if (CFont* f = FontState().default_font.get()) f->InitTexture();
}

const CFont& DefaultFont() {
  std::unique_ptr<CFont>& f = FontState().default_font;
  if (!f) {
    f = std::make_unique<CFont>();
    f->CreateFont("Arial", 12, false, false, 32, 127);
  }
  return *f;
}
