// The surface table, redirecting drawing into a surface and back, and reading, saving and
// copying surface pixels.
#include "runner/graphics/Graphics_Surface.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "platform/files/AtomicFile.h"
#include "runner/base/BM32_Bitmap.h"
#include "runner/code/Code_Error.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Texture.h"

namespace gpu = platform::gpu;

namespace {

RSurface* Valid(int32_t id) {
  std::vector<RSurface>& table = SurfaceState().surfaces;
  if (id < 0 || id >= static_cast<int32_t>(table.size())) return nullptr;
  RSurface& s = table[static_cast<size_t>(id)];
  return s.used ? &s : nullptr;
}

gpu::TextureHandle Handle(const RSurface& s) { return Texture_Surface(s.tex); }

bool PngName(const std::string& fname) {
  std::string ext = std::filesystem::path(fname).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".png";
}

}  // namespace

int32_t Surface_DepthSide(int32_t side) {
  int32_t p = 4;
  while (p < side && p < (1 << 29)) p *= 2;
  return p;
}

int32_t Surface_Create(int32_t w, int32_t h) {
  gpu::IDevice* d = D3DDevice();
  if (!d || w <= 0 || h <= 0) return -1;
  const int32_t tex = Texture_Create(w, h, true);
  if (tex < 0) return -1;
  // A texture the device had to make smaller than asked cannot hold the surface.
  const RTexture* t = Texture_Get(tex);
  if (!t || t->wt < w || t->ht < h) {
    Texture_Free(tex);
    return -1;
  }
  const gpu::DepthHandle depth = d->CreateDepthSurface(Surface_DepthSide(w), Surface_DepthSide(h));
  if (depth == 0) {
    Texture_Free(tex);
    return -1;
  }
  std::vector<RSurface>& table = SurfaceState().surfaces;
  auto slot = std::find_if(table.begin(), table.end(), [](const RSurface& s) { return !s.used; });
  if (slot == table.end()) slot = table.insert(table.end(), RSurface{});
  *slot = RSurface{tex, w, h, true, depth};
  return static_cast<int32_t>(slot - table.begin());
}

void Surface_Free(int32_t id) {
  RSurface* s = Valid(id);
  if (!s) return;
  if (SurfaceState().target == id) Surface_ResetTarget();
  Texture_Free(s->tex);
  if (gpu::IDevice* d = D3DDevice()) d->ReleaseDepthSurface(s->pDepth);
  *s = RSurface{};
}

bool Surface_Exists(int32_t id) { return Valid(id) != nullptr; }
const RSurface* Surface_Get(int32_t id) { return Valid(id); }

int32_t Surface_Width(int32_t id) {
  const RSurface* s = Valid(id);
  return s ? s->w : -1;
}

int32_t Surface_Height(int32_t id) {
  const RSurface* s = Valid(id);
  return s ? s->h : -1;
}

int32_t Surface_Texture(int32_t id) {
  const RSurface* s = Valid(id);
  return s ? s->tex : -1;
}

int32_t Surface_Target() { return SurfaceState().target; }

bool Surface_SetTarget(int32_t id) {
  gpu::IDevice* d = D3DDevice();
  RSurfaceState& st = SurfaceState();
  const RSurface* s = Valid(id);
  if (!d || !s) return false;
  if (st.target == id) return true;
  const gpu::TextureHandle handle = Handle(*s);
  if (handle == 0) return false;
  if (st.target >= 0) Surface_ResetTarget();
  st.savedTarget = d->GetRenderTarget();
  st.savedDepth = 0;  // the back buffer's target brings its own depth buffer
  st.saved = true;
  if (!d->SetRenderTarget(handle, s->pDepth)) {
    st.saved = false;
    return false;
  }
  Display_SetViewport(0, 0, s->w, s->h);
  Display_Set2DProjection(0, 0, s->w, s->h, 0);
  st.target = id;
  return true;
}

bool Surface_ResetTarget() {
  gpu::IDevice* d = D3DDevice();
  RSurfaceState& st = SurfaceState();
  if (!d || !st.saved) return false;
  d->SetRenderTarget(st.savedTarget, st.savedDepth);
  // The whole used area, whatever view was being drawn when the target was set.
  Display_SetViewport(0, 0, Display_UsedWidth(), Display_UsedHeight());
  Display_Set2DProjection(0, 0, Display_UsedWidth(), Display_UsedHeight(), 0);
  st.saved = false;
  st.savedTarget = gpu::kBackBuffer;
  st.savedDepth = 0;
  st.target = -1;
  return true;
}

void Surface_ForgetAll() {
  if (!TheGame().Has<RSurfaceState>()) return;
  RSurfaceState& st = SurfaceState();
  gpu::IDevice* d = D3DDevice();
  if (d && st.saved) d->SetRenderTarget(st.savedTarget, st.savedDepth);
  for (RSurface& s : st.surfaces) {
    if (!s.used) continue;
    Texture_Free(s.tex);
    if (d) d->ReleaseDepthSurface(s.pDepth);
  }
  st.surfaces.clear();
  st.target = -1;
  st.saved = false;
  st.savedTarget = gpu::kBackBuffer;
  st.savedDepth = 0;
}

bool Surface_Capture(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, TBitmap32& out) {
  gpu::IDevice* d = D3DDevice();
  const RSurface* s = Valid(id);
  if (!d || !s) return false;
  x = std::max(x, 0);
  y = std::max(y, 0);
  const int64_t cw = std::min<int64_t>(w, int64_t{s->w} - x), ch = std::min<int64_t>(h, int64_t{s->h} - y);
  if (cw <= 0 || ch <= 0) return false;
  std::vector<uint32_t> px;
  const gpu::Rect rc{x, y, x + static_cast<int32_t>(cw), y + static_cast<int32_t>(ch)};
  if (!d->ReadPixels(Handle(*s), rc, px)) return false;
  out.Resize(static_cast<int32_t>(cw), static_cast<int32_t>(ch));
  if (out.Empty() || out.Pixels().size() != px.size()) return false;
  out.Pixels() = std::move(px);
  return true;
}

void Surface_Save(int32_t id, const std::string& fname, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (fname.empty()) return ShowActionError("Trying to save surface to empty image file name.", false);
  TBitmap32 bm;
  if (!Surface_Capture(id, x, y, w, h, bm)) return;
  const std::vector<uint8_t> bytes = PngName(fname) ? bm.SaveToPNG() : bm.SaveToBMP();
  if (bytes.empty()) return;
  // Writing errors are the game's to notice by the file's absence, as for screen_save.
  platform::ReplaceFileContents(fname, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

int32_t Surface_GetPixel(int32_t id, int32_t x, int32_t y) {
  const RSurface* s = Valid(id);
  if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return 0;
  TBitmap32 bm;
  if (!Surface_Capture(id, x, y, 1, 1, bm)) return 0;
  const uint32_t p = bm.GetPixel(0, 0);
  return static_cast<int32_t>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
}

bool Surface_CopyPart(int32_t dest, int32_t x, int32_t y, int32_t source, int32_t xs, int32_t ys, int32_t ws,
                      int32_t hs) {
  gpu::IDevice* d = D3DDevice();
  const RSurface* to = Valid(dest);
  const RSurface* from = Valid(source);
  if (!d || !to || !from) return false;
  // In 64 bits: game values may be anything.
  int64_t dx = x, dy = y, sx = xs, sy = ys, w = ws, h = hs;
  if (sx < 0) dx -= sx, w += sx, sx = 0;
  if (sy < 0) dy -= sy, h += sy, sy = 0;
  w = std::min(w, from->w - sx);
  h = std::min(h, from->h - sy);
  if (dx < 0) sx -= dx, w += dx, dx = 0;
  if (dy < 0) sy -= dy, h += dy, dy = 0;
  w = std::min(w, to->w - dx);
  h = std::min(h, to->h - dy);
  if (w <= 0 || h <= 0) return false;
  const gpu::Rect rc{static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(sx + w),
                     static_cast<int32_t>(sy + h)};
  return d->CopyRect(Handle(*from), rc, Handle(*to), static_cast<int32_t>(dx), static_cast<int32_t>(dy));
}
