// 3D drawing on the real device: each shape, a lit and a fogged scene, textured primitives and
// the projections against their pictures, and a model drawn from its buffers where the world
// transform puts it.
#include <gtest/gtest.h>

#include "runner/graphics/Graphics_3D.h"
#include "runner/graphics/Graphics_3D_Model.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/graphics/Graphics_Texture.h"
#include "tests/support/Golden.h"

namespace gpu = platform::gpu;

namespace {
constexpr int32_t kWhite = 0xFFFFFF, kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kYellow = 0x00FFFF;

class D3DDrawTest : public DrawingTest {
 protected:
  D3DDrawTest() : DrawingTest(96, 64) {}
  void TearDown() override {
    D3D_End();
    Display_SetLighting(false);
    Display_SetFog(false, 0, 0, 1);
    Draw_SetColor(kWhite);
    DrawingTest::TearDown();
  }
  // 3D mode with the camera above and in front of the origin, z up.
  static void Camera(double distance = 90) {
    D3D_Start();
    D3D_SetProjectionExt({0, static_cast<float>(-distance), static_cast<float>(distance * 0.8f)}, {0, 0, 0},
                         {0, 0, 1}, 50, 96.0 / 64.0, 1, 1000);
  }
  // A light from the front left above and a little ambient, so each face has its own shade.
  static void Lights() {
    Display_SetLighting(true);
    D3D_LightDefineAmbient(0x303030);
    D3D_LightDefineDirection(0, 0.6, 1, -0.8, kWhite);
    D3D_LightEnable(0, true);
  }
};

TEST_F(D3DDrawTest, EachShapeMatchesItsPicture) {
  Camera();
  Lights();
  Draw_SetColor(kWhite);
  D3D_DrawBlock(-44, 6, 0, -24, 26, 20, -1, 1, 1);
  D3D_DrawCylinder(-10, 6, 0, 10, 26, 20, -1, 1, 1, true, 12);
  D3D_DrawCone(24, 6, 0, 44, 26, 24, -1, 1, 1, true, 12);
  D3D_DrawEllipsoid(-44, -26, 0, -24, -6, 20, -1, 1, 1, 12);
  Draw_SetColor(kYellow);
  D3D_DrawWall(-10, -6, 0, 10, -26, 20, -1, 1, 1);
  Draw_SetColor(kGreen);
  D3D_DrawFloor(24, -26, 0, 44, -6, 0, -1, 1, 1);
  EXPECT_TRUE(MatchesGolden(Capture(), "d3d_shapes", 3));
}

TEST_F(D3DDrawTest, PointLightAndFogMatchTheirPictures) {
  // A white floor of tiles lit by a red point light at one end and a blue one at the other.
  // Lighting is per vertex, so the tiles' corners show where each light reaches.
  Camera();
  Display_SetLighting(true);
  D3D_LightDefineAmbient(0x000000);
  D3D_LightDefinePoint(1, -30, 0, 10, 60, kRed);
  D3D_LightDefinePoint(2, 30, 10, 10, 30, kBlue);
  D3D_LightEnable(1, true);
  D3D_LightEnable(2, true);
  Draw_SetColor(kWhite);
  for (int x = -60; x < 60; x += 8)
    for (int y = -40; y < 40; y += 8) D3D_DrawFloor(x, y, 0, x + 8, y + 8, 0, -1, 1, 1);
  EXPECT_TRUE(MatchesGolden(Capture(), "d3d_point_lights", 3));
}

TEST_F(D3DDrawTest, FogFadesWithDistance) {
  // A row of walls going away from the camera, fading into grey fog.
  D3D_Start();
  D3D_SetProjectionExt({0, 0, 10}, {0, 100, 10}, {0, 0, 1}, 60, 96.0 / 64.0, 1, 1000);
  Display_SetFog(true, 0x808080, 20, 120);
  Draw_SetColor(kRed);
  for (int i = 0; i < 6; ++i) {
    const double y = 20 + i * 20;
    D3D_DrawWall(-30 + i * 4, y, 0, -6 + i * 4, y, 20, -1, 1, 1);
  }
  Draw_SetColor(kGreen);
  D3D_DrawFloor(-100, 0, 0, 100, 200, 0, -1, 1, 1);
  EXPECT_TRUE(MatchesGolden(Capture(), "d3d_fog", 3));
}

TEST_F(D3DDrawTest, TexturedPrimitivesRepeatTheirTexture) {
  TBitmap32 bmp(2, 2, 0xFFFFFFFF);
  bmp.SetPixel(1, 0, 0xFF2040C0);
  bmp.SetPixel(0, 1, 0xFF2040C0);
  const int32_t tex = Texture_FromBitmap(&bmp);
  ASSERT_GE(tex, 0);
  Camera();
  Draw_SetColor(kWhite);
  // A block whose faces show the checker 3 × 2 times, and repeat is off again after it.
  Display_SetRepeat(false);
  D3D_DrawBlock(-40, -10, 0, -10, 20, 30, tex, 3, 2);
  EXPECT_FALSE(RenderStateCache().repeat);
  // A strip with coloured vertices over the texture, tiled by hand (repeat is on for it).
  Display_SetRepeat(true);
  D3D_PrimitiveBegin(5, tex);
  D3D_VertexColor(0, 0, 0, 0, 0, 1, 0, 4, kRed, 1);
  D3D_VertexColor(0, 0, 30, 0, 0, 1, 0, 0, kWhite, 1);
  D3D_VertexColor(40, 0, 0, 0, 0, 1, 4, 4, kYellow, 1);
  D3D_VertexColor(40, 0, 30, 0, 0, 1, 4, 0, kGreen, 0.5);
  D3D_PrimitiveEnd();
  EXPECT_TRUE(MatchesGolden(Capture(), "d3d_textured", 3));
  Texture_Free(tex);
}

TEST_F(D3DDrawTest, ProjectionsMatchTheirPictures) {
  // Left half: the orthographic case turned by 30 degrees; right half: the perspective case,
  // where nearer geometry (negative z) grows.
  Camera();
  Draw_SetColor(kWhite);
  Display_SetViewport(0, 0, 48, 64);
  D3D_SetProjectionOrtho(0, 0, 48, 64, 30);
  Draw_SetColor(kRed);
  D3D_DrawFloor(8, 16, 0, 40, 48, 0, -1, 1, 1);
  Display_SetViewport(48, 0, 48, 64);
  D3D_SetProjectionPerspective(0, 0, 48, 64, 0);
  Draw_SetColor(kGreen);
  D3D_DrawFloor(4, 4, 0, 20, 20, 0, -1, 1, 1);
  Draw_SetColor(kBlue);
  D3D_DrawFloor(28, 4, -16, 44, 20, -16, -1, 1, 1);
  Draw_SetColor(kYellow);
  D3D_DrawBlock(8, 36, -8, 40, 60, 0, -1, 1, 1);
  EXPECT_TRUE(MatchesGolden(Capture(), "d3d_projections", 3));
}

TEST_F(D3DDrawTest, AModelIsDrawnFromItsBuffersWhereTheWorldPutsIt) {
  // 2D pixels: a model of a 4 × 4 floor drawn at (10, 0, 0) under scaling 2 covers x 20..28.
  const int32_t id = D3D_ModelCreate();
  C3D_Model* m = D3D_Model(id);
  m->AddEntry(REntry{15, {0, 0, 0, 4, 4, 0, 1, 1, 0, 0}});
  Draw_SetColor(kRed);
  D3D_TransformSet(MatrixScaling(2, 2, 2));
  const int64_t calls = D3DDevice()->DrawCalls();
  m->Draw(-1, 10, 0, 0);
  Draw_SetColor(kGreen);
  m->Draw(-1, 10, 0, 10);
  EXPECT_EQ(D3DDevice()->DrawCalls() - calls, 2);  // one call per buffer each time
  D3D_TransformSet(D3DMatrix::Identity());
  const TBitmap32 img = Capture();
  EXPECT_EQ(img.GetPixel(24, 4) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(img.GetPixel(18, 4) & 0xFFFFFF, 0u);
  EXPECT_EQ(img.GetPixel(29, 4) & 0xFFFFFF, 0u);
  EXPECT_EQ(img.GetPixel(24, 9) & 0xFFFFFF, 0u);
  D3D_ModelDestroy(id);
  EXPECT_EQ(D3D_Model(id), nullptr);
}
}  // namespace
