// The sprite and background lists and what other subsystems learn from them.
#include "runner/graphics/Sprite_Main.h"

#include <memory>

#include "runner/base/Load_Chunks.h"
#include "runner/base/Support_Stream.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Hooks.h"

TResourceList<CSprite>& Sprites() { return TheGame().State<RImageState>().sprites; }
TResourceList<CBackground>& Backgrounds() { return TheGame().State<RImageState>().backgrounds; }

void InitSpriteTextures() {
  for (int32_t i = 0; i < Sprites().Count(); ++i)
    if (CSprite* s = Sprites().Get(i)) s->InitTexture();
  for (int32_t i = 0; i < Backgrounds().Count(); ++i)
    if (CBackground* b = Backgrounds().Get(i)) b->InitTexture();
}

void ClearSpritesAndBackgrounds() {
  Sprites().Clear();
  Backgrounds().Clear();
}

namespace {

// Both chunks: version, count, then per slot a compressed block with the exists flag and,
// when set, the name and the record.
template <class T>
bool LoadChunk(CStream& str, TResourceList<T>& list) {
  list.Clear();
  if (str.ReadInteger() != kChunkVersion) return false;
  const int32_t count = str.ReadInteger();
  // Each slot is at least a block length.
  if (count < 0 || int64_t{count} * 4 > int64_t{str.GetSize()} - str.GetPosition())
    throw StreamError("more slots than data");
  for (int32_t i = 0; i < count; ++i) {
    CStream slot = str.ReadStreamC();
    if (!slot.ReadBoolean()) {
      list.Put(i, nullptr, "");
      continue;
    }
    std::string name = slot.ReadString();
    auto item = std::make_unique<T>();
    const bool ok = item->LoadFromStream(slot);
    list.Put(i, std::move(item), std::move(name));
    if (!ok) return false;
  }
  return true;
}

bool SpriteShape(int32_t sprite, RSpriteShape& shape) {
  const CSprite* s = Sprites().Exists(sprite) ? Sprites().Get(sprite) : nullptr;
  if (!s) return false;
  shape.imagecount = s->i_numb;
  shape.xorig = s->i_xorig;
  shape.yorig = s->i_yorig;
  shape.left = s->i_bbox.left;
  shape.top = s->i_bbox.top;
  shape.right = s->i_bbox.right;
  shape.bottom = s->i_bbox.bottom;
  shape.width = s->GetWidth();
  shape.height = s->GetHeight();
  return true;
}

bool BackgroundSize(int32_t background, int32_t& width, int32_t& height) {
  const CBackground* b = Backgrounds().Exists(background) ? Backgrounds().Get(background) : nullptr;
  if (!b) return false;
  width = b->GetWidth();
  height = b->GetHeight();
  return true;
}

}  // namespace

bool LoadSprites(CStream& str) { return LoadChunk(str, Sprites()); }
bool LoadBackgrounds(CStream& str) { return LoadChunk(str, Backgrounds()); }

void InstallSprites() {
  RunLookups().spriteShape = SpriteShape;
  RunLookups().backgroundSize = BackgroundSize;
}
