// The settings record through gamebuild and back, and the loading window built from it.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

#include "runner/base/Option_Main.h"
#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

// A PNG whose pixel (x, y) is f(x, y) as 0xAARRGGBB.
std::vector<uint8_t> MakePng(int w, int h, const std::function<uint32_t(int, int)>& f) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y * w + x)] = f(x, y);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

TEST(SettingsRoundTrip, EveryFieldArrives) {
  // Each value differs from the default, so a field read from the wrong place shows.
  Project project({{"game.json", GameJson(R"("settings": {
      "fullscreen": true, "interpolate": true, "noborder": true, "showcursor": false, "scale": -50,
      "sizeable": true, "stayontop": true, "windowcolor": "#102030", "changeres": true,
      "colordepth": 2, "resolution": 4, "frequency": 5, "nobuttons": true, "vsync": true,
      "noscreensaver": true, "keyf4": false, "keyf1": false, "keyesc": false, "keyf5f6": false,
      "keyf9": false, "closeasesc": false, "priority": 2, "freeze": true, "showerrors": false,
      "logerrors": true, "aborterrors": true, "uninitzero": true, "argerrors": false},
    "loading": {"show_progress": false, "transparent": true, "alpha": 200, "stretch_progress": true})")}});
  LoadRun run;
  ASSERT_TRUE(run.Load(project.Build()).loaded);
  const ROptions& o = Options();
  EXPECT_TRUE(o.opt_fullscreen);
  EXPECT_TRUE(o.opt_interpolate);
  EXPECT_TRUE(o.opt_noborder);
  EXPECT_FALSE(o.opt_showcursor);
  EXPECT_EQ(o.opt_scale, -50);
  EXPECT_TRUE(o.opt_sizeable);
  EXPECT_TRUE(o.opt_stayontop);
  EXPECT_EQ(o.opt_windowcolor, 0x302010);
  EXPECT_TRUE(o.opt_changeres);
  EXPECT_EQ(o.opt_colordepth, 2);
  EXPECT_EQ(o.opt_resolution, 4);
  EXPECT_EQ(o.opt_frequency, 5);
  EXPECT_TRUE(o.opt_nobuttons);
  EXPECT_TRUE(o.opt_vsync);
  EXPECT_TRUE(o.opt_noscreensaver);
  EXPECT_FALSE(o.opt_keyf4);
  EXPECT_FALSE(o.opt_keyf1);
  EXPECT_FALSE(o.opt_keyesc);
  EXPECT_FALSE(o.opt_keyf5f6);
  EXPECT_FALSE(o.opt_keyf9);
  EXPECT_FALSE(o.opt_closeasesc);
  EXPECT_EQ(o.opt_priority, 2);
  EXPECT_TRUE(o.opt_freeze);
  EXPECT_FALSE(o.opt_showprogress);
  EXPECT_FALSE(o.opt_loadimage);
  EXPECT_TRUE(o.opt_loadtransparent);
  EXPECT_EQ(o.opt_loadalpha, 200);
  EXPECT_TRUE(o.opt_scaleprogress);
  EXPECT_FALSE(o.opt_showerrors);
  EXPECT_TRUE(o.opt_logerrors);
  EXPECT_TRUE(o.opt_aborterrors);
  EXPECT_TRUE(o.opt_uninitzero);
  EXPECT_FALSE(o.opt_argerrors);
}

TEST(SettingsRoundTrip, FlagsIntegerBits) {
  struct Row {
    bool uninitzero, argerrors;
    int32_t stored;
  };
  for (const Row& r : {Row{false, false, 0}, Row{true, false, 1}, Row{false, true, 2}, Row{true, true, 3}}) {
    ROptions in;
    in.opt_uninitzero = r.uninitzero;
    in.opt_argerrors = r.argerrors;
    CStream block;
    gamebuild::WriteSettings(block, in);
    block.SetPosition(4);
    CStream content = block.ReadStreamC();
    content.SetPosition(content.GetSize() - 4);
    EXPECT_EQ(content.ReadInteger(), r.stored);
    block.SetPosition(0);
    ASSERT_TRUE(Option_Read(block));
    EXPECT_EQ(Options().opt_uninitzero, r.uninitzero);
    EXPECT_EQ(Options().opt_argerrors, r.argerrors);
  }
  // Bits above the two are ignored.
  ROptions in;
  CStream block;
  gamebuild::WriteSettings(block, in);
  block.SetPosition(4);
  CStream content = block.ReadStreamC();
  content.SetPosition(content.GetSize() - 4);
  content.WriteInteger(0x7FFFFFFC | 2);
  CStream patched;
  patched.WriteInteger(800);
  patched.WriteStreamC(content);
  patched.SetPosition(0);
  ASSERT_TRUE(Option_Read(patched));
  EXPECT_FALSE(Options().opt_uninitzero);
  EXPECT_TRUE(Options().opt_argerrors);
}

// Without the progress bar the block holds no progress images: the next bitmap read is the
// loading image. With it, both images come before the loading image.
TEST(SettingsRoundTrip, ProgressImagesOnlyWithTheBar) {
  const auto back = MakePng(10, 4, [](int, int) { return 0xFF0000FFu; });
  const auto front = MakePng(6, 4, [](int x, int) { return x == 0 ? 0x80FF0000u : 0xFF00FF00u; });
  const auto image = MakePng(300, 120, [](int x, int y) { return y == 119 && x == 0 ? 0xFF123456u : 0xFFFFFFFFu; });
  for (bool bar : {true, false}) {
    Project project({{"game.json", GameJson(std::string(R"("loading": {"show_progress": )") + (bar ? "true" : "false") +
                                            (bar ? R"(, "progress_back": "back.png", "progress_front": "front.png")" : "") +
                                            R"(, "image": "load.png", "transparent": true, "alpha": 128})")}});
    project.WriteBinary("back.png", back);
    project.WriteBinary("front.png", front);
    project.WriteBinary("load.png", image);
    LoadRun run;
    ASSERT_TRUE(run.Load(project.Build()).loaded);
    const TLoadForm& f = LoadFormState();
    ASSERT_TRUE(f.LoadImage.picture);
    EXPECT_EQ(f.LoadImage.picture->Width(), 300);
    EXPECT_EQ(f.LoadImage.picture->Height(), 120);
    EXPECT_TRUE(f.transparentColorOn);
    EXPECT_EQ(f.transparentColor & 0xFFFFFF, 0x123456u);
    EXPECT_TRUE(f.alphaBlendOn);
    EXPECT_EQ(f.alphaBlend, 128);
    EXPECT_EQ(f.LoadEmptyShape.visible, bar);
    EXPECT_EQ(f.LoadFullShape.visible, bar);
    if (bar) {
      ASSERT_TRUE(f.LoadEmptyShape.picture && f.LoadFullShape.picture);
      EXPECT_EQ(f.LoadEmptyShape.picture->Width(), 10);
      EXPECT_EQ(f.LoadFullShape.picture->GetPixel(0, 0), 0x80FF0000u);  // alpha kept
      EXPECT_EQ(f.LoadFullShape.picture->GetPixel(1, 0), 0xFF00FF00u);
    } else {
      EXPECT_FALSE(f.LoadEmptyShape.picture);
      EXPECT_FALSE(f.LoadFullShape.picture);
    }
    // The settings record gave its pictures to the window.
    EXPECT_FALSE(Options().opt_loadimage);
  }
}

TEST(LoadFormLayout, SizedByTheImageCentredWithTheBarNearTheBottom) {
  const auto image = MakePng(58, 100, [](int, int) { return 0xFFFFFFFFu; });
  Project project({{"game.json", GameJson(R"("debug": true, "loading": {"show_progress": true, "image": "load.png"})")}});
  project.WriteBinary("load.png", image);
  SetLoadFormScreenSize(800, 600);
  LoadRun run;
  std::vector<int32_t> fullWidths;
  SetLoadFormView([&](const TLoadForm& f) { fullWidths.push_back(f.LoadFullShape.bounds.width); });
  ASSERT_TRUE(run.Load(project.Build()).loaded);
  const TLoadForm& f = LoadFormState();
  EXPECT_TRUE(f.visible);
  EXPECT_EQ(f.window.left, (800 - 58) / 2);
  EXPECT_EQ(f.window.top, (600 - 100) / 2);
  EXPECT_EQ(f.window.width, 58);
  EXPECT_EQ(f.window.height, 100);
  EXPECT_EQ(f.LoadEmptyShape.bounds.left, 24);
  EXPECT_EQ(f.LoadEmptyShape.bounds.top, 100 - 32);
  EXPECT_EQ(f.LoadEmptyShape.bounds.width, 10);
  EXPECT_EQ(f.LoadFullShape.bounds.top, 100 - 32);
  EXPECT_TRUE(f.LoadLabel.visible);  // debug mode with the bar
  EXPECT_EQ(f.LoadLabel.caption, "Loading room order");

  // Filled width is percent x 10 / 100, halves to even.
  const std::pair<int, int> rows[] = {{5, 0}, {15, 2}, {25, 2}, {35, 4}, {49, 5}, {100, 10}};
  for (const auto& [percent, width] : rows) {
    ShowProgress(percent, "x");
    EXPECT_EQ(LoadFormState().LoadFullShape.bounds.width, width) << percent;
  }
  HideLoadForm();
  EXPECT_FALSE(LoadFormState().visible);
  EXPECT_FALSE(LoadFormState().LoadImage.picture);
  SetLoadFormScreenSize(1024, 768);
}

TEST(LoadFormLayout, DesignSizeWithoutImageAndNoLabelOutsideDebugMode) {
  Project project({{"game.json", GameJson(R"("loading": {"show_progress": true})")}});
  LoadRun run;
  ASSERT_TRUE(run.Load(project.Build()).loaded);
  const TLoadForm& f = LoadFormState();
  EXPECT_EQ(f.window.width, 332);
  EXPECT_EQ(f.window.height, 92);
  EXPECT_EQ(f.LoadEmptyShape.bounds.width, 332 - 48);
  EXPECT_FALSE(f.LoadLabel.visible);
  EXPECT_FALSE(f.transparentColorOn);
  EXPECT_FALSE(f.alphaBlendOn);
}

}  // namespace
