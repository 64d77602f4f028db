// Texture table, uploads with the edge column and row, and the textured quads.
#include "runner/graphics/Graphics_Texture.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "runner/base/BM32_Bitmap.h"
#include "runner/base/Game.h"
#include "runner/graphics/Graphics_D3D.h"

namespace gpu = platform::gpu;

namespace {
// The texture table of the game's device and the depth quads are drawn at.
struct RTextureState {
  static constexpr EGameSlot kSlot = EGameSlot::Textures;
  std::vector<RTexture> textures;
  double depth = 0.0;
};
RTextureState& TextureState() { return TheGame().State<RTextureState>(); }

struct QuadVertex {
  float x, y, z;
  uint32_t c;
  float u, v;
};
static_assert(sizeof(QuadVertex) == 24);

RTexture* Valid(int32_t id) {
  std::vector<RTexture>& table = TextureState().textures;
  if (id < 0 || id >= static_cast<int32_t>(table.size())) return nullptr;
  RTexture& t = table[static_cast<size_t>(id)];
  return t.used ? &t : nullptr;
}

int32_t RoundInt(double v) {
  if (!(v > -2147483648.0 && v < 2147483647.0)) return 0;
  return static_cast<int32_t>(std::nearbyint(v));
}

// Common steps: clamp addressing, the texture on stage 0, a fan of four vertices (top-left,
// top-right, bottom-right, bottom-left).
void DrawQuad(const RTexture& t, const QuadVertex (&v)[4]) {
  gpu::IDevice* d = D3DDevice();
  if (!d) return;
  gpu::StageStates ss = d->GetStageStates();
  ss.addressU = ss.addressV = gpu::EAddress::Clamp;
  d->SetStageStates(ss);
  d->SetTexture(t.tex);
  d->DrawPrimitiveUP(gpu::EPrimitive::TriangleFan, 2, gpu::EVertexFormat::Textured, v, sizeof v);
}

// A local rectangle turned by angle (radians, counter-clockwise on screen) about (x, y).
void Corners(double x, double y, double l, double t, double r, double b, double angle, QuadVertex (&v)[4]) {
  const double lx[4] = {l, r, r, l}, ly[4] = {t, t, b, b};
  const bool turn = std::fabs(angle) >= 0.001;
  const double c = std::cos(angle), s = std::sin(angle);
  for (int i = 0; i < 4; ++i) {
    double px = x + lx[i], py = y + ly[i];
    if (turn) {
      px = x + lx[i] * c + ly[i] * s;
      py = y - lx[i] * s + ly[i] * c;
    }
    v[i].x = static_cast<float>(px);
    v[i].y = static_cast<float>(py);
    v[i].z = static_cast<float>(TextureState().depth);
  }
}

void Uv(QuadVertex (&v)[4], double u0, double v0, double u1, double v1) {
  v[0].u = v[3].u = static_cast<float>(u0);
  v[1].u = v[2].u = static_cast<float>(u1);
  v[0].v = v[1].v = static_cast<float>(v0);
  v[2].v = v[3].v = static_cast<float>(v1);
}

void Color(QuadVertex (&v)[4], uint32_t c) {
  for (auto& q : v) q.c = c;
}
}  // namespace

void Texture_ClearTable() {
  if (gpu::IDevice* d = D3DDevice())
    for (const RTexture& t : TextureState().textures)
      if (t.used) d->ReleaseTexture(t.tex);
  TextureState().textures.clear();
}

int32_t Texture_Count() { return static_cast<int32_t>(TextureState().textures.size()); }
const RTexture* Texture_Get(int32_t id) { return Valid(id); }

int32_t Texture_Create(int32_t w, int32_t h, bool renderTarget) {
  gpu::IDevice* d = D3DDevice();
  if (!d) return -1;
  std::vector<RTexture>& table = TextureState().textures;
  auto slot = std::find_if(table.begin(), table.end(), [](const RTexture& t) { return !t.used; });
  if (slot == table.end()) {
    table.emplace_back();
    slot = table.end() - 1;
  }
  const int32_t id = static_cast<int32_t>(slot - table.begin());
  int32_t wt = w, ht = h;
  if (!CheckTextureRequirements(d->Caps(), wt, ht)) return -1;
  const gpu::TextureHandle tex = d->CreateTexture(wt, ht, renderTarget);
  if (tex == 0) return -1;
  table[static_cast<size_t>(id)] = RTexture{tex, w, h, wt, ht, true};
  return id;
}

bool Texture_LoadPixels(int32_t id, const uint32_t* pixels, int32_t w, int32_t h) {
  RTexture* t = Valid(id);
  gpu::IDevice* d = D3DDevice();
  if (!t || !d || !pixels || w <= 0 || h <= 0) return false;
  if (w == t->wt && h == t->ht) return d->UpdateTexture(t->tex, 0, 0, w, h, pixels, w);
  // The texture is larger: one more column and row, copies of the last ones.
  const int32_t bw = std::min(w + 1, t->wt), bh = std::min(h + 1, t->ht);
  if (bw < w || bh < h) return false;  // the image does not fit the texture
  std::vector<uint32_t> block(static_cast<size_t>(bw) * static_cast<size_t>(bh));
  for (int32_t y = 0; y < bh; ++y) {
    const uint32_t* src = pixels + static_cast<size_t>(std::min(y, h - 1)) * static_cast<size_t>(w);
    uint32_t* dst = block.data() + static_cast<size_t>(y) * static_cast<size_t>(bw);
    std::copy(src, src + w, dst);
    if (bw > w) dst[w] = src[w - 1];
  }
  return d->UpdateTexture(t->tex, 0, 0, bw, bh, block.data(), bw);
}

int32_t Texture_FromBitmap(const TBitmap32* bitmap) {
  if (!bitmap) return -1;
  const int32_t id = Texture_Create(bitmap->Width(), bitmap->Height(), false);
  if (id < 0) return -1;
  if (!Texture_LoadPixels(id, bitmap->Pixels().data(), bitmap->Width(), bitmap->Height())) {
    Texture_Free(id);
    return -1;
  }
  return id;
}

int32_t Texture_FromAlphaMap(int32_t w, int32_t h, const uint8_t* bytes) {
  if (!bytes || w <= 0 || h <= 0 || int64_t{w} * h > TBitmap32::kMaxPixels) return -1;
  std::vector<uint32_t> px(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (size_t i = 0; i < px.size(); ++i) px[i] = (uint32_t{bytes[i]} << 24) | 0xFFFFFFu;
  const int32_t id = Texture_Create(w, h, false);
  if (id < 0) return -1;
  if (!Texture_LoadPixels(id, px.data(), w, h)) {
    Texture_Free(id);
    return -1;
  }
  return id;
}

void Texture_Free(int32_t id) {
  RTexture* t = Valid(id);
  if (!t) return;
  if (gpu::IDevice* d = D3DDevice()) d->ReleaseTexture(t->tex);
  *t = RTexture{};
}

bool Texture_Exists(int32_t id) { return Valid(id) != nullptr; }

double Texture_Width(int32_t id) {
  const RTexture* t = Valid(id);
  return t && t->wt > 0 ? static_cast<double>(t->w) / t->wt : 1.0;
}

double Texture_Height(int32_t id) {
  const RTexture* t = Valid(id);
  return t && t->ht > 0 ? static_cast<double>(t->h) / t->ht : 1.0;
}

// Textures live where the device keeps them; there is nothing to move or rank.
void Texture_Preload(int32_t) {}
void Texture_SetPriority(int32_t, int32_t) {}

void Texture_Bind(int32_t id) {
  gpu::IDevice* d = D3DDevice();
  if (!d) return;
  const RTexture* t = Valid(id);
  d->SetTexture(t ? t->tex : 0);
}

gpu::TextureHandle Texture_Surface(int32_t id) {
  const RTexture* t = Valid(id);
  return t ? t->tex : 0;
}

uint32_t QuadColor(int32_t col, double alpha) {
  const double a = std::isnan(alpha) ? 0.0 : std::nearbyint(std::clamp(alpha * 255.0, 0.0, 255.0));
  const uint32_t c = static_cast<uint32_t>(col);
  return (static_cast<uint32_t>(a) << 24) | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

void SetTextureDrawDepth(double depth) { TextureState().depth = depth; }
double TextureDrawDepth() { return TextureState().depth; }

void Texture_Draw(int32_t id, double x, double y) {
  const RTexture* t = Valid(id);
  if (!t) return;
  QuadVertex v[4];
  Corners(x, y, -0.5, -0.5, t->w - 0.5, t->h - 0.5, 0.0, v);
  Color(v, 0xFFFFFFFF);
  Uv(v, 0, 0, static_cast<double>(t->w) / t->wt, static_cast<double>(t->h) / t->ht);
  DrawQuad(*t, v);
}

void Texture_DrawTransformed(int32_t id, int32_t col, double xorig, double yorig, double x, double y, double xscale,
                             double yscale, double angle, double alpha) {
  const RTexture* t = Valid(id);
  if (!t) return;
  const double l = -xorig * xscale - 0.5, tp = -yorig * yscale - 0.5;
  QuadVertex v[4];
  Corners(x, y, l, tp, l + t->w * xscale, tp + t->h * yscale, angle, v);
  Color(v, QuadColor(col, alpha));
  Uv(v, 0, 0, static_cast<double>(t->w) / t->wt, static_cast<double>(t->h) / t->ht);
  DrawQuad(*t, v);
}

void Texture_DrawPartTransformed(int32_t id, int32_t col, double left, double top, double width, double height,
                                 double xorig, double yorig, double x, double y, double xscale, double yscale,
                                 double angle, double alpha) {
  const RTexture* t = Valid(id);
  if (!t) return;
  const double l = -xorig * xscale - 0.5, tp = -yorig * yscale - 0.5;
  QuadVertex v[4];
  Corners(x, y, l, tp, l + width * xscale, tp + height * yscale, angle, v);
  Color(v, QuadColor(col, alpha));
  Uv(v, left / t->wt, top / t->ht, (left + width) / t->wt, (top + height) / t->ht);
  DrawQuad(*t, v);
}

void Texture_DrawPart(int32_t id, int32_t col, double left, double top, double width, double height, double x,
                      double y, double xscale, double yscale, double angle, double alpha) {
  const RTexture* t = Valid(id);
  if (!t) return;
  QuadVertex v[4];
  if (std::fabs(angle) < 0.001) {
    Corners(x, y, 0, 0, width * xscale, height * yscale, 0.0, v);
    Uv(v, (left + 0.5) / t->wt, (top + 0.5) / t->ht, (left + width + 0.5) / t->wt, (top + height + 0.5) / t->ht);
  } else {
    Corners(x, y, -0.5, -0.5, width * xscale - 0.5, height * yscale - 0.5, angle, v);
    Uv(v, left / t->wt, top / t->ht, (left + width) / t->wt, (top + height) / t->ht);
  }
  Color(v, QuadColor(col, alpha));
  DrawQuad(*t, v);
}

void Texture_DrawGeneral(int32_t id, double left, double top, double width, double height, double x, double y,
                         double xscale, double yscale, double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                         double alpha) {
  const RTexture* t = Valid(id);
  if (!t) return;
  QuadVertex v[4];
  Corners(x, y, -0.5, -0.5, width * xscale - 0.5, height * yscale - 0.5, angle, v);
  Uv(v, left / t->wt, top / t->ht, (left + width) / t->wt, (top + height) / t->ht);
  v[0].c = QuadColor(c1, alpha);
  v[1].c = QuadColor(c2, alpha);
  v[2].c = QuadColor(c3, alpha);
  v[3].c = QuadColor(c4, alpha);
  DrawQuad(*t, v);
}

void Texture_DrawTiled(int32_t id, int32_t col, double xorig, double yorig, double x, double y, double xscale,
                       double yscale, bool htiled, bool vtiled, double xr, double yr, double wr, double hr,
                       double alpha) {
  const RTexture* t = Valid(id);
  if (!t) return;
  const int32_t tw = RoundInt(t->w * xscale), th = RoundInt(t->h * yscale);
  if (tw < 1 || th < 1) return;
  const double l = -xscale * xorig - 0.5, tp = -yscale * yorig - 0.5;
  const double r = l + t->w * xscale, b = tp + t->h * yscale;
  const uint32_t c = QuadColor(col, alpha);
  auto start = [](int32_t p, int32_t step, bool tiled, double edge) {
    int64_t s = p;
    if (tiled) {
      s = s % step;
      if (s >= 1) s -= step;
      // Forward whole steps while the next tile still starts before the edge.
      if (static_cast<double>(s + step) < edge) {
        const double k = std::ceil((edge - static_cast<double>(step) - static_cast<double>(s)) / step);
        if (k > 0 && k < 4e9) s += static_cast<int64_t>(k) * step;
      }
    }
    return s;
  };
  // A rectangle of absurd size would otherwise keep the loops going for ever.
  constexpr int32_t kMaxTiles = 1 << 16;
  int32_t columns = 0;
  // Copies go on while the copy itself, not its origin point, starts before the far edge: with
  // an origin the last copies would otherwise leave a strip as wide as the origin undrawn.
  const double ox = xscale * xorig, oy = yscale * yorig;
  for (int64_t cx = start(RoundInt(x), tw, htiled, xr); cx - ox < xr + wr && columns++ < kMaxTiles; cx += tw) {
    int32_t rows = 0;
    for (int64_t cy = start(RoundInt(y), th, vtiled, yr); cy - oy < yr + hr && rows++ < kMaxTiles; cy += th) {
      QuadVertex v[4];
      Corners(static_cast<double>(cx), static_cast<double>(cy), l, tp, r, b, 0.0, v);
      Color(v, c);
      Uv(v, 0, 0, static_cast<double>(t->w) / t->wt, static_cast<double>(t->h) / t->ht);
      DrawQuad(*t, v);
      if (!vtiled) break;
    }
    if (!htiled) break;
  }
}
