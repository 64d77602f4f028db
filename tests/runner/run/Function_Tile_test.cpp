// The tile functions from game code against a room with four tiles: fields by id, adding,
// finding and deleting, depth layers, and the errors for missing tiles and backgrounds.
#include <memory>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Host.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class Tiles : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    errors.clear();
    SetErrorSink([](std::string_view m, bool) { errors += std::string(m); });
    ClearSpritesAndBackgrounds();
    Backgrounds().Put(0, std::make_unique<CBackground>(), "b0");
    Backgrounds().Put(2, std::make_unique<CBackground>(), "b2");  // 1 stays empty
    self = room.AddInstance(0, 0, AddObject());
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    ClearSpritesAndBackgrounds();
    WorldTest::TearDown();
  }
  // Tiles 1001 (depth 10), 1002 (foreground), 1003 (depth 10) and 1004 (depth 0).
  void MakeTiles() {
    room.ClearTiles();
    SetLastTileId(1000);
    room.AddTile({.x = 0, .y = 0, .index = 0, .xo = 1, .yo = 2, .w = 16, .h = 16, .depth = 10});
    room.AddTile({.x = 32, .y = 0, .index = 2, .w = 16, .h = 16, .depth = -5});
    room.AddTile({.x = 0, .y = 32, .index = 0, .w = 8, .h = 8, .depth = 10});
    room.AddTile({.x = 64, .y = 0, .index = 0, .w = 16, .h = 16, .depth = 0});
  }
  RValue Run(const std::string& text) {
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    EXPECT_TRUE(ExecuteCode(self, self, code, result)) << text;
    return result;
  }

  CInstance* self = nullptr;
  static inline std::string errors;
};

TEST_F(Tiles, FunctionsActOnTheTilesOfTheCurrentRoom) {
  const std::string kNoTile = "Tile does not exist.", kNoBack = "Background does not exist.";
  const struct {
    const char* code;
    double result;
    std::string error;
  } cases[] = {
      {"return tile_get_x(1002) + tile_get_y(1003)", 64, ""},
      {"return tile_get_left(1001) * 100 + tile_get_top(1001) * 10 + tile_get_height(1003)", 128, ""},
      {"return tile_get_width(1002) + tile_get_depth(1002)", 11, ""},
      {"return tile_get_visible(1001) + tile_get_xscale(1001) + tile_get_yscale(1001) + tile_get_alpha(1001)", 4, ""},
      {"return tile_get_blend(1001)", 0xFFFFFF, ""},
      {"return tile_get_background(1002)", 2, ""},
      {"return tile_get_x(999)", 0, kNoTile},
      {"return tile_get_background(999)", -1, kNoTile},
      {"return tile_exists(1003.4) * 10 + tile_exists(999)", 10, ""},
      {"tile_set_background(1001, 2) return tile_get_background(1001)", 2, ""},
      {"tile_set_background(1001, 1) return tile_get_background(1001)", 0, kNoBack},
      {"tile_set_background(999, 2)", 0, kNoTile},
      {"tile_set_region(1001, 1.6, 2, 3, 4.4) return tile_get_left(1001) * 1000 + tile_get_height(1001)", 2004, ""},
      {"tile_set_position(1001, 5.5, 6) return tile_get_x(1001) + tile_get_y(1001)", 11.5, ""},
      {"tile_set_depth(1001, -3) return tile_get_depth(1001)", -3, ""},
      {"tile_set_scale(1001, 2, 0.5) return tile_get_xscale(1001) * 10 + tile_get_yscale(1001)", 20.5, ""},
      {"tile_set_blend(1001, 255) tile_set_alpha(1001, 0.25) return tile_get_blend(1001) + tile_get_alpha(1001)",
       255.25, ""},
      {"tile_set_visible(1001, 0) return tile_get_visible(1001)", 0, ""},
      {"tile_set_alpha(999, 1)", 0, kNoTile},
      {"t = tile_add(2, 1, 2, 8, 8, 100, 50, 3) return t", 1005, ""},
      {"t = tile_add(2, 1, 2, 8, 8, 100, 50, 3) return tile_find(104, 54, false) == t && tile_get_visible(t) == 1 && "
       "tile_get_blend(t) == 16777215 && tile_get_xscale(t) == 1 && tile_get_alpha(t) == 1 && tile_get_top(t) == 2",
       1, ""},
      {"return tile_add(1, 0, 0, 8, 8, 0, 0, 0)", -1, kNoBack},
      {"return tile_find(5, 5, false) * 10 + tile_find(5, 5, true)", 10009, ""},
      {"return tile_find(40, 5, true)", 1002, ""},
      {"return tile_find(16, 5, false)", -1, ""},  // right edge excluded
      {"return tile_find(64, 0, false)", 1004, ""},
      {"tile_delete(1001) return tile_exists(1001) * 10 + tile_exists(1002)", 1, ""},
      {"tile_delete(999)", 0, kNoTile},
      {"tile_delete_at(16, 16, false) return tile_exists(1001)", 0, ""},  // edges included
      {"tile_delete_at(64, 0, true) return tile_exists(1004) * 10 + tile_exists(1002)", 1, ""},
      {"tile_layer_hide(10) return tile_get_visible(1001) + tile_get_visible(1003) + tile_get_visible(1002)", 1, ""},
      {"tile_layer_hide(10) tile_layer_show(10) return tile_get_visible(1001) + tile_get_visible(1003)", 2, ""},
      {"tile_layer_shift(10, 3, 4) return tile_get_x(1003) * 100 + tile_get_y(1003)", 336, ""},
      {"return tile_layer_find(10, 2, 34) * 10 + tile_layer_find(-5, 2, 34)", 10029, ""},
      {"tile_layer_delete(10) return tile_exists(1001) + tile_exists(1003) + tile_exists(1002) * 10", 10, ""},
      {"tile_layer_delete_at(10, 2, 34) return tile_exists(1003) * 10 + tile_exists(1001)", 1, ""},
      {"tile_layer_depth(10, 7) return tile_get_depth(1003) + tile_get_depth(1001) + tile_get_depth(1004)", 14, ""},
  };
  for (const auto& c : cases) {
    MakeTiles();
    errors.clear();
    EXPECT_EQ(Run(c.code).val(), c.result) << c.code;
    EXPECT_EQ(errors, c.error) << c.code;
  }
}

TEST_F(Tiles, WithoutARoomNothingExists) {
  SetCurrentRoom(nullptr);
  EXPECT_EQ(Run("return tile_exists(1) + tile_find(0, 0, false) + tile_layer_find(0, 0, 0)").val(), -2);
  EXPECT_EQ(Run("return tile_get_x(1)").val(), 0);
  EXPECT_EQ(errors, "Tile does not exist.");
}

}  // namespace
