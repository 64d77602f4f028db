// The drawing colour, colour conversions and the untextured shapes, each drawn at once from a
// small vertex array in memory.
#include "runner/graphics/Graphics_Draw.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <numbers>

#include "runner/base/Game.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Texture.h"

namespace gpu = platform::gpu;

namespace {
struct Vertex {
  float x, y, z;
  uint32_t c;
};
static_assert(sizeof(Vertex) == 16);

struct TexVertex {
  float x, y, z;
  uint32_t c;
  float u, v;
};
static_assert(sizeof(TexVertex) == 24);

constexpr int32_t kMaxPrecision = 64;
constexpr int32_t kWhite = 0xFFFFFF;
constexpr int32_t kGrey = 0x808080;
constexpr int32_t kBlack = 0;

struct CircleTables {
  int32_t p = 0;
  std::array<double, kMaxPrecision + 1> cos{}, sin{};
  CircleTables() { Build(24); }
  void Build(int32_t precision) {
    p = precision;
    for (int32_t i = 0; i <= p; ++i) {
      const double a = 2.0 * std::numbers::pi * i / p;
      cos[static_cast<size_t>(i)] = std::cos(a);
      sin[static_cast<size_t>(i)] = std::sin(a);
    }
  }
};

struct Primitive {
  int32_t kind = 0;
  int32_t texture = -1;
  int32_t count = 0;
  std::array<TexVertex, kMaxPrimitiveVertices> v{};
};
// The drawing colour and alpha, the circle precision with its table for that precision, and
// the primitive being built.
struct RDrawState {
  static constexpr EGameSlot kSlot = EGameSlot::Draw;
  uint32_t color = 0xFF000000;
  double alpha = 1.0;
  CircleTables circle;
  Primitive prim;
};
RDrawState& DrawState() { return TheGame().State<RDrawState>(); }

// Coordinates from game code may be anything; a float cannot hold everything a double can.
float F(double v) {
  if (std::isnan(v)) return 0.0f;
  return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

uint32_t C(int32_t col) { return QuadColor(col, DrawState().alpha); }

Vertex V(double x, double y, uint32_t c) { return Vertex{F(x), F(y), F(TextureDrawDepth()), c}; }

template <size_t N>
void Draw(gpu::EPrimitive type, int32_t primitives, const std::array<Vertex, N>& v, size_t used = N) {
  gpu::IDevice* d = D3DDevice();
  if (!d) return;
  d->SetTexture(0);
  d->DrawPrimitiveUP(type, primitives, gpu::EVertexFormat::Colored, v.data(), used * sizeof(Vertex));
}

// Far rectangle edges on a whole number move just inside the pixel they name.
double Far(double v) { return v == std::trunc(v) ? v + 0.01 : v; }

// The box ordered, far edges offset.
void Box(double& x1, double& y1, double& x2, double& y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  x2 = Far(x2);
  y2 = Far(y2);
}

int32_t Channel(int32_t col, int shift) { return (col >> shift) & 0xFF; }

int32_t ToByte(double v) {
  if (!(v > 0.0)) return 0;
  return v >= 255.0 ? 255 : static_cast<int32_t>(v);
}

void Hsv(int32_t col, double& hue, double& sat, double& val) {
  const double r = Channel(col, 0) / 255.0, g = Channel(col, 8) / 255.0, b = Channel(col, 16) / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  val = mx;
  sat = mx > 0.0 ? (mx - mn) / mx : 0.0;
  hue = 0.0;
  if (sat == 0.0) return;
  const double d = mx - mn;
  if (r == mx)
    hue = (g - b) * 60.0 / d;
  else if (g == mx)
    hue = (b - r) * 60.0 / d + 120.0;
  else
    hue = (r - g) * 60.0 / d + 240.0;
  if (hue < 0.0) hue += 360.0;
}
}  // namespace

void Draw_SetColor(int32_t col) { DrawState().color = C(col); }

int32_t Draw_GetColor() {
  const uint32_t c = DrawState().color;
  return static_cast<int32_t>(((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16));
}

void Draw_SetAlpha(double alpha) {
  DrawState().alpha = std::isnan(alpha) ? 0.0 : std::clamp(alpha, 0.0, 1.0);
  DrawState().color = C(Draw_GetColor());
}

double Draw_GetAlpha() { return DrawState().alpha; }
uint32_t Draw_DeviceColor() { return DrawState().color; }


int32_t MakeColorHsv(double h, double s, double v) {
  double hue = h * 360.0 / 255.0;
  if (hue == 360.0) hue = 0.0;
  const double sat = s / 255.0, val = v / 255.0;
  double r = val, g = val, b = val;
  if (sat != 0.0) {
    const double sector = std::trunc(hue / 60.0);
    const double f = hue / 60.0 - sector;
    const double p = val * (1.0 - sat), q = val * (1.0 - sat * f), t = val * (1.0 - sat * (1.0 - f));
    const int k = sector >= 0.0 && sector <= 5.0 ? static_cast<int>(sector) : 5;
    switch (k) {
      case 0:
        r = val, g = t, b = p;
        break;
      case 1:
        r = q, g = val, b = p;
        break;
      case 2:
        r = p, g = val, b = t;
        break;
      case 3:
        r = p, g = q, b = val;
        break;
      case 4:
        r = t, g = p, b = val;
        break;
      default:
        r = val, g = p, b = q;
        break;
    }
  }
  // Out-of-range arguments stay inside their own channel.
  return ToByte(std::trunc(r * 255.0)) | ToByte(std::trunc(g * 255.0)) << 8 | ToByte(std::trunc(b * 255.0)) << 16;
}

int32_t ColorGetHue(int32_t col) {
  double h, s, v;
  Hsv(col, h, s, v);
  return static_cast<int32_t>(h * 255.0 / 360.0);
}

int32_t ColorGetSaturation(int32_t col) {
  double h, s, v;
  Hsv(col, h, s, v);
  return static_cast<int32_t>(s * 255.0);
}

int32_t ColorGetValue(int32_t col) {
  double h, s, v;
  Hsv(col, h, s, v);
  return static_cast<int32_t>(v * 255.0);
}

int32_t MergeColor(int32_t col1, int32_t col2, double amount) {
  int32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double c = Channel(col1, shift) * (1.0 - amount) + Channel(col2, shift) * amount;
    out |= ToByte(std::nearbyint(c)) << shift;
  }
  return out;
}

void Draw_Clear(int32_t col, double alpha) {
  if (gpu::IDevice* d = D3DDevice()) d->Clear(gpu::ClearTarget | gpu::ClearZBuffer, QuadColor(col, alpha), 1.0f, 0);
}

void Draw_Point(double x, double y) { Draw(gpu::EPrimitive::PointList, 1, std::array{V(x, y, DrawState().color)}); }

void Draw_PointColor(double x, double y, int32_t col) {
  Draw(gpu::EPrimitive::PointList, 1, std::array{V(x + 0.01, y + 0.01, C(col))});
}

void Draw_Line(double x1, double y1, double x2, double y2, int32_t col1, int32_t col2) {
  Draw(gpu::EPrimitive::LineList, 1, std::array{V(x1 + 0.01, y1 + 0.01, C(col1)), V(x2 + 0.01, y2 + 0.01, C(col2))});
}

void Draw_LineWidth(double x1, double y1, double x2, double y2, double w, int32_t col1, int32_t col2) {
  const double len = std::hypot(x2 - x1, y2 - y1);
  if (!(len > 0.0)) return;
  const double ox = (x2 - x1) * w / (2.0 * len), oy = (y2 - y1) * w / (2.0 * len);
  const uint32_t a = C(col1), b = C(col2);
  Draw(gpu::EPrimitive::TriangleFan, 2,
       std::array{V(x1 - oy, y1 + ox, a), V(x2 - oy, y2 + ox, b), V(x2 + oy, y2 - ox, b), V(x1 + oy, y1 - ox, a)});
}

void Draw_Rectangle(double x1, double y1, double x2, double y2, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                    bool outline) {
  Box(x1, y1, x2, y2);
  const std::array v{V(x1, y1, C(c1)), V(x2, y1, C(c2)), V(x2, y2, C(c3)), V(x1, y2, C(c4)), V(x1, y1, C(c1))};
  if (outline)
    Draw(gpu::EPrimitive::LineStrip, 4, v);
  else
    Draw(gpu::EPrimitive::TriangleFan, 2, v, 4);
}

void Draw_RoundRect(double x1, double y1, double x2, double y2, int32_t centre, int32_t edge, bool outline) {
  const CircleTables& circle = DrawState().circle;
  Box(x1, y1, x2, y2);
  const double w = x2 - x1, h = y2 - y1;
  const double rx = std::min(10.0, w), ry = std::min(10.0, h);
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  const double dx = (w - rx) / 2.0, dy = (h - ry) / 2.0;
  const int32_t quarter = circle.p / 4;
  // Quarters in table order: bottom-right, bottom-left, top-left, top-right (y grows down).
  constexpr double kSx[4] = {1, -1, -1, 1}, kSy[4] = {1, 1, -1, -1};
  std::array<Vertex, 4 * (kMaxPrecision / 4 + 1) + 2> v{};
  size_t n = 0;
  v[n++] = V(cx, cy, C(centre));
  const uint32_t e = C(edge);
  for (int32_t q = 0; q < 4; ++q)
    for (int32_t i = q * quarter; i <= (q + 1) * quarter; ++i)
      v[n++] = V(cx + kSx[q] * dx + rx / 2.0 * circle.cos[static_cast<size_t>(i)],
                 cy + kSy[q] * dy + ry / 2.0 * circle.sin[static_cast<size_t>(i)], e);
  v[n++] = v[1];
  const int32_t ring = static_cast<int32_t>(n) - 2;  // perimeter points before the closing one
  if (outline) {
    gpu::IDevice* d = D3DDevice();
    if (!d) return;
    d->SetTexture(0);
    d->DrawPrimitiveUP(gpu::EPrimitive::LineStrip, ring, gpu::EVertexFormat::Colored, v.data() + 1,
                       (n - 1) * sizeof(Vertex));
  } else {
    Draw(gpu::EPrimitive::TriangleFan, ring, v, n);
  }
}

void Draw_Triangle(double x1, double y1, double x2, double y2, double x3, double y3, int32_t c1, int32_t c2, int32_t c3,
                   bool outline) {
  const std::array v{V(x1, y1, C(c1)), V(x2, y2, C(c2)), V(x3, y3, C(c3)), V(x1, y1, C(c1))};
  if (outline)
    Draw(gpu::EPrimitive::LineStrip, 3, v);
  else
    Draw(gpu::EPrimitive::TriangleList, 1, v, 3);
}

void Draw_Ellipse(double x1, double y1, double x2, double y2, int32_t centre, int32_t edge, bool outline) {
  const CircleTables& circle = DrawState().circle;
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  const double rx = std::fabs(x2 - x1) / 2.0, ry = std::fabs(y2 - y1) / 2.0;
  const int32_t p = circle.p;
  std::array<Vertex, kMaxPrecision + 2> v{};
  v[0] = V(cx, cy, C(centre));
  const uint32_t e = C(edge);
  for (int32_t i = 0; i <= p; ++i)
    v[static_cast<size_t>(i) + 1] =
        V(cx + rx * circle.cos[static_cast<size_t>(i)], cy + ry * circle.sin[static_cast<size_t>(i)], e);
  const size_t n = static_cast<size_t>(p) + 2;
  if (outline) {
    gpu::IDevice* d = D3DDevice();
    if (!d) return;
    d->SetTexture(0);
    d->DrawPrimitiveUP(gpu::EPrimitive::LineStrip, p, gpu::EVertexFormat::Colored, v.data() + 1,
                       (n - 1) * sizeof(Vertex));
  } else {
    Draw(gpu::EPrimitive::TriangleFan, p, v, n);
  }
}

void Draw_Arrow(double x1, double y1, double x2, double y2, double size) {
  const double len = std::hypot(x2 - x1, y2 - y1);
  if (!(len > 0.0)) return;
  const int32_t col = Draw_GetColor();
  Draw_Line(x1, y1, x2, y2, col, col);
  const double s = std::min(size, len);
  const double dx = (x2 - x1) * s / len, dy = (y2 - y1) * s / len;
  Draw_Triangle(x2, y2, x2 - dx - dy / 3.0, y2 - dy + dx / 3.0, x2 - dx + dy / 3.0, y2 - dy - dx / 3.0, col, col, col,
                false);
}

void Draw_Button(double x1, double y1, double x2, double y2, bool up) {
  const uint32_t light = C(up ? kWhite : kGrey), dark = C(up ? kGrey : kWhite);
  Draw(gpu::EPrimitive::TriangleList, 2,
       std::array{V(x1, y1, light), V(x2, y1, light), V(x1, y2, light), V(x1, y2, dark), V(x2, y1, dark),
                  V(x2, y2, dark)});
  const int32_t col = Draw_GetColor();
  Draw_Rectangle(x1 + 2, y1 + 2, x2 - 2, y2 - 2, col, col, col, col, false);
}

void Draw_Healthbar(double x1, double y1, double x2, double y2, double amount, int32_t backcol, int32_t mincol,
                    int32_t maxcol, int32_t direction, bool showback, bool showborder) {
  Draw_HealthbarColors(x1, y1, x2, y2, amount, backcol, mincol, MergeColor(mincol, maxcol, 0.5), maxcol, direction,
                       showback, showborder);
}

void Draw_HealthbarColors(double x1, double y1, double x2, double y2, double amount, int32_t backcol, int32_t mincol,
                          int32_t mid, int32_t maxcol, int32_t direction, bool showback, bool showborder) {
  amount = std::isnan(amount) ? 0.0 : std::clamp(amount, 0.0, 100.0);
  if (showback) {
    Draw_Rectangle(x1, y1, x2, y2, backcol, backcol, backcol, backcol, false);
    if (showborder) Draw_Rectangle(x1, y1, x2, y2, kBlack, kBlack, kBlack, kBlack, true);
  }
  const double part = amount / 100.0;
  switch (direction) {
    case 1:
      x1 = x2 - (x2 - x1) * part;
      break;
    case 2:
      y2 = y1 + (y2 - y1) * part;
      break;
    case 3:
      y1 = y2 - (y2 - y1) * part;
      break;
    default:
      x2 = x1 + (x2 - x1) * part;
      break;
  }
  const int32_t col =
      amount <= 50.0 ? MergeColor(mincol, mid, amount / 50.0) : MergeColor(mid, maxcol, (amount - 50.0) / 50.0);
  Draw_Rectangle(x1, y1, x2, y2, col, col, col, col, false);
  if (showborder) Draw_Rectangle(x1, y1, x2, y2, kBlack, kBlack, kBlack, kBlack, true);
}

void Draw_SetCirclePrecision(int32_t precision) { DrawState().circle.Build(std::clamp(precision, 4, kMaxPrecision) / 4 * 4); }

int32_t Draw_CirclePrecision() { return DrawState().circle.p; }

void Draw_PrimitiveBegin(int32_t kind, int32_t texture) {
  Primitive& prim = DrawState().prim;
  prim.kind = kind;
  prim.texture = texture;
  prim.count = 0;
}

void Draw_Vertex(double x, double y, double u, double v, int32_t col, double alpha) {
  Primitive& prim = DrawState().prim;
  if (prim.count >= kMaxPrimitiveVertices) return;
  prim.v[static_cast<size_t>(prim.count++)] =
      TexVertex{F(x), F(y), F(TextureDrawDepth()), QuadColor(col, alpha), F(u), F(v)};
}

int32_t Draw_PrimitiveVertexCount() { return DrawState().prim.count; }

void Draw_PrimitiveEnd() {
  Primitive& prim = DrawState().prim;
  const int32_t n = prim.count;
  int32_t primitives = 0;
  switch (prim.kind) {
    case 1:
      primitives = n;
      break;
    case 2:
      primitives = n / 2;
      break;
    case 3:
      primitives = n - 1;
      break;
    case 4:
      primitives = n / 3;
      break;
    case 5:
    case 6:
      primitives = n - 2;
      break;
    default:
      return;
  }
  gpu::IDevice* d = D3DDevice();
  if (!d || primitives <= 0) return;
  Texture_Bind(prim.texture);
  d->DrawPrimitiveUP(static_cast<gpu::EPrimitive>(prim.kind), primitives, gpu::EVertexFormat::Textured,
                     prim.v.data(), static_cast<size_t>(n) * sizeof(TexVertex));
  Texture_Bind(-1);
}
