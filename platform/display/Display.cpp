// Display modes from SDL, with the virtual current mode. Offscreen and virtual X servers
// report a 0 Hz refresh (60 is reported instead) and 24 bits for 32-bit pixel formats.
#include "platform/display/Display.h"

#include <SDL.h>

#include <algorithm>

namespace platform {
namespace {

std::optional<DisplayMode> g_fakeDesktop;
std::vector<DisplayMode> g_fakeModes;
std::optional<DisplayMode> g_current;

DisplayMode FromSdl(const SDL_DisplayMode& m) {
  DisplayMode d;
  d.width = m.w;
  d.height = m.h;
  d.bitsPerPixel = SDL_BYTESPERPIXEL(m.format) == 4 ? 32 : static_cast<int32_t>(SDL_BITSPERPIXEL(m.format));
  d.frequency = m.refresh_rate > 0 ? m.refresh_rate : 60;
  return d;
}

// What a screen without SDL video (or with a 0 × 0 offscreen entry) is taken to be.
constexpr DisplayMode kFallback{1024, 768, 32, 60};

DisplayMode Fill(const DisplayRequest& r, const DisplayMode& cur) {
  DisplayMode m = cur;
  if (r.width > 0 && r.height > 0) {
    m.width = r.width;
    m.height = r.height;
  }
  if (r.bitsPerPixel > 0) m.bitsPerPixel = r.bitsPerPixel;
  if (r.frequency > 0) m.frequency = r.frequency;
  return m;
}

}  // namespace

DisplayMode DesktopDisplayMode() {
  if (g_fakeDesktop) return *g_fakeDesktop;
  SDL_DisplayMode m;
  if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &m) == 0 && m.w > 0 && m.h > 0) return FromSdl(m);
  return kFallback;
}

DisplayMode CurrentDisplayMode() { return g_current ? *g_current : DesktopDisplayMode(); }

std::vector<DisplayMode> ListDisplayModes() {
  if (g_fakeDesktop) return g_fakeModes;
  std::vector<DisplayMode> out;
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    const int n = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < n; ++i) {
      SDL_DisplayMode m;
      if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w > 0 && m.h > 0) out.push_back(FromSdl(m));
    }
  }
  if (out.empty()) out.push_back(DesktopDisplayMode());
  // The desktop's size is always available in both depths the runner accepts.
  const DisplayMode d = DesktopDisplayMode();
  for (int32_t bpp : {16, 32}) {
    DisplayMode m = d;
    m.bitsPerPixel = bpp;
    if (std::find(out.begin(), out.end(), m) == out.end()) out.push_back(m);
  }
  return out;
}

bool TestDisplayMode(const DisplayRequest& request) {
  const DisplayMode want = Fill(request, CurrentDisplayMode());
  const auto modes = ListDisplayModes();
  return std::any_of(modes.begin(), modes.end(), [&](const DisplayMode& m) {
    return m.width == want.width && m.height == want.height && m.bitsPerPixel == want.bitsPerPixel &&
           (request.frequency <= 0 || m.frequency == want.frequency);
  });
}

bool SetDisplayMode(const DisplayRequest& request) {
  if (!TestDisplayMode(request)) return false;
  g_current = Fill(request, CurrentDisplayMode());
  return true;
}

void RestoreDisplayMode() { g_current.reset(); }

void SetFakeDisplay(std::optional<DisplayMode> desktop, std::vector<DisplayMode> modes) {
  g_fakeDesktop = desktop;
  g_fakeModes = std::move(modes);
  g_current.reset();
}

}  // namespace platform
