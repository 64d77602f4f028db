// Drawing particle systems on a real device: every built-in shape and an effect against their
// golden images, the drawing order, sprite particles' sub-images, the blend state left behind,
// one draw call for a system of one texture, and a system between instances in a room.
#include <gtest/gtest.h>

#include <memory>

#include "runner/functions/Function_Math.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Particle_Effect.h"
#include "runner/graphics/Particle_Main.h"
#include "runner/graphics/Sprite_Main.h"
#include "tests/support/Golden.h"

namespace {

int32_t ShapeType(int32_t shape, int32_t color = 0xFFFFFF) {
  const int32_t id = ParticleTypeCreate();
  RParticleType& t = *ParticleType(id);
  t.shape = shape;
  t.colpar[0] = color;
  return id;
}

class ShapesDrawing : public DrawingTest {
 protected:
  ShapesDrawing() : DrawingTest(64 * 7, 128) {}
};

TEST_F(ShapesDrawing, EveryBuiltInShape) {
  const int32_t sys = ParticleSystemCreate();
  for (int32_t s = 0; s < kParticleShapes; ++s) ParticlesCreate(sys, 32 + 64 * (s % 7), 32 + 64 * (s / 7), ShapeType(s), 1);
  ParticleSystemDraw(sys);
  const TBitmap32 shot = Capture();
  EXPECT_EQ(shot.GetPixel(32, 32), 0xFFFFFFFFu);  // the pixel
  EXPECT_EQ(shot.GetPixel(33, 32), 0xFF000000u);
  EXPECT_EQ(shot.GetPixel(64 * 2 + 1, 1), 0xFFFFFFFFu);  // the square fills its cell
  EXPECT_TRUE(MatchesGolden(shot, "particles_shapes", 8));
}

class EffectDrawing : public DrawingTest {
 protected:
  EffectDrawing() : DrawingTest(96, 96) {}
};

TEST_F(EffectDrawing, ExplosionAndRing) {
  ParticlesState().random = RandomReal;
  SetRandomSeed(11);
  EffectCreate(false, 0, 48, 48, 1, 0x00A0FF);
  EffectCreate(true, 1, 48, 48, 1, 0xFFFF00);
  for (int i = 0; i < 4; ++i) UpdateAutomaticParticleSystems();
  DrawParticleSystemsAt(100000);
  DrawParticleSystemsAt(-100000);
  EXPECT_TRUE(MatchesGolden(Capture(), "particles_effect", 8));
}

class ParticleDrawing : public DrawingTest {
 protected:
  ParticleDrawing() : DrawingTest(16, 16) {}
};

TEST_F(ParticleDrawing, OldToNewDrawsTheNewestOnTop) {
  const int32_t sys = ParticleSystemCreate();
  ParticlesCreate(sys, 8, 8, ShapeType(2, 0x0000FF), 1);  // red square, older
  ParticlesCreate(sys, 8, 8, ShapeType(2, 0xFF0000), 1);  // blue square, newer
  ParticleSystemDraw(sys);
  EXPECT_EQ(Capture().GetPixel(8, 8), 0xFF0000FFu);
  ParticleSystem(sys)->oldtonew = false;
  ParticleSystemDraw(sys);
  EXPECT_EQ(Capture().GetPixel(8, 8), 0xFFFF0000u);
}

TEST_F(ParticleDrawing, PositionColourAndAlpha) {
  const int32_t sys = ParticleSystemCreate();
  const int32_t type = ShapeType(0, 0x00FF00);
  ParticlesCreate(sys, 3, 4, type, 1);
  ParticlesCreate(sys, 9, 9, type, 1, 0x0000FF);
  ParticleSystem(sys)->xdraw = 2;
  ParticleType(type)->alphastart = 0.5;
  ParticlesCreate(sys, 1, 1, type, 1);
  ParticleSystemDraw(sys);
  const TBitmap32 shot = Capture();
  EXPECT_EQ(shot.GetPixel(5, 4), 0xFF00FF00u);
  EXPECT_EQ(shot.GetPixel(11, 9), 0xFFFF0000u);
  EXPECT_EQ(shot.GetPixel(3, 1), 0xFF008000u);
}

// A three-frame sprite (red, green, blue): the sub-image by animation, stretching and age.
TEST_F(ParticleDrawing, SpriteParticlesPickTheirSubImage) {
  auto spr = std::make_unique<CSprite>();
  spr->i_numb = 3;
  spr->i_bitmap = {TBitmap32(4, 4, 0xFFFF0000), TBitmap32(4, 4, 0xFF00FF00), TBitmap32(4, 4, 0xFF0000FF)};
  spr->i_xorig = spr->i_yorig = 2;
  spr->InitTexture();
  Sprites().Put(0, std::move(spr), "spr");
  struct Case {
    bool anim, stretch;
    int32_t age, life;
    uint32_t pixel;
  };
  const Case cases[] = {
      {false, false, 5, 10, 0xFFFF0000},  // not animated: the start image
      {true, false, 4, 10, 0xFF00FF00},   // one image per step: 4 of 3 is image 1
      {true, true, 4, 10, 0xFF00FF00},    // over the life: floor(3 * 4 / 10) = 1
      {true, true, 7, 10, 0xFF0000FF},    // floor(21 / 10) = 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.anim << c.stretch << " age " << c.age);
    const int32_t type = ParticleTypeCreate();
    RParticleType& t = *ParticleType(type);
    t.sprite = 0, t.spriteanim = c.anim, t.spritestretch = c.stretch;
    const int32_t sys = ParticleSystemCreate();
    ParticlesCreate(sys, 8, 8, type, 1);
    ParticleSystem(sys)->particles.age[0] = c.age;
    ParticleSystem(sys)->particles.lifetime[0] = c.life;
    ParticleSystemDraw(sys);
    EXPECT_EQ(Capture().GetPixel(8, 8), c.pixel);
    ParticleSystemDestroy(sys);
  }
  ClearSpritesAndBackgrounds();
}

TEST_F(ParticleDrawing, AdditiveParticlesLeaveTheBlendModeAsItWas) {
  const int32_t sys = ParticleSystemCreate();
  const int32_t plain = ShapeType(2, 0x000060), added = ShapeType(2, 0x000060);
  ParticleType(added)->additiveblend = true;
  ParticlesCreate(sys, 8, 8, plain, 1);
  ParticlesCreate(sys, 8, 8, added, 1);
  ParticleSystemDraw(sys);
  EXPECT_EQ(Capture().GetPixel(8, 8), 0xFFC00000u);
  EXPECT_EQ(RenderStateCache().src_blend, 5);
  EXPECT_EQ(RenderStateCache().dest_blend, 6);
}

TEST_F(ParticleDrawing, ASystemOfShapesIsOneDrawCall) {
  const int32_t sys = ParticleSystemCreate();
  const int32_t a = ShapeType(1), b = ShapeType(4);
  for (int i = 0; i < 1000; ++i) ParticlesCreate(sys, i % 16, i / 64, i % 2 ? a : b, 1);
  const int64_t before = D3DDevice()->DrawCalls();
  ParticleSystemDraw(sys);
  Capture();
  EXPECT_EQ(D3DDevice()->DrawCalls() - before, 1);
}
}  // namespace
