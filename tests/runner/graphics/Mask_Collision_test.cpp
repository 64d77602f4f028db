// Masks: the shapes a mask is built in, and the five tests with plain, scaled and rotated
// placement, checked against tables of room pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/base/BM32_Bitmap.h"
#include "runner/graphics/Sprite_Class.h"
#include "runner/graphics/Sprite_Mask.h"
#include "runner/base/Support_Stream.h"

namespace {

// A mask drawn as rows of text, '#' set; the box is the whole mask.
TMask Drawn(const std::vector<std::string>& rows) {
  TMask m;
  m.i_h = static_cast<int32_t>(rows.size());
  m.i_w = static_cast<int32_t>(rows[0].size());
  m.i_mask.assign(static_cast<size_t>(m.i_w * m.i_h), 0);
  for (int32_t y = 0; y < m.i_h; ++y)
    for (int32_t x = 0; x < m.i_w; ++x) m.i_mask[static_cast<size_t>(x * m.i_h + y)] = rows[y][x] == '#';
  m.i_bbox = {0, 0, m.i_w - 1, m.i_h - 1};
  return m;
}

std::vector<std::string> Rows(const TMask& m) {
  std::vector<std::string> rows(static_cast<size_t>(m.i_h), std::string(static_cast<size_t>(m.i_w), '.'));
  for (int32_t y = 0; y < m.i_h; ++y)
    for (int32_t x = 0; x < m.i_w; ++x)
      if (m.Bit(x, y)) rows[y][x] = '#';
  return rows;
}

TEST(MaskShape, KindsOverTheBox) {
  TBitmap32 bm(5, 5, 0xFF000000);
  bm.SetPixel(0, 0, 0x10000000);  // below the tolerance
  struct Case {
    int32_t kind;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {kMaskPrecise, {".####", "#####", "#####", "#####", "#####"}},
      {kMaskRectangle, {"#####", "#####", "#####", "#####", "#####"}},
      {kMaskEllipse, {".###.", "#####", "#####", "#####", ".###."}},
      {kMaskDiamond, {"..#..", ".###.", "#####", ".###.", "..#.."}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Rows(TMask(bm, kBBoxFull, {}, c.kind, 0x20)), c.rows) << "kind " << c.kind;
  // An ellipse over a one-pixel box keeps its pixel.
  TMask one(bm, kBBoxManual, {2, 2, 2, 2}, kMaskEllipse, 0);
  EXPECT_EQ(Rows(one), (std::vector<std::string>{".....", ".....", "..#..", ".....", "....."}));
  // A manual box is clipped to the image.
  EXPECT_EQ(TMask(bm, kBBoxManual, {-3, 3, 9, 9}, kMaskRectangle, 0).i_bbox, (RRect32{0, 3, 4, 4}));
}

const TMask kL = Drawn({
    "#..",
    "#..",
    "##.",
});

TEST(MaskTest, PointPlainScaledRotated) {
  struct Case {
    const char* what;
    double sx, sy, angle;
    int32_t x, y;
    bool hit;
  };
  // The mask sits at (10, 20) with origin (1, 1): its pixel (0, 0) is room pixel (9, 19).
  const Case cases[] = {
      {"plain corner", 1, 1, 0, 9, 19, true},        {"plain gap", 1, 1, 0, 10, 19, false},
      {"plain foot", 1, 1, 0, 10, 21, true},         {"plain outside", 1, 1, 0, 8, 19, false},
      {"doubled corner", 2, 2, 0, 8, 18, true},      {"doubled gap", 2, 2, 0, 10, 18, false},
      {"doubled foot", 2, 2, 0, 11, 22, true},       {"doubled beyond", 2, 2, 0, 12, 22, false},
      {"mirrored", -1, 1, 0, 11, 19, true},          {"mirrored gap", -1, 1, 0, 9, 19, false},
      {"quarter turn", 1, 1, 90, 9, 21, true},       {"quarter turn foot", 1, 1, 90, 11, 20, true},
      {"quarter turn gap", 1, 1, 90, 10, 20, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(kL.CollisionPoint({}, 10, 20, 1, 1, c.sx, c.sy, c.angle, c.x, c.y), c.hit) << c.what;
}

TEST(MaskTest, AreasScanOnlyTheBoxes) {
  const RRect32 bb{9, 19, 11, 21};
  struct Case {
    const char* what;
    RRect32 rr;
    bool rect, ellipse;
  };
  const Case cases[] = {
      {"whole", {0, 0, 50, 50}, true, true},
      {"gap only", {10, 19, 11, 20}, false, false},
      {"foot", {10, 21, 10, 21}, true, true},
      // The ellipse inscribed in the area leaves out its corner pixel (10, 21).
      {"corner of an ellipse", {10, 21, 14, 25}, true, false},
      {"beside", {12, 19, 20, 21}, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kL.CollisionRectangle(bb, 10, 20, 1, 1, 1, 1, 0, c.rr), c.rect) << c.what;
    EXPECT_EQ(kL.CollisionEllipse(bb, 10, 20, 1, 1, 1, 1, 0, c.rr), c.ellipse) << c.what;
  }
  // A box that leaves out the mask finds nothing, whatever the mask holds.
  EXPECT_FALSE(kL.CollisionRectangle({100, 100, 101, 101}, 10, 20, 1, 1, 1, 1, 0, {0, 0, 200, 200}));
}

TEST(MaskTest, Lines) {
  const RRect32 bb{9, 19, 11, 21};
  struct Case {
    const char* what;
    int32_t xl, yl, xr, yr;
    bool hit;
  };
  const Case cases[] = {
      {"through the column", 9, 0, 9, 40, true},
      {"through the gap column", 11, 0, 11, 20, false},
      {"flat through the foot", 0, 21, 30, 21, true},
      {"shallow miss above", 0, 18, 30, 19, false},
      {"steep hit", 8, 16, 10, 24, true},
      {"diagonal through the gap", 10, 19, 11, 20, false},
      {"reversed ends", 30, 21, 0, 21, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(kL.CollisionLine(bb, 10, 20, 1, 1, 1, 1, 0, c.xl, c.yl, c.xr, c.yr), c.hit) << c.what;
}

TEST(MaskTest, MaskAgainstMask) {
  const TMask dot = Drawn({"#"});
  struct Case {
    const char* what;
    int32_t x2, y2;
    double sx1, angle1, sx2, angle2;
    bool hit;
  };
  // kL at (10, 20) origin (1, 1); the dot at (x2, y2) origin (0, 0).
  const Case cases[] = {
      {"on the corner", 9, 19, 1, 0, 1, 0, true},  {"in the gap", 10, 19, 1, 0, 1, 0, false},
      {"on the foot", 10, 21, 1, 0, 1, 0, true},   {"doubled gap", 10, 18, 2, 0, 1, 0, false},
      {"doubled column", 9, 22, 2, 0, 1, 0, true}, {"turned foot", 11, 20, 1, 90, 1, 0, true},
      {"turned gap", 10, 20, 1, 90, 1, 0, false},  {"dot turned too", 11, 20, 1, 90, 1, 45, true},
  };
  for (const Case& c : cases) {
    const RRect32 bb1{0, 0, 40, 40}, bb2{c.x2, c.y2, c.x2, c.y2};
    EXPECT_EQ(kL.CollisionMask(bb1, 10, 20, 1, 1, c.sx1, c.sx1, c.angle1, dot, bb2, c.x2, c.y2, 0, 0, c.sx2,
                               c.sx2, c.angle2),
              c.hit)
        << c.what;
    EXPECT_EQ(dot.CollisionMask(bb2, c.x2, c.y2, 0, 0, c.sx2, c.sx2, c.angle2, kL, bb1, 10, 20, 1, 1, c.sx1,
                                c.sx1, c.angle1),
              c.hit)
        << c.what << " (swapped)";
  }
}

TEST(SpriteCollision, SubImageChoosesTheMask) {
  CSprite s;
  s.i_numb = 3;
  s.i_sepmasks = true;
  s.i_mask = {Drawn({"#."}), Drawn({".."}), Drawn({".#"})};
  struct Case {
    int32_t img;
    bool left, right;
  };
  const Case cases[] = {
      {0, true, false}, {1, false, false}, {2, false, true}, {-1, false, true}, {4, false, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(s.CheckCollisionPoint(c.img, {}, 0, 0, 1, 1, 0, 0, 0), c.left) << c.img;
    EXPECT_EQ(s.CheckCollisionPoint(c.img, {}, 0, 0, 1, 1, 0, 1, 0), c.right) << c.img;
  }
  s.i_sepmasks = false;
  EXPECT_TRUE(s.CheckCollisionPoint(2, {}, 0, 0, 1, 1, 0, 0, 0));
  CSprite none;  // no frames: never collides
  EXPECT_FALSE(none.CheckCollisionPoint(0, {}, 0, 0, 1, 1, 0, 0, 0));
  EXPECT_FALSE(s.CheckCollision(0, {0, 0, 1, 0}, 0, 0, 1, 1, 0, none, 0, {0, 0, 1, 0}, 0, 0, 1, 1, 0));
}

// Zero scales and huge boxes decide nothing and crash nothing.
TEST(MaskTest, DegenerateInputs) {
  EXPECT_FALSE(kL.CollisionPoint({}, 10, 20, 1, 1, 0, 0, 0, 9, 19));
  EXPECT_TRUE(kL.CollisionRectangle({INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX}, INT32_MAX,
                                    INT32_MAX, 1, 1, 1, 1, 0,
                                    {INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX}));
  EXPECT_TRUE(kL.CollisionRectangle({INT32_MIN, INT32_MIN, INT32_MIN + 2, INT32_MIN + 2}, INT32_MIN + 1,
                                    INT32_MIN + 1, 1, 1, 1, 1, 0,
                                    {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}));
  EXPECT_FALSE(TMask().CollisionLine({0, 0, 9, 9}, 0, 0, 0, 0, 1, 1, 0, 0, 0, 9, 5));
}

// A mask whose size claims more than the stream holds is refused before anything is allocated,
// however large the product of its sides.
TEST(MaskStream, HugeSizesAreDamage) {
  for (int32_t side : {INT32_MAX, 70000, 3}) {
    CStream str;
    for (int32_t v : {kMaskVersion, side, side, 0, 0, 0, 0}) str.WriteInteger(v);
    str.SetPosition(0);
    TMask m;
    EXPECT_THROW(m.LoadFromStream(str), StreamError) << side;
  }
}

}  // namespace
