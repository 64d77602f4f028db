// Fonts from a project: rasterised by the same code as font_add so both agree, or stored as the
// project gives them (atlas image and glyph table), and the faults of font files.
#include <gtest/gtest.h>

#include "runner/graphics/Font_Main.h"
#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

const std::string kFontsGame =
    R"({"game_id": 7, "resources": {"rooms": ["rm_main"], "fonts": ["fnt_sys", null, "fnt_stored"]},
        "room_order": ["rm_main"], "library_init": ["init.kvs"]})";

std::string AtlasPng() {
  TBitmap32 atlas(3, 2, 0xFF000000);
  atlas.SetPixel(1, 0, 0xFF404040);
  atlas.SetPixel(2, 1, 0xFFFFFFFF);
  const std::vector<uint8_t> png = atlas.SaveToPNG();
  return std::string(png.begin(), png.end());
}

TEST(FontRecords, AgreeWithRunTimeFontsOrKeepWhatIsGiven) {
  Project project(
      {{"game.json", kFontsGame},
       {"init.kvs", ""},
       {"fonts/fnt_sys.json", R"({"font": "Arial", "size": 12, "bold": true, "first": 32, "last": 127})"},
       {"fonts/fnt_stored.json",
        R"({"font": "Pixel", "size": 8, "charset": 204, "antialias": 0, "first": 65, "last": 66,
                        "atlas": "pixel.png", "glyphs": {"65": [0, 0, 2, 2, 3, 0], "66": [2, 0, 1, 2, 2, -1]}})"},
       {"fonts/pixel.png", AtlasPng()}});
  LoadRun run;
  AddChunkLoader(EChunk::Fonts, LoadFonts);
  ASSERT_TRUE(run.Load(project.Build()).loaded);
  ASSERT_EQ(Fonts().Count(), 3);
  EXPECT_FALSE(Fonts().Exists(1));
  EXPECT_EQ(Fonts().Find("fnt_stored"), 2);

  const CFont& built = *Fonts().Get(0);
  CFont added;
  ASSERT_TRUE(added.CreateFont("Arial", 12, true, false, 32, 127));
  EXPECT_EQ(built.s_name, "Arial");
  EXPECT_TRUE(built.s_bold);
  EXPECT_EQ(built.s_x, added.s_x);
  EXPECT_EQ(built.s_y, added.s_y);
  EXPECT_EQ(built.s_w, added.s_w);
  EXPECT_EQ(built.s_h, added.s_h);
  EXPECT_EQ(built.s_shift, added.s_shift);
  EXPECT_EQ(built.s_offset, added.s_offset);
  EXPECT_EQ(built.s_bw, added.s_bw);
  EXPECT_EQ(built.s_bh, added.s_bh);
  EXPECT_EQ(built.s_bytes, added.s_bytes);
  EXPECT_EQ(built.s_FontHeight, added.s_FontHeight);

  const CFont& stored = *Fonts().Get(2);
  EXPECT_EQ(stored.s_charset, 204);
  EXPECT_EQ(stored.s_AntiAlias, 0);
  EXPECT_EQ(stored.s_first, 65);
  EXPECT_EQ(stored.s_last, 66);
  EXPECT_EQ(stored.s_offset['B'], -1);
  EXPECT_EQ(stored.s_shift['C'], 0);
  EXPECT_EQ(stored.s_bytes, (std::vector<uint8_t>{0, 0x40, 0, 0, 0, 0xFF}));
  EXPECT_EQ(stored.s_FontHeight, 2);
}

struct FontFault {
  const char* what;
  const char* json;
  const char* key;
  const char* message;
};
class FontFaults : public ::testing::TestWithParam<FontFault> {};

TEST_P(FontFaults, NameTheFontFileAndKey) {
  Project project({{"game.json", kFontsGame},
                   {"init.kvs", ""},
                   {"fonts/fnt_sys.json", GetParam().json},
                   {"fonts/fnt_stored.json", "{}"}});
  try {
    project.BuildBytes();
    FAIL() << "no error";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), "fonts/fnt_sys.json");
    EXPECT_EQ(e.Key(), GetParam().key);
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FontFaults,
    ::testing::Values(FontFault{"range", R"({"first": 90, "last": 80})", "last",
                                "the range ends before it starts"},
                      FontFault{"last", R"({"last": 256})", "last", "number out of range 0..255"},
                      FontFault{"ttf", R"({"ttf": "none.ttf"})", "ttf", "file not found: none.ttf"},
                      FontFault{"half", R"({"atlas": "a.png"})", "glyphs", "atlas and glyphs go together"},
                      FontFault{"code", R"({"atlas": "a.png", "glyphs": {"x": [0, 0, 0, 0, 0, 0]}})",
                                "glyphs.x", "expected a character code 0..255"},
                      FontFault{"entry", R"({"atlas": "a.png", "glyphs": {"65": [0, 0]}})", "glyphs.65",
                                "expected [x, y, w, h, shift, offset]"},
                      FontFault{"key", R"({"colour": 1})", "colour", "unknown key"}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
