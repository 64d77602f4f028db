// The display on the OpenGL device drawn off-screen: the device made and reset, textures
// drawn through the 2D projection, frames presented into the window between bands, and
// screenshots written and read back. Skipped without OpenGL.
#include "runner/graphics/Graphics_Display.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/clock/Clock.h"
#include "platform/display/Display.h"
#include "platform/video/Video.h"
#include "platform/window/Window.h"
#include "runner/code/Code_Error.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Hooks.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/run/Run_Hooks.h"

namespace fs = std::filesystem;

namespace {

// A window that keeps what was last presented to it.
class Canvas final : public platform::IWindowBackend {
 public:
  int w = 0, h = 0;
  std::vector<uint32_t> pixels;
  void Show(const std::string&, const platform::WindowBounds&, bool) override {}
  void Hide() override {}
  void SetCaption(const std::string&) override {}
  void SetBounds(const platform::WindowBounds&) override {}
  uint32_t NativeId() const override { return 0; }
  SDL_Window* NativeHandle() const override { return nullptr; }
  void Present(int width, int height, const uint32_t* argb, int) override {
    w = width;
    h = height;
    pixels.assign(argb, argb + static_cast<size_t>(width) * static_cast<size_t>(height));
  }
};

std::vector<std::string> g_errors;
void CollectError(std::string_view m, bool) { g_errors.emplace_back(m); }

class DisplayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    platform::InitVideo();
  }

  void SetUp() override {
    platform::SetFakeDisplay(platform::DisplayMode{64, 48, 32, 60}, {{64, 48, 32, 60}});
    if (platform::CurrentVideoBackend() != platform::VideoBackend::Sdl) GTEST_SKIP() << "no SDL video";
    ASSERT_TRUE(Display_CreateDevice(640, 480, false));
    std::vector<uint32_t> px;
    D3DDevice()->Clear(platform::gpu::ClearTarget, 0xFF010203, 1.0f, 0);
    if (!D3DDevice()->ReadPixels(platform::gpu::kBackBuffer, {0, 0, 1, 1}, px) || (px[0] & 0xFFFFFF) != 0x010203)
      GTEST_SKIP() << "no OpenGL device";
    D3DDevice()->Clear(platform::gpu::ClearTarget, 0xFF000000, 1.0f, 0);
    Display_SetUsedArea(32, 16);
    dir_ = fs::temp_directory_path() / ("display_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }

  void TearDown() override {
    Display_ReleaseDevice();
    platform::SetFakeDisplay(std::nullopt);
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }

  // A 2 × 1 texture, red then blue, drawn 1:1 at (x, y).
  int32_t DrawPair(double x, double y) {
    TBitmap32 bm(2, 1);
    bm.SetPixel(0, 0, 0xFFFF0000);
    bm.SetPixel(1, 0, 0xFF0000FF);
    const int32_t id = Texture_FromBitmap(&bm);
    Texture_Draw(id, x, y);
    return id;
  }

  fs::path dir_;
};

TEST_F(DisplayTest, CreatedDeviceMatchesTheScreen) {
  EXPECT_EQ(Display_UsedWidth(), 32);
  EXPECT_EQ(Display_UsedHeight(), 16);
  // Used area clamps to the screen.
  Display_SetUsedArea(100, 100);
  EXPECT_EQ(Display_UsedWidth(), 64);
  EXPECT_EQ(Display_UsedHeight(), 48);
}

TEST_F(DisplayTest, TexturesDrawThroughThe2DProjection) {
  DrawPair(3, 4);
  EXPECT_EQ(Display_GetPixel(3, 4), 0x0000FF);  // red, as a game colour
  EXPECT_EQ(Display_GetPixel(4, 4), 0xFF0000);  // blue
  EXPECT_EQ(Display_GetPixel(5, 4), 0);
  EXPECT_EQ(Display_GetPixel(-1, 0), 0);
  EXPECT_EQ(Display_GetPixel(32, 0), 0);  // outside the used area
}

TEST_F(DisplayTest, ResetKeepsTexturesAndStates) {
  Display_SetInterpolation(false);
  const int32_t id = DrawPair(0, 0);
  Display_ScheduleReset(16);  // not a level that is accepted: no multisampling
  Display_PresentFrame();
  EXPECT_FALSE(Display_ResetPending());
  EXPECT_TRUE(Texture_Exists(id));
  EXPECT_EQ(Display_GetPixel(0, 0), 0);  // cleared by the reset
  Display_SetUsedArea(16, 16);           // the next room sets viewport and projection
  Texture_Draw(id, 0, 0);
  EXPECT_EQ(Display_GetPixel(0, 0), 0x0000FF);
  EXPECT_EQ(D3DDevice()->GetStageStates().magFilter, platform::gpu::EFilter::Point);
}

TEST_F(DisplayTest, PresentPlacesTheRegionBetweenBands) {
  auto canvas = std::make_unique<Canvas>();
  Canvas* c = canvas.get();
  platform::TWindow window("TRunnerForm", std::move(canvas));
  Window_Attach(&window);
  Window_SetRegionSize(32, 16, false);
  WindowState().region_scale = -1;  // keep the aspect ratio
  Window_SetSize(40, 40);
  Window_SetColor(0x00FF00);  // green bands
  window.Show();
  DrawPair(0, 0);
  Display_PresentFrame();
  ASSERT_EQ(c->w, 40);
  ASSERT_EQ(c->h, 40);
  // Factor 1.25: the region is 40 × 20 at (0, 10).
  EXPECT_EQ(c->pixels[0] & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(c->pixels[10 * 40 + 0] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(c->pixels[35 * 40 + 20] & 0xFFFFFF, 0x00FF00u);
}

TEST_F(DisplayTest, ScreenshotsWrittenAndReadBack) {
  DrawPair(0, 0);
  struct Case {
    const char* name;
    bool png;
  };
  const Case cases[] = {{"shot.png", true}, {"SHOT2.PnG", true}, {"shot.jpg", false}, {"shot", false}};
  for (const Case& c : cases) {
    const std::string path = (dir_ / c.name).string();
    Display_SaveScreen(path, 0, 0, Display_UsedWidth(), Display_UsedHeight());
    std::ifstream f(path, std::ios::binary);
    char magic[2] = {};
    f.read(magic, 2);
    EXPECT_EQ(magic[0] == 'B' && magic[1] == 'M', !c.png) << c.name;
    TBitmap32 bm;
    ASSERT_TRUE(bm.LoadFromImageFile(path)) << c.name;
    EXPECT_EQ(bm.Width(), 32);
    EXPECT_EQ(bm.Height(), 16);
    EXPECT_EQ(bm.GetPixel(0, 0), 0xFFFF0000u) << c.name;
    EXPECT_EQ(bm.GetPixel(1, 0), 0xFF0000FFu) << c.name;
  }
  // A part is clipped to the used area.
  const std::string part = (dir_ / "part.png").string();
  Display_SaveScreen(part, -5, -5, 6, 100);
  TBitmap32 bm;
  ASSERT_TRUE(bm.LoadFromImageFile(part));
  EXPECT_EQ(bm.Width(), 6);
  EXPECT_EQ(bm.Height(), 16);
  // Nothing results from an empty part.
  Display_SaveScreen((dir_ / "none.png").string(), 40, 0, 5, 5);
  EXPECT_FALSE(fs::exists(dir_ / "none.png"));
}

TEST_F(DisplayTest, RuntimeHooksSaveTheScreenAndToggleFullScreen) {
  InstallDisplayHooks();
  DrawPair(0, 0);
  const std::string path = (dir_ / "screenshot100.png").string();
  RunHooks().saveScreenshot(path.c_str());
  TBitmap32 bm;
  ASSERT_TRUE(bm.LoadFromImageFile(path));
  EXPECT_EQ(bm.GetPixel(0, 0), 0xFFFF0000u);
  EXPECT_TRUE(RunHooks().windowActive());
  RunHooks().toggleFullScreen();
  EXPECT_TRUE(WindowState().full_screen);
  RunHooks().toggleFullScreen();
  EXPECT_FALSE(WindowState().full_screen);
}

TEST_F(DisplayTest, NativeWindowFollowsTheState) {
  platform::TWindow window("TRunnerForm", platform::MakeWindowBackend());
  Window_Attach(&window);
  Window_SetVisible(true);
  SDL_Window* native = window.NativeHandle();
  if (!native) GTEST_SKIP() << "no native window";
  struct Step {
    const char* what;
    void (*act)();
    uint32_t set, clear;  // window flags
  };
  // The off-screen driver keeps full-screen flags but not border or resizing ones.
  const Step steps[] = {
      {"full screen", [] { Window_SetFullScreen(true); }, SDL_WINDOW_FULLSCREEN_DESKTOP, 0},
      {"windowed", [] { Window_SetFullScreen(false); }, 0, SDL_WINDOW_FULLSCREEN},
  };
  for (const Step& s : steps) {
    s.act();
    const uint32_t flags = SDL_GetWindowFlags(native);
    EXPECT_EQ(flags & s.set, s.set) << s.what;
    EXPECT_EQ(flags & s.clear, 0u) << s.what;
  }
  Window_SetCaption("Caption");
  EXPECT_STREQ(SDL_GetWindowTitle(native), "Caption");
  DrawPair(0, 0);
  Display_PresentFrame();  // through the window's own surface
  Window_SetVisible(false);
  Window_Attach(nullptr);
}

// Frames go from the GPU to the game window without coming back to memory; only what asks for
// pixels reads them back.
TEST_F(DisplayTest, OnlyPixelRequestsReadBack) {
  platform::TWindow window("TRunnerForm", platform::MakeWindowBackend());
  Window_Attach(&window);
  Window_SetRegionSize(32, 16, false);
  Window_SetSize(64, 32);
  Window_SetVisible(true);
  SDL_Window* native = window.NativeHandle();
  if (!native) GTEST_SKIP() << "no native window";
  EXPECT_NE(SDL_GetWindowFlags(native) & SDL_WINDOW_OPENGL, 0u);
  platform::gpu::IDevice* d = D3DDevice();
  int64_t before = d->ReadBacks();
  for (int frame = 0; frame < 3; ++frame) {
    DrawPair(frame, 0);
    Display_PresentFrame();
    Display_Repaint();
  }
  // Off-screen windows show nothing, so the frame loop skips them; the GPU path itself is
  // taken directly here.
  bool synced = true;
  EXPECT_TRUE(d->PresentToWindow({0, 0, 32, 16}, {0, 0, 64, 32}, 64, 32, 0x00FF00, false, window, false, synced));
  EXPECT_FALSE(synced);
  EXPECT_EQ(d->ReadBacks(), before) << "presenting";
  const std::string shot = (dir_ / "shot.png").string();
  struct Case {
    const char* what;
    void (*act)(const std::string&);
    int64_t reads;
  };
  const Case cases[] = {
      {"screen_save", [](const std::string& f) { Display_SaveScreen(f, 0, 0, 32, 16); }, 1},
      {"screen_save_part", [](const std::string& f) { Display_SaveScreen(f, 2, 2, 4, 4); }, 1},
      {"draw_getpixel", [](const std::string&) { Display_GetPixel(1, 1); }, 1},
      {"draw_getpixel outside", [](const std::string&) { Display_GetPixel(-1, 0); }, 0},
  };
  for (const Case& c : cases) {
    before = d->ReadBacks();
    c.act(shot);
    EXPECT_EQ(d->ReadBacks() - before, c.reads) << c.what;
  }
  Window_SetVisible(false);
  Window_Attach(nullptr);
}

TEST_F(DisplayTest, EmptyScreenshotNameIsAnError) {
  g_errors.clear();
  SetErrorSink(CollectError);
  Display_SaveScreen("", 0, 0, 10, 10);
  SetErrorSink(nullptr);
  EXPECT_EQ(g_errors, std::vector<std::string>{"Trying to save screen to empty image file name."});
}

// A device that draws nothing (headless runs) refuses screenshots aloud instead of saving black.
TEST(HeadlessDisplay, ScreenshotRefusedOnStandardError) {
  auto device = platform::gpu::CreateDevice(platform::gpu::EBackend::Null);
  ASSERT_TRUE(device->Reset(64, 48, 0));
  SetD3DDevice(std::move(device));
  const fs::path file = fs::temp_directory_path() / ("headless_shot_" + std::to_string(::getpid()) + ".png");
  testing::internal::CaptureStderr();
  Display_SaveScreen(file.string(), 0, 0, 16, 16);
  const std::string err = testing::internal::GetCapturedStderr();
  SetD3DDevice(nullptr);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_NE(err.find("Screen not saved to \"" + file.string() + "\""), std::string::npos) << err;
}

// The back buffer covers the display within the device's largest texture (4096 on the null
// device), and a frame presented into a window the display's size is no larger: a display or
// window beyond the device used to leave no device at all, or a frame of gigabytes.
TEST(HeadlessDisplay, BackBufferAndFrameWithinTheDevice) {
  struct Case {
    int32_t screenW, screenH;  // the display
    int32_t backW, backH;      // the back buffer, seen through the largest used area
  };
  const Case cases[] = {
      {640, 480, 640, 480},
      {4096, 2160, 4096, 2160},
      {5000, 300, 4096, 300},
      {300, 20000, 300, 4096},
  };
  for (const Case& c : cases) {
    const platform::DisplayMode mode{c.screenW, c.screenH, 32, 60};
    platform::SetFakeDisplay(mode, {mode});
    auto device = platform::gpu::CreateDevice(platform::gpu::EBackend::Null);
    ASSERT_TRUE(device->Reset(64, 48, 0));
    SetD3DDevice(std::move(device));
    ASSERT_TRUE(Display_ResetDevice()) << c.screenW << "x" << c.screenH;
    Display_SetUsedArea(INT32_MAX, INT32_MAX);
    EXPECT_EQ(Display_UsedWidth(), c.backW) << c.screenW << "x" << c.screenH;
    EXPECT_EQ(Display_UsedHeight(), c.backH) << c.screenW << "x" << c.screenH;

    auto canvas = std::make_unique<Canvas>();
    Canvas* shown = canvas.get();
    platform::TWindow window("TRunnerForm", std::move(canvas));
    Window_Attach(&window);
    WindowState().region_scale = 0;
    Window_SetSize(30000, 30000);  // the window stops at the display
    EXPECT_EQ(WindowState().client_width, c.screenW);
    EXPECT_EQ(WindowState().client_height, c.screenH);
    window.Show();
    Display_Repaint();
    EXPECT_EQ(shown->w, c.backW) << c.screenW << "x" << c.screenH;
    EXPECT_EQ(shown->h, c.backH) << c.screenW << "x" << c.screenH;
    Window_Attach(nullptr);
    Display_ReleaseDevice();
  }
  platform::SetFakeDisplay(std::nullopt);
}

}  // namespace

// Without a driver blank the timer waits for the next refresh of the 60 Hz display; presenting
// waits only when synchronisation is on.
TEST_F(DisplayTest, VerticalBlankWaitsForTheNextRefresh) {
  platform::UseVirtualClock(true);
  const int64_t period = 1000000 / 60;
  const int64_t start = platform::NowMicros();
  Display_WaitVBlank();
  const int64_t first = platform::NowMicros();
  EXPECT_EQ(first % period, 0);
  EXPECT_GT(first, start);
  EXPECT_LE(first - start, period);

  Display_EndAndPresent();
  EXPECT_EQ(platform::NowMicros(), first);  // synchronisation off
  Display_SetVSync(true);
  Display_EndAndPresent();
  EXPECT_EQ(platform::NowMicros(), first + period);
  Display_SetVSync(false);
  platform::UseVirtualClock(false);
}
