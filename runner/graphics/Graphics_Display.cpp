// Display set-up, the device's life, render states, presenting and screen capture.
#include "runner/graphics/Graphics_Display.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

#include "platform/app/Application.h"
#include "platform/clock/Clock.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/display/Display.h"
#include "platform/video/Video.h"
#include "platform/window/Window.h"
#include "runner/code/Code_Error.h"
#include "runner/base/Game.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/graphics/Font_Main.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Surface.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/graphics/Sprite_Main.h"

namespace gpu = platform::gpu;

namespace {
// The render-state cache, the used area and back buffer of the device, the multisampling the
// next reset applies, and whether the game window has the focus.
struct RDisplayState {
  static constexpr EGameSlot kSlot = EGameSlot::Display;
  RRenderStates rs;
  int32_t usedW = 0, usedH = 0;
  int32_t backW = 0, backH = 0;
  int32_t multisample = 0;  // applied by the next reset
  bool resetPending = false;
  uint32_t aaMask = 0;
  bool active = true;
  bool swapSynced = false;  // the last present waited for the display at its swap
};
RDisplayState& DisplayState() { return TheGame().State<RDisplayState>(); }
RRenderStates& Rs() { return DisplayState().rs; }

constexpr const char* kDepthQuestion =
    "This application requires 16-bit or 32-bit color mode. Should I switch to a valid color mode?";
constexpr const char* kDepthFailure =
    "This program requires 16-bit (High Color) or 32-bit (Full Color) mode. Please change this in your display "
    "properties and run again.";

gpu::IDevice* Dev() { return D3DDevice(); }

uint32_t GameToArgb(int32_t col) {
  const uint32_t c = static_cast<uint32_t>(col);
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

gpu::EBlend Factor(int32_t v, gpu::EBlend keep) {
  return v >= 1 && v <= 13 ? static_cast<gpu::EBlend>(v) : keep;
}

bool DepthValid(int32_t bpp) { return bpp == 16 || bpp == 32; }

// Without a device, frames are bounded as on the smallest device the runner expects.
int32_t MaxTexture(const gpu::IDevice* d) { return d ? d->Caps().maxTextureSize : gpu::DeviceCaps{}.maxTextureSize; }

// The back buffer covers the display, within what the device can hold: a display larger than
// its largest texture would otherwise leave no device at all.
void SizeBackBuffer(RDisplayState& ds, const gpu::IDevice* d) {
  const platform::DisplayMode mode = platform::CurrentDisplayMode();
  ds.backW = ClampExtent(mode.width, MaxTexture(d));
  ds.backH = ClampExtent(mode.height, MaxTexture(d));
}

void ClientSize(int32_t& cw, int32_t& ch) {
  const RWindowState& ws = WindowState();
  cw = ws.full_screen ? ScreenWidth() : ws.client_width;
  ch = ws.full_screen ? ScreenHeight() : ws.client_height;
}

// Presents the region into the attached window; false when the device could not. A window made
// for the device gets the frame straight from the GPU; any other is handed a picture read back.
bool Present() {
  RDisplayState& ds = DisplayState();
  platform::TWindow* window = Window_Attached();
  // Nobody to see it: the back buffer stays as it is.
  if (!window || !window->Visible() || !window->ShowsPixels()) return true;
  int32_t cw, ch;
  ClientSize(cw, ch);
  // A frame is no larger than the device's largest texture; a larger client area shows its
  // top-left part.
  const RPlacement p = RegionPlacement();
  gpu::IDevice* d = Dev();
  const int32_t limit = MaxTexture(d);
  cw = ClampExtent(cw, limit);
  ch = ClampExtent(ch, limit);
  const gpu::Rect source{0, 0, ds.usedW, ds.usedH};
  const gpu::Rect dest{p.left, p.top, p.left + p.width, p.top + p.height};
  const uint32_t band = GameToArgb(WindowState().color) & 0xFFFFFF;
  if (d && d->PresentToWindow(source, dest, cw, ch, band, ds.rs.interpolation, *window, ds.rs.vsync, ds.swapSynced))
    return true;
  ds.swapSynced = false;
  gpu::WindowImage img;
  if (!d) {
    // Without a device only the window colour shows.
    img.width = cw;
    img.height = ch;
    img.pixels.assign(static_cast<size_t>(cw) * static_cast<size_t>(ch), GameToArgb(WindowState().color));
  } else if (!d->Present(source, dest, cw, ch, band, ds.rs.interpolation, img)) {
    return false;
  }
  window->Present(img.width, img.height, img.pixels.data());
  return true;
}

}  // namespace

RRenderStates& RenderStateCache() { return DisplayState().rs; }

int32_t Display_UsedWidth() { return DisplayState().usedW; }
int32_t Display_UsedHeight() { return DisplayState().usedH; }
uint32_t Display_AntialiasMask() { return DisplayState().aaMask; }

int32_t Display_ColorDepth() { return platform::CurrentDisplayMode().bitsPerPixel; }
int32_t Display_Frequency() { return platform::CurrentDisplayMode().frequency; }

bool Display_TestMode(int32_t w, int32_t h, int32_t frequency, int32_t depth) {
  platform::DisplayRequest r;
  if (w > 0 && h > 0) r.width = w, r.height = h;
  r.frequency = std::max(frequency, 0);
  r.bitsPerPixel = std::max(depth, 0);
  return platform::TestDisplayMode(r);
}

bool Display_SetMode(int32_t w, int32_t h, int32_t frequency, int32_t depth) {
  platform::DisplayRequest r;
  if (w > 0 && h > 0) r.width = w, r.height = h;
  r.frequency = std::max(frequency, 0);
  r.bitsPerPixel = std::max(depth, 0);
  const bool ok = platform::SetDisplayMode(r);
  if (ok) {
    if (WindowState().full_screen) Window_Apply();
    Display_ResetDevice();
  }
  return ok;
}

bool SetupGameDisplay(platform::TWindow* window) {
  const ROptions& o = Options();
  platform::DisplayRequest request;
  bool change = false;
  if (o.opt_changeres) {
    static constexpr int32_t kSizes[][2] = {{320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}};
    static constexpr int32_t kFreq[] = {60, 70, 85, 100, 120};
    if (o.opt_colordepth == 1) request.bitsPerPixel = 16;
    if (o.opt_colordepth == 2) request.bitsPerPixel = 32;
    if (o.opt_resolution >= 1 && o.opt_resolution <= 6) {
      request.width = kSizes[o.opt_resolution - 1][0];
      request.height = kSizes[o.opt_resolution - 1][1];
    }
    if (o.opt_frequency >= 1 && o.opt_frequency <= 5) request.frequency = kFreq[o.opt_frequency - 1];
    change = true;
  }
  if (request.bitsPerPixel <= 0 && !DepthValid(Display_ColorDepth())) {
    if (platform::ShowMessageBox(ApplicationTitle(), kDepthQuestion, platform::MessageButtons::YesNo) !=
        platform::MessageAnswer::Yes)
      return false;
    request.bitsPerPixel = 16;
    change = true;
  }
  if (change) platform::SetDisplayMode(request);

  Window_Attach(window);
  Window_SetRegionSize(8, 8, true);
  Window_SetRegionScale(o.opt_scale / 100.0, true);
  Window_SetSizeable(o.opt_sizeable);
  Window_SetStayOnTop(o.opt_stayontop);
  Window_SetColor(o.opt_windowcolor);
  Window_SetShowBorder(!o.opt_noborder);
  Window_SetShowIcons(!o.opt_nobuttons);
  Window_SetFullScreen(o.opt_fullscreen);
  Display_InstallEventHandler();

  if (!Display_CreateDevice(640, 480, o.opt_vsync)) return false;
  Display_SetInterpolation(o.opt_interpolate);
  InitSpriteTextures();
  InitFontTextures();
  Display_BeginFrame();
  return true;
}

bool Display_CreateDevice(int32_t maxWidth, int32_t maxHeight, bool vsync) {
  RDisplayState& ds = DisplayState();
  ds.rs.vsync = vsync;
  ds.usedW = std::min(ScreenWidth(), maxWidth);
  ds.usedH = std::min(ScreenHeight(), maxHeight);
  if (!DepthValid(Display_ColorDepth())) {
    ShowMessage(kDepthFailure);
    return false;
  }
  // The texture table and the surfaces belong to the device they were made on.
  Surface_ForgetAll();
  Texture_ClearTable();
  SetD3DDevice(nullptr);
  WriteTrace("D3D Create Device :: H/W processing + D24S8 + Copy");
  const auto video = platform::CurrentVideoBackend();
  std::unique_ptr<gpu::IDevice> device =
      gpu::CreateDevice(video == platform::VideoBackend::Sdl ? gpu::EBackend::Auto : gpu::EBackend::Null);
  SizeBackBuffer(ds, device.get());
  if (!device || !device->Reset(ds.backW, ds.backH, 0)) {
    ShowMessage(
        "D3D.CreateDevice() Error: Please check that your graphics card meets the minimum requirements and that your "
        "drivers are up-to-date. If your graphics card has little memory, try switching your computer to a lower "
        "resolution. (Error: -2005530516)");
    return false;
  }
  ds.aaMask = 0;
  for (int32_t s : {2, 4, 8, 16})
    if (device->MultisampleSupported(s)) ds.aaMask |= 1u << s;
  ds.multisample = 0;
  ds.usedW = std::min(ds.usedW, ds.backW);
  ds.usedH = std::min(ds.usedH, ds.backH);
  SetD3DDevice(std::move(device));
  Dev()->Clear(gpu::ClearTarget | gpu::ClearZBuffer | gpu::ClearStencil, 0, 0.0f, 0);
  Display_SetViewport(0, 0, ds.usedW, ds.usedH);
  Display_Set2DProjection(0, 0, ds.usedW, ds.usedH, 0);
  Display_ApplyAllStates();
  return true;
}

void Display_ReleaseDevice() {
  Surface_ForgetAll();
  Texture_ClearTable();
  SetD3DDevice(nullptr);
}

void ShutdownDisplay() {
  Display_ReleaseDevice();
  platform::RestoreDisplayMode();
}

bool Display_ResetDevice() {
  RDisplayState& ds = DisplayState();
  gpu::IDevice* d = Dev();
  if (!d) return false;
  if (!d->MultisampleSupported(ds.multisample)) ds.multisample = 0;
  SizeBackBuffer(ds, d);
  // Render targets do not survive a reset: every surface goes, the drawing target with it.
  Surface_ForgetAll();
  bool ok = d->Reset(ds.backW, ds.backH, ds.multisample);
  for (int attempt = 1; !ok && attempt < 3; ++attempt) {
    std::this_thread::sleep_for(std::chrono::seconds(5));
    if (attempt == 2) ds.multisample = 0;
    ok = d->Reset(ds.backW, ds.backH, ds.multisample);
  }
  if (!ok) std::_Exit(EXIT_FAILURE);  // no device can be had: nothing more can be shown
  d->Clear(gpu::ClearTarget | gpu::ClearZBuffer | gpu::ClearStencil, 0, 1.0f, 0);
  Display_ApplyAllStates();
  // The used area is clamped anew; viewport and projection follow with the next drawing.
  ds.usedW = std::min(ds.usedW, ds.backW);
  ds.usedH = std::min(ds.usedH, ds.backH);
  return true;
}

void Display_BeginFrame() {
  if (gpu::IDevice* d = Dev()) d->BeginScene();
}

// Frames that reach the window through a buffer swap wait for the display there; this timer
// stands in wherever the driver gives no such wait, for the next refresh of the display's frequency.
void Display_WaitVBlank() {
  const int32_t hz = Display_Frequency() > 0 ? Display_Frequency() : 60;
  const int64_t period = 1000000 / std::clamp(hz, 1, 1000);
  platform::SleepMicros(period - platform::NowMicros() % period);
}

void Display_EndAndPresent() {
  gpu::IDevice* d = Dev();
  if (d) d->EndScene();
  if (Rs().vsync && !DisplayState().swapSynced) Display_WaitVBlank();
  if (!Present()) Display_ResetDevice();
}

void Display_Represent() { Present(); }
void Display_Repaint() { Present(); }

void Display_PresentFrame() {
  RDisplayState& ds = DisplayState();
  Display_EndAndPresent();
  if (ds.resetPending) {
    platform::RestoreDisplayMode();
    Display_ResetDevice();
    ds.resetPending = false;
  }
  Display_BeginFrame();
}

void Display_ScheduleReset(int32_t antialias) {
  RDisplayState& ds = DisplayState();
  ds.multisample = (antialias == 2 || antialias == 4 || antialias == 8) ? antialias : 0;
  ds.resetPending = true;
}

bool Display_ResetPending() { return DisplayState().resetPending; }

void Display_SetUsedArea(int32_t w, int32_t h) {
  RDisplayState& ds = DisplayState();
  w = std::clamp(w, 1, std::max(ScreenWidth(), 1));
  h = std::clamp(h, 1, std::max(ScreenHeight(), 1));
  if (ds.backW > 0) w = std::min(w, ds.backW), h = std::min(h, ds.backH);
  if (w == ds.usedW && h == ds.usedH) return;
  ds.usedW = w;
  ds.usedH = h;
  Display_SetViewport(0, 0, w, h);
  Display_Set2DProjection(0, 0, w, h, 0);
}

void Display_SetViewport(int32_t x, int32_t y, int32_t w, int32_t h) {
  if (gpu::IDevice* d = Dev()) d->SetViewport(gpu::Viewport{x, y, w, h, 0.0f, 1.0f});
}

namespace {
void SetProjection(double x, double y, double w, double h, double angle, bool perspective) {
  gpu::IDevice* d = Dev();
  if (!d) return;
  const double a = -angle * std::numbers::pi / 180.0;
  const float cx = static_cast<float>(x + w / 2), cy = static_cast<float>(y + h / 2);
  const gpu::Vec3 up{static_cast<float>(std::sin(a)), static_cast<float>(std::cos(a)), 0.0f};
  if (perspective) {
    d->SetTransform(gpu::ETransform::View, MatrixLookAtLH({cx, cy, static_cast<float>(-w)}, {cx, cy, 0}, up));
    d->SetTransform(gpu::ETransform::Projection,
                    MatrixPerspectiveLH(1.0f, w != 0 ? static_cast<float>(h / w) : 1.0f, 1.0f, 32000.0f));
  } else {
    d->SetTransform(gpu::ETransform::View, MatrixLookAtLH({cx, cy, -16000.0f}, {cx, cy, 0}, up));
    d->SetTransform(gpu::ETransform::Projection,
                    MatrixOrthoLH(static_cast<float>(w), static_cast<float>(-h), 1.0f, 32000.0f));
  }
}
}  // namespace

void Display_Set2DProjection(double x, double y, double w, double h, double angle) {
  SetProjection(x, y, w, h, angle, Rs().mode_3d && Rs().perspective);
}
void Display_SetOrthoProjection(double x, double y, double w, double h, double angle) {
  SetProjection(x, y, w, h, angle, false);
}
void Display_SetPerspectiveProjection(double x, double y, double w, double h, double angle) {
  SetProjection(x, y, w, h, angle, true);
}

namespace {
// Each setter stores the cached value, then updates the device when there is one.
void ApplyCulling(gpu::RenderStates& rs) { rs.cull = Rs().culling ? gpu::ECull::CCW : gpu::ECull::None; }
void ApplyBlend(gpu::RenderStates& rs) {
  rs.srcBlend = Factor(Rs().src_blend, rs.srcBlend);
  rs.destBlend = Factor(Rs().dest_blend, rs.destBlend);
}
void ApplyHidden(gpu::RenderStates& rs) {
  const bool on = Rs().hidden_surface && Rs().mode_3d;
  rs.zEnable = on;
  rs.alphaTest = on;
  rs.alphaRef = 0;
  rs.alphaFunc = gpu::ECmp::Greater;
}
void ApplyFog(gpu::RenderStates& rs, const gpu::DeviceCaps& caps) {
  rs.fogEnable = false;
  rs.fogTable = rs.fogVertex = gpu::EFog::None;
  rs.rangeFog = false;
  if (Rs().fog_enabled) {
    if (caps.tableFog) {
      rs.fogEnable = true;
      rs.fogTable = gpu::EFog::Linear;
    } else if (caps.vertexFog) {
      rs.fogEnable = true;
      rs.fogVertex = gpu::EFog::Linear;
      rs.rangeFog = caps.rangeFog;
    }
  }
  rs.fogColor = GameToArgb(Rs().fog_color);
  rs.fogStart = static_cast<float>(Rs().fog_start);
  rs.fogEnd = static_cast<float>(Rs().fog_end);
}
void ApplyStage(gpu::StageStates& ss) {
  ss.magFilter = ss.minFilter = Rs().interpolation ? gpu::EFilter::Linear : gpu::EFilter::Point;
  ss.colorOp = ss.alphaOp = Rs().color_blending ? gpu::EColorOp::Modulate : gpu::EColorOp::SelectArg1;
  ss.addressU = ss.addressV = Rs().repeat ? gpu::EAddress::Wrap : gpu::EAddress::Clamp;
}

template <typename F>
void UpdateStates(F f) {
  gpu::IDevice* d = Dev();
  if (!d) return;
  gpu::RenderStates rs = d->GetRenderStates();
  f(rs);
  d->SetRenderStates(rs);
}
template <typename F>
void UpdateStage(F f) {
  gpu::IDevice* d = Dev();
  if (!d) return;
  gpu::StageStates ss = d->GetStageStates();
  f(ss);
  d->SetStageStates(ss);
}
}  // namespace

void Display_SetLighting(bool on) {
  Rs().lighting = on;
  UpdateStates([](gpu::RenderStates& rs) { rs.lighting = Rs().lighting; });
}
void Display_SetCulling(bool on) {
  Rs().culling = on;
  UpdateStates(ApplyCulling);
}
void Display_SetInterpolation(bool on) {
  Rs().interpolation = on;
  UpdateStage(ApplyStage);
}
void Display_SetColorBlending(bool on) {
  Rs().color_blending = on;
  UpdateStage(ApplyStage);
}
void Display_SetRepeat(bool on) {
  Rs().repeat = on;
  UpdateStage(ApplyStage);
}
void Display_SetHiddenSurface(bool on) {
  Rs().hidden_surface = on;
  UpdateStates(ApplyHidden);
}
void Display_SetShading(bool smooth) {
  Rs().smooth_shading = smooth;
  UpdateStates([](gpu::RenderStates& rs) { rs.shade = Rs().smooth_shading ? gpu::EShade::Gouraud : gpu::EShade::Flat; });
}
void Display_SetFog(bool on, int32_t color, double start, double end) {
  Rs().fog_enabled = on;
  Rs().fog_color = color;
  Rs().fog_start = start;
  Rs().fog_end = end;
  if (gpu::IDevice* d = Dev()) {
    gpu::RenderStates rs = d->GetRenderStates();
    ApplyFog(rs, d->Caps());
    d->SetRenderStates(rs);
  }
}
void Display_SetBlendFactors(int32_t src, int32_t dest) {
  Rs().src_blend = src;
  Rs().dest_blend = dest;
  UpdateStates(ApplyBlend);
}
void Display_SetBlendMode(int32_t mode) {
  switch (mode) {
    case 1: return Display_SetBlendFactors(5, 2);
    case 2: return Display_SetBlendFactors(5, 4);
    case 3: return Display_SetBlendFactors(1, 4);
    default: return Display_SetBlendFactors(5, 6);
  }
}
void Display_SetVSync(bool on) { Rs().vsync = on; }

void Display_ApplyAllStates() {
  gpu::IDevice* d = Dev();
  if (!d) return;
  gpu::RenderStates rs = d->GetRenderStates();
  rs.alphaBlend = true;
  rs.normalize = true;
  ApplyCulling(rs);
  ApplyBlend(rs);
  rs.lighting = Rs().lighting;
  rs.shade = Rs().smooth_shading ? gpu::EShade::Gouraud : gpu::EShade::Flat;
  ApplyHidden(rs);
  ApplyFog(rs, d->Caps());
  d->SetRenderStates(rs);
  gpu::StageStates ss = d->GetStageStates();
  ApplyStage(ss);
  d->SetStageStates(ss);
}

bool Display_Capture(int32_t x, int32_t y, int32_t w, int32_t h, TBitmap32& out) {
  RDisplayState& ds = DisplayState();
  gpu::IDevice* d = Dev();
  if (!d) return false;
  x = std::max(x, 0);
  y = std::max(y, 0);
  w = std::min<int64_t>(w, int64_t{ds.usedW} - x) > 0 ? static_cast<int32_t>(std::min<int64_t>(w, int64_t{ds.usedW} - x)) : 0;
  h = std::min<int64_t>(h, int64_t{ds.usedH} - y) > 0 ? static_cast<int32_t>(std::min<int64_t>(h, int64_t{ds.usedH} - y)) : 0;
  if (w <= 0 || h <= 0) return false;
  std::vector<uint32_t> px;
  if (!d->ReadPixels(gpu::kBackBuffer, {x, y, x + w, y + h}, px)) return false;
  out.Resize(w, h);
  if (out.Empty()) return false;
  for (size_t i = 0; i < px.size(); ++i) out.Pixels()[i] = px[i] | 0xFF000000u;
  return true;
}

void Display_SaveScreen(const std::string& fname, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (fname.empty()) return ShowActionError("Trying to save screen to empty image file name.", false);
  // A device that draws nothing would save a black picture that looks like a real one.
  if (const gpu::IDevice* d = Dev(); d && !d->HoldsPixels()) {
    std::fprintf(stderr, "Screen not saved to \"%s\": nothing is drawn in this run (no OpenGL device).\n",
                 fname.c_str());
    return;
  }
  TBitmap32 bm;
  if (!Display_Capture(x, y, w, h, bm)) return;
  std::string ext = std::filesystem::path(fname).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".png") {
    bm.SaveToImageFile(fname);
    return;
  }
  const std::vector<uint8_t> bytes = bm.SaveToBMP();
  std::ofstream f(fname, std::ios::binary | std::ios::trunc);
  if (f) f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int32_t Display_GetPixel(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= DisplayState().usedW || y >= DisplayState().usedH) return 0;
  TBitmap32 bm;
  if (!Display_Capture(x, y, 1, 1, bm)) return 0;
  const uint32_t p = bm.GetPixel(0, 0);
  return static_cast<int32_t>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
}

bool Display_WindowActive() { return DisplayState().active || Window_Attached() == nullptr; }

void Display_InstallEventHandler() {
  platform::TApplication* app = Application();
  // The handler stays with the process's application and serves whichever game is current,
  // so one is enough for every game the process plays.
  static bool installed = false;
  if (installed || !app) return;
  installed = true;
  app->AddEventHandler([](const platform::AppEvent& e) {
    platform::TWindow* w = Window_Attached();
    if (!w || w->NativeId() == 0) return false;
    int x = 0, y = 0;
    if (e.MouseMotion(w->NativeId(), x, y)) {
      Mouse_Moved(x, y);
      return false;
    }
    switch (e.WindowChange(w->NativeId())) {
      case platform::EWindowChange::Exposed: Display_Repaint(); break;
      case platform::EWindowChange::FocusGained: DisplayState().active = true; break;
      case platform::EWindowChange::FocusLost: DisplayState().active = false; break;
      case platform::EWindowChange::Moved:
      case platform::EWindowChange::Resized: {
        platform::WindowBounds b;
        if (w->NativeBounds(b)) Window_Resized(b.left, b.top, b.width, b.height);
        break;
      }
      default: break;
    }
    return false;  // others may want the event too
  });
}
