// The graphics device the runner draws through: a small fixed-function 3D device with the
// states, vertex formats and surfaces the graphics subsystem uses. Coordinates, pixel centres,
// colours (0xAARRGGBB, bytes b, g, r, a) and matrices (row vectors, left-handed) follow the
// conventions the game drawing was written for; backends translate. Render and stage states
// are cached and reach the backend only when something is drawn.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {
class TWindow;
}

namespace platform::gpu {

// Row-vector 4 × 4 matrix: m[row][column], a point p becomes p × m.
struct Matrix {
  std::array<std::array<float, 4>, 4> m{};
  static Matrix Identity();
  Matrix operator*(const Matrix& b) const;
  bool operator==(const Matrix&) const = default;
};

enum class EPrimitive : int32_t { PointList = 1, LineList, LineStrip, TriangleList, TriangleStrip, TriangleFan };

// Vertex layouts, tightly packed, little-endian 32-bit fields.
enum class EVertexFormat : int32_t {
  Colored,         // x, y, z, colour: 16 bytes
  Textured,        // x, y, z, colour, u, v: 24 bytes
  NormalTextured,  // x, y, z, nx, ny, nz, colour, u, v: 36 bytes
};
int32_t VertexSize(EVertexFormat format);
// Vertices a primitive count needs (0 when the count is not positive).
int32_t VertexCount(EPrimitive type, int32_t primitives);

enum class ETransform : int32_t { World, View, Projection };

enum class ECmp : int32_t { Never = 1, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };
// Blend factors by their conventional numbers; BothSrcAlpha and BothInvSrcAlpha set both sides.
enum class EBlend : int32_t {
  Zero = 1, One, SrcColor, InvSrcColor, SrcAlpha, InvSrcAlpha, DestAlpha, InvDestAlpha, DestColor,
  InvDestColor, SrcAlphaSat, BothSrcAlpha, BothInvSrcAlpha
};
enum class ECull : int32_t { None = 1, CW, CCW };
enum class EFog : int32_t { None = 0, Linear = 3 };  // table (per pixel) or vertex linear fog
enum class EShade : int32_t { Flat = 1, Gouraud = 2 };
enum class EColorOp : int32_t { SelectArg1 = 2, Modulate = 4 };
enum class EFilter : int32_t { Point = 1, Linear = 2 };
enum class EAddress : int32_t { Wrap = 1, Clamp = 3 };

struct RenderStates {
  bool alphaBlend = false;
  EBlend srcBlend = EBlend::One;
  EBlend destBlend = EBlend::Zero;
  bool alphaTest = false;
  ECmp alphaFunc = ECmp::Always;
  int32_t alphaRef = 0;
  bool zEnable = false;
  bool zWrite = true;
  ECmp zFunc = ECmp::LessEqual;
  ECull cull = ECull::CCW;
  bool lighting = true;
  uint32_t ambient = 0;  // global ambient light
  bool normalize = false;
  EShade shade = EShade::Gouraud;
  bool fogEnable = false;
  EFog fogTable = EFog::None;
  EFog fogVertex = EFog::None;
  bool rangeFog = false;
  uint32_t fogColor = 0;
  float fogStart = 0.0f;
  float fogEnd = 1.0f;
  bool operator==(const RenderStates&) const = default;
};

// Stage 0, the only texture stage in use.
struct StageStates {
  EColorOp colorOp = EColorOp::Modulate;
  EColorOp alphaOp = EColorOp::SelectArg1;
  EFilter magFilter = EFilter::Point;
  EFilter minFilter = EFilter::Point;
  EAddress addressU = EAddress::Wrap;
  EAddress addressV = EAddress::Wrap;
  bool operator==(const StageStates&) const = default;
};

struct Color4 {
  float r = 0, g = 0, b = 0, a = 0;
};
struct Vec3 {
  float x = 0, y = 0, z = 0;
};

enum class ELight : int32_t { Point = 1, Spot = 2, Directional = 3 };
struct Light {
  ELight type = ELight::Directional;
  Color4 diffuse{1, 1, 1, 0};
  Color4 specular;
  Color4 ambient;
  Vec3 position;
  Vec3 direction{0, 0, 1};
  float range = 0;
  float falloff = 0;
  float attenuation0 = 0, attenuation1 = 0, attenuation2 = 0;
  float theta = 0, phi = 0;
};
struct Material {
  Color4 diffuse{1, 1, 1, 1};
  Color4 ambient{1, 1, 1, 1};
  Color4 specular;
  Color4 emissive;
  float power = 0;
};
constexpr int kMaxLights = 8;

struct Viewport {
  int32_t x = 0, y = 0, width = 0, height = 0;
  float minZ = 0.0f, maxZ = 1.0f;
  bool operator==(const Viewport&) const = default;
};

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
};

// Handles: 0 is none. A texture handle also names its level-0 surface.
using TextureHandle = int32_t;
using BufferHandle = int32_t;
using DepthHandle = int32_t;
// The back buffer as a surface.
constexpr TextureHandle kBackBuffer = -1;

enum EClear : uint32_t { ClearTarget = 1, ClearZBuffer = 2, ClearStencil = 4 };

// What presenting produces for a window: the client area's pixels, top row first.
struct WindowImage {
  int32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

struct DeviceCaps {
  int32_t maxTextureSize = 4096;
  int32_t maxPrimitiveCount = 65535;
  bool tableFog = true;
  bool vertexFog = true;
  bool rangeFog = false;
  bool powerOfTwoTextures = true;  // textures are padded to powers of two
  uint32_t multisampleMask = 0;    // bit n set: n samples supported (2, 4, 8, 16)
};

class IDevice {
 public:
  virtual ~IDevice() = default;

  // Back buffer of the given size (with a depth-stencil buffer); clears all states to their
  // defaults. A reset keeps managed textures and vertex buffers and frees render targets and
  // depth surfaces. multisample 0 or 1: none.
  virtual bool Reset(int32_t backWidth, int32_t backHeight, int32_t multisample) = 0;
  virtual const DeviceCaps& Caps() const = 0;
  virtual bool MultisampleSupported(int32_t samples) const = 0;

  // States. Getters answer the cached values.
  virtual void SetRenderStates(const RenderStates& states) = 0;
  virtual const RenderStates& GetRenderStates() const = 0;
  virtual void SetStageStates(const StageStates& states) = 0;
  virtual const StageStates& GetStageStates() const = 0;
  virtual void SetTransform(ETransform which, const Matrix& m) = 0;
  virtual const Matrix& GetTransform(ETransform which) const = 0;
  virtual void SetViewport(const Viewport& vp) = 0;
  virtual const Viewport& GetViewport() const = 0;
  virtual void SetLight(int32_t index, const Light& light) = 0;
  virtual void LightEnable(int32_t index, bool on) = 0;
  virtual void SetMaterial(const Material& material) = 0;

  virtual void BeginScene() = 0;
  virtual void EndScene() = 0;
  // Clears the viewport of the current target.
  virtual void Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil) = 0;

  // Drawing from memory and from vertex buffers. Nothing happens for a count ≤ 0 or a vertex
  // block too short for it.
  virtual void SetTexture(TextureHandle tex) = 0;
  virtual void DrawPrimitiveUP(EPrimitive type, int32_t primitives, EVertexFormat format, const void* vertices,
                               size_t bytes) = 0;
  virtual BufferHandle CreateVertexBuffer(size_t bytes) = 0;
  virtual bool UpdateVertexBuffer(BufferHandle vb, size_t offset, const void* data, size_t bytes) = 0;
  virtual void ReleaseVertexBuffer(BufferHandle vb) = 0;
  virtual void DrawPrimitive(BufferHandle vb, EPrimitive type, int32_t firstVertex, int32_t primitives,
                             EVertexFormat format) = 0;

  // Textures: 32-bit ARGB, one level. Sizes are used as given (see Caps for the rounding rule).
  virtual TextureHandle CreateTexture(int32_t width, int32_t height, bool renderTarget) = 0;
  virtual void ReleaseTexture(TextureHandle tex) = 0;
  virtual bool TextureSize(TextureHandle tex, int32_t& width, int32_t& height) const = 0;
  // Writes a block of pixels (pitch in pixels) into the texture's top-left area at (x, y).
  virtual bool UpdateTexture(TextureHandle tex, int32_t x, int32_t y, int32_t width, int32_t height,
                             const uint32_t* pixels, int32_t pitch) = 0;

  // Surfaces: the back buffer or a render-target texture; depth surfaces of their own.
  virtual bool SetRenderTarget(TextureHandle target, DepthHandle depth) = 0;
  virtual TextureHandle GetRenderTarget() const = 0;
  virtual DepthHandle CreateDepthSurface(int32_t width, int32_t height) = 0;
  virtual void ReleaseDepthSurface(DepthHandle depth) = 0;
  // Copies a rectangle between surfaces without scaling; clipped to both.
  virtual bool CopyRect(TextureHandle source, const Rect& from, TextureHandle dest, int32_t x, int32_t y) = 0;
  // Reads a rectangle of a surface, top row first; false when it lies outside the surface.
  virtual bool ReadPixels(TextureHandle source, const Rect& rect, std::vector<uint32_t>& out) = 0;

  // Composes a window's client area: the band colour (0xRRGGBB in the back buffer's byte
  // order, i.e. 0x00RRGGBB) everywhere, and the back buffer's source rectangle scaled into the
  // destination rectangle (which may reach outside the client area).
  virtual bool Present(const Rect& source, const Rect& dest, int32_t clientWidth, int32_t clientHeight,
                       uint32_t bandColor, bool linear, WindowImage& out) = 0;

  // Shows the frame in a window made for drawing on the GPU: the band colour over the drawable,
  // the source rectangle scaled into dest (client coordinates of a clientWidth x clientHeight
  // area), then a buffer swap; nothing comes back to memory. With vsync the swap waits for the
  // display where the driver allows; synced tells whether it does. False when this window cannot
  // be drawn into this way (then Present and the window's own picture are the way).
  virtual bool PresentToWindow(const Rect& source, const Rect& dest, int32_t clientWidth, int32_t clientHeight,
                               uint32_t bandColor, bool linear, const TWindow& window, bool vsync, bool& synced) {
    (void)source, (void)dest, (void)clientWidth, (void)clientHeight, (void)bandColor, (void)linear, (void)window;
    (void)vsync;
    synced = false;
    return false;
  }

  // Draw calls that reached the backend since the device was made.
  virtual int64_t DrawCalls() const { return 0; }
  // Pictures copied from the GPU into memory since the device was made (ReadPixels, Present):
  // each one stalls the pipeline, so only what asks for pixels should cause one.
  virtual int64_t ReadBacks() const { return 0; }
  // False for a device that draws nothing, whose reads would only give black.
  virtual bool HoldsPixels() const { return true; }
};

enum class EBackend { Auto, OpenGL, Null };
// Auto: OpenGL when a context can be made, else the null device (which keeps state only and
// reads back black). Returns null only when OpenGL was asked for and is not available.
std::unique_ptr<IDevice> CreateDevice(EBackend backend = EBackend::Auto);
std::unique_ptr<IDevice> CreateNullDevice();
std::unique_ptr<IDevice> CreateGlDevice();  // null without OpenGL 3.3
// Merges consecutive triangle draws from memory that share texture, vertex format and every
// state into one draw of a triangle list, kept until anything else happens; CreateDevice's
// devices come wrapped in it.
std::unique_ptr<IDevice> CreateBatchingDevice(std::unique_ptr<IDevice> inner);

}  // namespace platform::gpu
