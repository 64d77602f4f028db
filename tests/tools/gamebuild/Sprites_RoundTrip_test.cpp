// Sprites and backgrounds from a project: the records gamebuild writes arrive in the runner's
// lists with the same frames, origin, masks and box, and faults name their file and key.
#include <gtest/gtest.h>

#include "runner/graphics/Sprite_Main.h"
#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

const std::string kImagesGame =
    R"({"game_id": 9, "resources": {"rooms": ["rm_main"], "sprites": ["spr_a", null, "spr_strip"],
        "backgrounds": ["bg_sky"], "objects": ["obj_a"]}, "room_order": ["rm_main"]})";

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kClear = 0x00000000;

std::string Png(const TBitmap32& bm) {
  const std::vector<uint8_t> b = bm.SaveToPNG();
  return std::string(b.begin(), b.end());
}

TBitmap32 Frame(uint32_t fill, std::initializer_list<std::pair<int, int>> clear) {
  TBitmap32 bm(4, 3, fill);
  for (auto [x, y] : clear) bm.SetPixel(x, y, kClear);
  return bm;
}

std::string StripPng() {
  TBitmap32 strip(10, 2, kBlue);
  for (int x = 0; x < 10; ++x) strip.SetPixel(x, 0, 0xFF000000u | static_cast<uint32_t>(x));
  strip.SetPixel(0, 1, 0xFF00FF00);  // the bottom-left colour, removed on import
  return Png(strip);
}

std::map<std::string, std::string> ImageFiles() {
  return {{"game.json", kImagesGame},
          {"sprites/spr_a.json", R"({"origin": [1, 2], "frames": ["spr_a/0.png", "spr_a/1.png"],
              "mask": {"separate": true, "shape": "ellipse", "bbox": [0, 0, 3, 5]}})"},
          {"sprites/spr_a/0.png", Png(Frame(kRed, {{0, 0}}))},
          {"sprites/spr_a/1.png", Png(Frame(kBlue, {{3, 2}}))},
          {"sprites/spr_strip.json", R"({"strip": "walk.png", "count": 3, "import": {"remove_background": true},
              "mask": {"tolerance": 10}})"},
          {"sprites/walk.png", StripPng()},
          {"backgrounds/bg_sky.png", Png(Frame(kBlue, {{1, 1}}))},
          {"backgrounds/bg_sky.json", R"({"import": {"bleed": true}})"},
          {"objects/obj_a.json", R"({"sprite": "spr_strip", "mask": "spr_a"})"}};
}

TEST(ImageRecords, ArriveInTheRunnersLists) {
  Project project(ImageFiles());
  LoadRun run;
  AddChunkLoader(EChunk::Sprites, LoadSprites);
  AddChunkLoader(EChunk::Backgrounds, LoadBackgrounds);
  ASSERT_TRUE(run.Load(project.Build()).loaded) << (run.messages.empty() ? "" : run.messages[0]);
  ASSERT_EQ(Sprites().Count(), 3);
  EXPECT_FALSE(Sprites().Exists(1));
  EXPECT_EQ(Sprites().Name(2), "spr_strip");

  const CSprite& a = *Sprites().Get(0);
  ASSERT_EQ(a.i_numb, 2);
  EXPECT_EQ(a.i_xorig, 1);
  EXPECT_EQ(a.i_yorig, 2);
  EXPECT_EQ(a.i_bitmap[0].Pixels(), Frame(kRed, {{0, 0}}).Pixels());
  EXPECT_EQ(a.i_bitmap[1].Pixels(), Frame(kBlue, {{3, 2}}).Pixels());
  ASSERT_TRUE(a.i_sepmasks);
  ASSERT_EQ(a.i_mask.size(), 2u);
  EXPECT_EQ(a.i_bbox, (RRect32{0, 0, 3, 2}));  // the manual box, clamped to the frame
  // The ellipse of the whole frame: its corners are out, whatever the alpha.
  EXPECT_FALSE(a.i_mask[0].Bit(0, 0));
  EXPECT_TRUE(a.i_mask[0].Bit(1, 0));
  EXPECT_TRUE(a.i_mask[1].Bit(0, 1));
  EXPECT_FALSE(a.i_mask[1].Bit(3, 2));
  EXPECT_TRUE(a.i_mask[1].Bit(2, 2));

  const CSprite& strip = *Sprites().Get(2);
  ASSERT_EQ(strip.i_numb, 3);
  EXPECT_EQ(strip.GetWidth(), 3);  // 10 div 3; the last column is dropped
  EXPECT_EQ(strip.i_bitmap[2].GetPixel(2, 0), 0xFF000008u);
  EXPECT_EQ(strip.i_bitmap[0].GetPixel(0, 1) >> 24, 0u);  // removed
  ASSERT_EQ(strip.i_mask.size(), 1u);
  EXPECT_FALSE(strip.i_mask[0].Bit(0, 1));
  EXPECT_EQ(strip.i_bbox, (RRect32{0, 0, 2, 1}));  // merged over the frames

  ASSERT_TRUE(Backgrounds().Exists(0));
  const TBitmap32& sky = Backgrounds().Get(0)->i_bitmap;
  EXPECT_EQ(sky.GetPixel(1, 1), 0x000000FFu);  // bled from its neighbours
  EXPECT_EQ(sky.GetPixel(0, 0), kBlue);
  ClearSpritesAndBackgrounds();
}

struct ImageFault {
  const char* what;
  std::string file;
  std::string text;
  const char* key;
  const char* message;
};

void PrintTo(const ImageFault& c, std::ostream* os) { *os << c.what; }

class ImageFaults : public ::testing::TestWithParam<ImageFault> {};

TEST_P(ImageFaults, NameTheFileAndKey) {
  std::map<std::string, std::string> files = ImageFiles();
  files[GetParam().file] = GetParam().text;
  Project project(files);
  try {
    project.BuildBytes();
    FAIL() << "no error";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), GetParam().file);
    EXPECT_EQ(e.Key(), GetParam().key);
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
  }
}

const std::string kSprA = "sprites/spr_a.json";

INSTANTIATE_TEST_SUITE_P(
    Table, ImageFaults,
    ::testing::Values(
        ImageFault{"frame_sizes", kSprA, R"({"frames": ["spr_a/0.png", "../sprites/walk.png"]})", "frames[1]",
                   "frames must all have the size of the first (4x3); this one is 10x2"},
        ImageFault{"frames_and_strip", kSprA, R"({"frames": [], "strip": "walk.png"})", "frames",
                   "give either frames or strip"},
        ImageFault{"missing_png", kSprA, R"({"frames": ["nope.png"]})", "frames[0]", "file not found: nope.png"},
        ImageFault{"not_png", "sprites/spr_strip.json", R"({"strip": "spr_a.json"})", "strip",
                   "not a readable PNG file"},
        ImageFault{"count", "sprites/spr_strip.json", R"({"strip": "walk.png", "count": 11})", "count",
                   "number out of range 1..10"},
        ImageFault{"shape", kSprA, R"({"frames": [], "mask": {"shape": "star"}})", "mask.shape",
                   "expected precise, rectangle, ellipse or diamond"},
        ImageFault{"bbox", kSprA, R"({"frames": [], "mask": {"bbox": [1, 2, 3]}})", "mask.bbox",
                   "expected \"auto\", \"full\" or [left, top, right, bottom]"},
        ImageFault{"tolerance", kSprA, R"({"frames": [], "mask": {"tolerance": 256}})", "mask.tolerance",
                   "number out of range 0..255"},
        ImageFault{"import_key", "backgrounds/bg_sky.json", R"({"import": {"smooth": true}})", "import.smooth",
                   "unknown key"},
        ImageFault{"unlisted", "sprites/spr_extra.json", "{}", "", "not listed in game.json resources.sprites"},
        ImageFault{"unknown_sprite", "objects/obj_a.json", R"({"sprite": "spr_b"})", "sprite",
                   "unknown sprite \"spr_b\""}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
