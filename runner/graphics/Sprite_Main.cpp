// The sprite and background lists and what other subsystems learn from them.
#include "runner/graphics/Sprite_Main.h"

#include <cmath>
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

// The sprite whose mask an instance collides with; null when it has no frames.
const CSprite* MaskSprite(const CInstance& inst) {
  const int32_t m = inst.i_maskindex >= 0 ? inst.i_maskindex : inst.i_spriteindex;
  const CSprite* s = Sprites().Exists(m) ? Sprites().Get(m) : nullptr;
  return s && s->i_numb > 0 ? s : nullptr;
}

int32_t SubImage(const CInstance& inst, const CSprite& s) {
  const double f = std::floor(inst.i_imageindex);
  if (!std::isfinite(f)) return 0;
  double r = std::fmod(f, s.i_numb);
  if (r < 0) r += s.i_numb;
  return static_cast<int32_t>(r);
}

RRect32 Box(const CInstance& inst) {
  return {inst.i_bbox.left, inst.i_bbox.top, inst.i_bbox.right, inst.i_bbox.bottom};
}

int32_t R(double v) { return RoundToInt32(v); }

// The precise tests of instances, for the runtime's collision functions.
constexpr RInstanceMasks kInstanceMasks = {
    .point = [](const CInstance& i, int32_t x, int32_t y) {
      const CSprite* s = MaskSprite(i);
      return s && s->CheckCollisionPoint(SubImage(i, *s), Box(i), R(i.i_x), R(i.i_y), i.i_imagescalex,
                                         i.i_imagescaley, i.i_imageangle, x, y);
    },
    .rectangle = [](const CInstance& i, int32_t left, int32_t top, int32_t right, int32_t bottom) {
      const CSprite* s = MaskSprite(i);
      return s && s->CheckCollisionRectangle(SubImage(i, *s), Box(i), R(i.i_x), R(i.i_y), i.i_imagescalex,
                                             i.i_imagescaley, i.i_imageangle, {left, top, right, bottom});
    },
    .ellipse = [](const CInstance& i, int32_t left, int32_t top, int32_t right, int32_t bottom) {
      const CSprite* s = MaskSprite(i);
      return s && s->CheckCollisionEllipse(SubImage(i, *s), Box(i), R(i.i_x), R(i.i_y), i.i_imagescalex,
                                           i.i_imagescaley, i.i_imageangle, {left, top, right, bottom});
    },
    .line = [](const CInstance& i, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
      const CSprite* s = MaskSprite(i);
      return s && s->CheckCollisionLine(SubImage(i, *s), Box(i), R(i.i_x), R(i.i_y), i.i_imagescalex,
                                        i.i_imagescaley, i.i_imageangle, x1, y1, x2, y2);
    },
    .instance = [](const CInstance& a, const CInstance& b) {
      const CSprite* s1 = MaskSprite(a);
      const CSprite* s2 = MaskSprite(b);
      if (!s1 || !s2) return false;
      return s1->CheckCollision(SubImage(a, *s1), Box(a), R(a.i_x), R(a.i_y), a.i_imagescalex, a.i_imagescaley,
                                a.i_imageangle, *s2, SubImage(b, *s2), Box(b), R(b.i_x), R(b.i_y),
                                b.i_imagescalex, b.i_imagescaley, b.i_imageangle);
    },
};

}  // namespace

bool LoadSprites(CStream& str) { return LoadChunk(str, Sprites()); }
bool LoadBackgrounds(CStream& str) { return LoadChunk(str, Backgrounds()); }

void InstallSprites() {
  RunLookups().masks = kInstanceMasks;
  RunLookups().spriteShape = SpriteShape;
  RunLookups().backgroundSize = BackgroundSize;
}
