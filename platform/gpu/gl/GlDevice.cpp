// The device over OpenGL 3.3 core (entry points through libepoxy, the context from SDL on a
// hidden window of its own). Everything is drawn into framebuffers whose row 0 is the image's
// top row; one matrix after the projection moves pixel centres to where the game's drawing
// expects them, flips y and maps depth 0..1. One shader stands in for the fixed-function
// stages: blend factors and depth are GL state, the rest (texture operations, alpha test, fog,
// lighting) is in the shader. Presenting into a window made for OpenGL blits the frame into its
// drawable and swaps; for any other window the client area is composed in a framebuffer of its
// own and read back.
#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/gpu/DeviceBase.h"
#include "platform/video/Video.h"
#include "platform/window/Window.h"

namespace platform::gpu {
namespace {

constexpr const char* kVertexShader = R"(
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColor;
layout(location = 3) in vec2 aUV;
uniform mat4 uWorld, uView, uProj, uFix;
uniform bool uLighting, uNormalize;
uniform vec3 uAmbient, uMatAmbient, uMatEmissive;
uniform int uLightCount;
uniform int uLightType[8];
uniform vec3 uLightDiffuse[8], uLightAmbient[8], uLightPos[8], uLightDir[8];
uniform vec4 uLightAtt[8];  // a0, a1, a2, range
SHADE out vec4 vColor;
out vec2 vUV;
out float vDepth;
void main() {
  vec4 world = uWorld * vec4(aPos, 1.0);
  vec4 eye = uView * world;
  gl_Position = uFix * (uProj * eye);
  vUV = aUV;
  vDepth = eye.z;
  vec4 c = aColor;
  if (uLighting) {
    vec3 n = mat3(uWorld) * aNormal;
    if (uNormalize && dot(n, n) > 0.0) n = normalize(n);
    vec3 diffuse = vec3(0.0);
    vec3 ambient = uAmbient;
    for (int i = 0; i < uLightCount; ++i) {
      vec3 l;
      float att = 1.0;
      if (uLightType[i] == 3) {
        l = -normalize(uLightDir[i]);
      } else {
        vec3 d = uLightPos[i] - world.xyz;
        float dist = length(d);
        if (dist > uLightAtt[i].w) continue;
        l = d / max(dist, 1e-6);
        float den = uLightAtt[i].x + uLightAtt[i].y * dist + uLightAtt[i].z * dist * dist;
        att = den > 0.0 ? 1.0 / den : 1.0;
      }
      diffuse += uLightDiffuse[i] * max(dot(n, l), 0.0) * att;
      ambient += uLightAmbient[i] * att;
    }
    c.rgb = clamp(c.rgb * diffuse + uMatAmbient * ambient + uMatEmissive, 0.0, 1.0);
  }
  vColor = c;
}
)";

constexpr const char* kFragmentShader = R"(
SHADE in vec4 vColor;
in vec2 vUV;
in float vDepth;
uniform sampler2D uTex;
uniform bool uTextured, uAlphaTest, uFog;
uniform int uColorOp, uAlphaOp, uAlphaFunc;
uniform float uAlphaRef;
uniform vec3 uFogColor;
uniform float uFogStart, uFogEnd;
out vec4 oColor;
bool Passes(int f, float a, float r) {
  if (f == 1) return false;
  if (f == 2) return a < r;
  if (f == 3) return a == r;
  if (f == 4) return a <= r;
  if (f == 5) return a > r;
  if (f == 6) return a != r;
  if (f == 7) return a >= r;
  return true;
}
void main() {
  vec4 c = vColor;
  if (uTextured) {
    vec4 t = texture(uTex, vUV);
    c.rgb = uColorOp == 4 ? t.rgb * c.rgb : t.rgb;
    c.a = uAlphaOp == 4 ? t.a * c.a : t.a;
  }
  if (uAlphaTest && !Passes(uAlphaFunc, floor(c.a * 255.0 + 0.5), uAlphaRef)) discard;
  if (uFog) {
    float f = uFogEnd > uFogStart ? clamp((uFogEnd - vDepth) / (uFogEnd - uFogStart), 0.0, 1.0)
                                  : (vDepth < uFogEnd ? 1.0 : 0.0);
    c.rgb = mix(uFogColor, c.rgb, f);
  }
  oColor = c;
}
)";

GLuint Compile(GLenum kind, const char* body, bool flat) {
  const std::string src = std::string("#version 330 core\n#define SHADE ") + (flat ? "flat" : "") + "\n" + body;
  const GLuint s = glCreateShader(kind);
  const char* p = src.c_str();
  glShaderSource(s, 1, &p, nullptr);
  glCompileShader(s);
  GLint ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    glDeleteShader(s);
    return 0;
  }
  return s;
}

// Uniform locations of one program variant.
struct Program {
  GLuint id = 0;
  GLint world, view, proj, fix, lighting, normalize, ambient, matAmbient, matEmissive, lightCount;
  GLint lightType, lightDiffuse, lightAmbient, lightPos, lightDir, lightAtt;
  GLint tex, textured, alphaTest, fog, colorOp, alphaOp, alphaFunc, alphaRef, fogColor, fogStart, fogEnd;

  bool Build(bool flat) {
    const GLuint vs = Compile(GL_VERTEX_SHADER, kVertexShader, flat);
    const GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentShader, flat);
    if (!vs || !fs) {
      if (vs) glDeleteShader(vs);
      if (fs) glDeleteShader(fs);
      return false;
    }
    id = glCreateProgram();
    glAttachShader(id, vs);
    glAttachShader(id, fs);
    glLinkProgram(id);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(id, GL_LINK_STATUS, &ok);
    if (!ok) return false;
    auto at = [this](const char* n) { return glGetUniformLocation(id, n); };
    world = at("uWorld"), view = at("uView"), proj = at("uProj"), fix = at("uFix");
    lighting = at("uLighting"), normalize = at("uNormalize"), ambient = at("uAmbient");
    matAmbient = at("uMatAmbient"), matEmissive = at("uMatEmissive"), lightCount = at("uLightCount");
    lightType = at("uLightType"), lightDiffuse = at("uLightDiffuse"), lightAmbient = at("uLightAmbient");
    lightPos = at("uLightPos"), lightDir = at("uLightDir"), lightAtt = at("uLightAtt");
    tex = at("uTex"), textured = at("uTextured"), alphaTest = at("uAlphaTest"), fog = at("uFog");
    colorOp = at("uColorOp"), alphaOp = at("uAlphaOp"), alphaFunc = at("uAlphaFunc"), alphaRef = at("uAlphaRef");
    fogColor = at("uFogColor"), fogStart = at("uFogStart"), fogEnd = at("uFogEnd");
    return true;
  }
};

GLenum BlendFactor(EBlend b) {
  switch (b) {
    case EBlend::Zero: return GL_ZERO;
    case EBlend::One: return GL_ONE;
    case EBlend::SrcColor: return GL_SRC_COLOR;
    case EBlend::InvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case EBlend::SrcAlpha: return GL_SRC_ALPHA;
    case EBlend::InvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case EBlend::DestAlpha: return GL_DST_ALPHA;
    case EBlend::InvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case EBlend::DestColor: return GL_DST_COLOR;
    case EBlend::InvDestColor: return GL_ONE_MINUS_DST_COLOR;
    case EBlend::SrcAlphaSat: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

GLenum DepthFunc(ECmp c) {
  switch (c) {
    case ECmp::Never: return GL_NEVER;
    case ECmp::Less: return GL_LESS;
    case ECmp::Equal: return GL_EQUAL;
    case ECmp::LessEqual: return GL_LEQUAL;
    case ECmp::Greater: return GL_GREATER;
    case ECmp::NotEqual: return GL_NOTEQUAL;
    case ECmp::GreaterEqual: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum PrimitiveMode(EPrimitive p) {
  switch (p) {
    case EPrimitive::PointList: return GL_POINTS;
    case EPrimitive::LineList: return GL_LINES;
    case EPrimitive::LineStrip: return GL_LINE_STRIP;
    case EPrimitive::TriangleList: return GL_TRIANGLES;
    case EPrimitive::TriangleStrip: return GL_TRIANGLE_STRIP;
    case EPrimitive::TriangleFan: return GL_TRIANGLE_FAN;
  }
  return GL_POINTS;
}

void Rgb(uint32_t argb, float out[3]) {
  out[0] = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
  out[1] = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>(argb & 0xFF) / 255.0f;
}

struct Texture {
  GLuint tex = 0;
  GLuint fbo = 0;  // render targets only
  int32_t w = 0, h = 0;
  bool target = false;
  StageStates sampler;  // as last applied
  bool samplerSet = false;
};

struct Depth {
  GLuint rb = 0;
  int32_t w = 0, h = 0;
};

class GlDevice final : public DeviceBase {
 public:
  ~GlDevice() override {
    if (context_) {
      SDL_GL_MakeCurrent(window_, context_);
      FreeBack();
      for (auto& [h, t] : textures_) FreeTexture(t);
      for (auto& [h, d] : depths_) glDeleteRenderbuffers(1, &d.rb);
      for (auto& [h, b] : buffers_) glDeleteBuffers(1, &b.first);
      if (windowFbo_) glDeleteFramebuffers(1, &windowFbo_);
      if (windowTex_) glDeleteTextures(1, &windowTex_);
      for (auto& p : programs_) glDeleteProgram(p.id);
      glDeleteBuffers(1, &stream_);
      glDeleteVertexArrays(1, &vao_);
      SDL_GL_DeleteContext(context_);
    }
    // SDL video stays up: the GL library reference above lives as long as the process.
    if (window_) SDL_DestroyWindow(window_);
  }

  bool Open() {
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    if (!GlLibraryLoaded()) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    window_ = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window_) return false;
    context_ = SDL_GL_CreateContext(window_);
    if (!context_ || SDL_GL_MakeCurrent(window_, context_) != 0) return false;
    if (epoxy_gl_version() < 33) return false;
    if (!programs_[0].Build(false) || !programs_[1].Build(true)) return false;
    glGenVertexArrays(1, &vao_);
    glGenBuffers(1, &stream_);
    GLint maxTex = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTex);
    caps_.maxTextureSize = std::clamp(maxTex, 64, 16384);
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    for (int s = 2; s <= 16; s *= 2)
      if (s <= maxSamples) caps_.multisampleMask |= 1u << s;
    glDisable(GL_DITHER);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return true;
  }

  bool Reset(int32_t w, int32_t h, int32_t samples) override {
    if (w <= 0 || h <= 0 || w > caps_.maxTextureSize || h > caps_.maxTextureSize) return false;
    Current();
    FreeBack();
    for (auto it = textures_.begin(); it != textures_.end();) {
      if (it->second.target) {
        FreeTexture(it->second);
        it = textures_.erase(it);
      } else {
        ++it;
      }
    }
    for (auto& [hnd, d] : depths_) glDeleteRenderbuffers(1, &d.rb);
    depths_.clear();
    glGenTextures(1, &backTex_);
    glBindTexture(GL_TEXTURE_2D, backTex_);
    // No alpha: destination alpha reads 1, as on an X8R8G8B8 back buffer.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    SetSampler(GL_NEAREST, GL_CLAMP_TO_EDGE);
    glGenRenderbuffers(1, &backDepth_);
    glBindRenderbuffer(GL_RENDERBUFFER, backDepth_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
    glGenFramebuffers(1, &backFbo_);
    glBindFramebuffer(GL_FRAMEBUFFER, backFbo_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backTex_, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, backDepth_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      FreeBack();
      return false;
    }
    backW_ = w;
    backH_ = h;
    if (samples > 1 && MultisampleSupported(samples)) MakeMultisampleBuffer(samples);
    ResetStates();
    target_ = kBackBuffer;
    targetW_ = w;
    targetH_ = h;
    vp_ = Viewport{0, 0, w, h, 0.0f, 1.0f};
    boundTex_ = 0;
    glsStates_ = false;
    return true;
  }

  bool MultisampleSupported(int32_t samples) const override {
    return samples <= 1 || (samples <= 16 && (caps_.multisampleMask & (1u << samples)) != 0);
  }

  void Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil) override {
    if (!backFbo_) return;
    Current();
    BindTarget();
    ApplyViewport();
    glEnable(GL_SCISSOR_TEST);
    glScissor(vp_.x, vp_.y, vp_.width, vp_.height);
    GLbitfield mask = 0;
    if (flags & ClearTarget) {
      float c[3];
      Rgb(color, c);
      glClearColor(c[0], c[1], c[2], static_cast<float>(color >> 24) / 255.0f);
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & ClearZBuffer) {
      glClearDepth(std::clamp(z, 0.0f, 1.0f));
      glDepthMask(GL_TRUE);
      glsStates_ = false;  // the depth mask belongs to the cached states
      mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & ClearStencil) {
      glClearStencil(static_cast<GLint>(stencil & 0xFF));
      glStencilMask(0xFF);
      mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (mask) glClear(mask);
    glDisable(GL_SCISSOR_TEST);
  }

  void SetTexture(TextureHandle tex) override { boundTex_ = textures_.count(tex) ? tex : 0; }

  void DrawPrimitiveUP(EPrimitive type, int32_t n, EVertexFormat format, const void* vertices,
                       size_t bytes) override {
    const int32_t count = VertexCount(type, n);
    const size_t need = static_cast<size_t>(count) * static_cast<size_t>(VertexSize(format));
    if (count == 0 || !vertices || bytes < need || !backFbo_) return;
    Current();
    glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, stream_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(need), vertices, GL_STREAM_DRAW);
    Draw(type, 0, count, format);
  }

  BufferHandle CreateVertexBuffer(size_t bytes) override {
    if (bytes == 0 || bytes > (size_t{1} << 28)) return 0;
    Current();
    GLuint b = 0;
    glGenBuffers(1, &b);
    glBindBuffer(GL_ARRAY_BUFFER, b);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STATIC_DRAW);
    buffers_[++next_] = {b, bytes};
    return next_;
  }

  bool UpdateVertexBuffer(BufferHandle vb, size_t offset, const void* data, size_t bytes) override {
    auto it = buffers_.find(vb);
    if (it == buffers_.end() || !data || offset > it->second.second || bytes > it->second.second - offset)
      return false;
    Current();
    glBindBuffer(GL_ARRAY_BUFFER, it->second.first);
    glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), data);
    return true;
  }

  void ReleaseVertexBuffer(BufferHandle vb) override {
    auto it = buffers_.find(vb);
    if (it == buffers_.end()) return;
    Current();
    glDeleteBuffers(1, &it->second.first);
    buffers_.erase(it);
  }

  void DrawPrimitive(BufferHandle vb, EPrimitive type, int32_t first, int32_t n, EVertexFormat format) override {
    auto it = buffers_.find(vb);
    const int32_t count = VertexCount(type, n);
    if (it == buffers_.end() || count == 0 || first < 0 || !backFbo_) return;
    const size_t size = static_cast<size_t>(VertexSize(format));
    if ((static_cast<size_t>(first) + static_cast<size_t>(count)) * size > it->second.second) return;
    Current();
    glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, it->second.first);
    Draw(type, first, count, format);
  }

  TextureHandle CreateTexture(int32_t w, int32_t h, bool target) override {
    if (w <= 0 || h <= 0 || w > caps_.maxTextureSize || h > caps_.maxTextureSize) return 0;
    Current();
    Texture t;
    t.w = w;
    t.h = h;
    t.target = target;
    glGenTextures(1, &t.tex);
    glBindTexture(GL_TEXTURE_2D, t.tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    // One level only: a mipmap minification filter would leave the texture incomplete.
    SetSampler(GL_NEAREST, GL_CLAMP_TO_EDGE);
    if (glGetError() != GL_NO_ERROR) {
      FreeTexture(t);
      return 0;
    }
    if (target) {
      glGenFramebuffers(1, &t.fbo);
      glBindFramebuffer(GL_FRAMEBUFFER, t.fbo);
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.tex, 0);
      const bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
      boundFbo_ = ~0u;
      if (!ok) {
        FreeTexture(t);
        return 0;
      }
    }
    textures_[++next_] = t;
    return next_;
  }

  void ReleaseTexture(TextureHandle tex) override {
    auto it = textures_.find(tex);
    if (it == textures_.end()) return;
    Current();
    if (target_ == tex) SetRenderTarget(kBackBuffer, 0);
    if (boundTex_ == tex) boundTex_ = 0;
    FreeTexture(it->second);
    textures_.erase(it);
  }

  bool TextureSize(TextureHandle tex, int32_t& w, int32_t& h) const override {
    auto it = textures_.find(tex);
    if (it == textures_.end()) return false;
    w = it->second.w;
    h = it->second.h;
    return true;
  }

  bool UpdateTexture(TextureHandle tex, int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t* pixels,
                     int32_t pitch) override {
    auto it = textures_.find(tex);
    if (it == textures_.end() || !pixels || x < 0 || y < 0 || w <= 0 || h <= 0 || w > it->second.w - x ||
        h > it->second.h - y || pitch < w)
      return false;
    Current();
    glBindTexture(GL_TEXTURE_2D, it->second.tex);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, pitch);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return true;
  }

  bool SetRenderTarget(TextureHandle target, DepthHandle depth) override {
    if (!backFbo_) return false;
    Current();
    if (target == kBackBuffer) {
      target_ = kBackBuffer;
      targetW_ = backW_;
      targetH_ = backH_;
    } else {
      auto it = textures_.find(target);
      if (it == textures_.end() || !it->second.target) return false;
      glBindFramebuffer(GL_FRAMEBUFFER, it->second.fbo);
      boundFbo_ = it->second.fbo;
      auto d = depths_.find(depth);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                d == depths_.end() ? 0 : d->second.rb);
      target_ = target;
      targetW_ = it->second.w;
      targetH_ = it->second.h;
    }
    SetViewport(Viewport{0, 0, targetW_, targetH_, 0.0f, 1.0f});
    return true;
  }

  TextureHandle GetRenderTarget() const override { return target_; }

  DepthHandle CreateDepthSurface(int32_t w, int32_t h) override {
    if (w <= 0 || h <= 0 || w > caps_.maxTextureSize || h > caps_.maxTextureSize) return 0;
    Current();
    Depth d{0, w, h};
    glGenRenderbuffers(1, &d.rb);
    glBindRenderbuffer(GL_RENDERBUFFER, d.rb);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
    depths_[++next_] = d;
    return next_;
  }

  void ReleaseDepthSurface(DepthHandle depth) override {
    auto it = depths_.find(depth);
    if (it == depths_.end()) return;
    Current();
    glDeleteRenderbuffers(1, &it->second.rb);
    depths_.erase(it);
  }

  bool CopyRect(TextureHandle source, const Rect& from, TextureHandle dest, int32_t x, int32_t y) override {
    GLuint sf = 0, df = 0;
    int32_t sw = 0, sh = 0, dw = 0, dh = 0;
    if (!Surface(source, sf, sw, sh) || !Surface(dest, df, dw, dh)) return false;
    // A multisampled back buffer can be read (resolved) but not written by a copy.
    if (dest == kBackBuffer && msFbo_) return false;
    // Clip the source rectangle to both surfaces.
    int32_t l = std::max(from.left, 0), t = std::max(from.top, 0);
    int32_t r = std::min(from.right, sw), b = std::min(from.bottom, sh);
    x += l - from.left;
    y += t - from.top;
    if (x < 0) l -= x, x = 0;
    if (y < 0) t -= y, y = 0;
    r = std::min(r, l + dw - x);
    b = std::min(b, t + dh - y);
    if (r <= l || b <= t) return false;
    Current();
    if (source == kBackBuffer) Resolve();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, sf);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, df);
    glBlitFramebuffer(l, t, r, b, x, y, x + (r - l), y + (b - t), GL_COLOR_BUFFER_BIT, GL_NEAREST);
    boundFbo_ = ~0u;
    return true;
  }

  bool ReadPixels(TextureHandle source, const Rect& rc, std::vector<uint32_t>& out) override {
    GLuint fbo = 0;
    int32_t w = 0, h = 0;
    if (!Surface(source, fbo, w, h)) return false;
    if (rc.left < 0 || rc.top < 0 || rc.Width() <= 0 || rc.Height() <= 0 || rc.right > w || rc.bottom > h)
      return false;
    Current();
    if (source == kBackBuffer) Resolve();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    boundFbo_ = fbo;
    out.assign(static_cast<size_t>(rc.Width()) * static_cast<size_t>(rc.Height()), 0);
    glReadPixels(rc.left, rc.top, rc.Width(), rc.Height(), GL_BGRA, GL_UNSIGNED_BYTE, out.data());
    ++readBacks_;
    return true;
  }

  bool Present(const Rect& src, const Rect& dst, int32_t cw, int32_t ch, uint32_t band, bool linear,
               WindowImage& out) override {
    if (!backFbo_ || cw <= 0 || ch <= 0 || cw > caps_.maxTextureSize || ch > caps_.maxTextureSize) return false;
    Current();
    Resolve();
    if (cw != windowW_ || ch != windowH_) {
      if (windowFbo_) glDeleteFramebuffers(1, &windowFbo_);
      if (windowTex_) glDeleteTextures(1, &windowTex_);
      glGenTextures(1, &windowTex_);
      glBindTexture(GL_TEXTURE_2D, windowTex_);
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, cw, ch, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
      SetSampler(GL_NEAREST, GL_CLAMP_TO_EDGE);
      glGenFramebuffers(1, &windowFbo_);
      glBindFramebuffer(GL_FRAMEBUFFER, windowFbo_);
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, windowTex_, 0);
      windowW_ = cw;
      windowH_ = ch;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, windowFbo_);
    float c[3];
    Rgb(band, c);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(c[0], c[1], c[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const int32_t sl = std::max(src.left, 0), st = std::max(src.top, 0);
    const int32_t sr = std::min(src.right, backW_), sb = std::min(src.bottom, backH_);
    if (sr > sl && sb > st && dst.Width() > 0 && dst.Height() > 0) {
      glBindFramebuffer(GL_READ_FRAMEBUFFER, backFbo_);
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, windowFbo_);
      const bool scaled = dst.Width() != sr - sl || dst.Height() != sb - st;
      glBlitFramebuffer(sl, st, sr, sb, dst.left, dst.top, dst.right, dst.bottom, GL_COLOR_BUFFER_BIT,
                        scaled && linear ? GL_LINEAR : GL_NEAREST);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, windowFbo_);
    boundFbo_ = windowFbo_;
    out.width = cw;
    out.height = ch;
    out.pixels.assign(static_cast<size_t>(cw) * static_cast<size_t>(ch), 0);
    glReadPixels(0, 0, cw, ch, GL_BGRA, GL_UNSIGNED_BYTE, out.pixels.data());
    ++readBacks_;
    return true;
  }

  bool PresentToWindow(const Rect& src, const Rect& dst, int32_t cw, int32_t ch, uint32_t band, bool linear,
                       const TWindow& target, bool vsync, bool& synced) override {
    synced = false;
    SDL_Window* native = target.NativeHandle();
    if (!backFbo_ || !native || cw <= 0 || ch <= 0 || (SDL_GetWindowFlags(native) & SDL_WINDOW_OPENGL) == 0)
      return false;
    Current();
    Resolve();
    // The context moves to the window for the swap and stays there: framebuffer drawing does not
    // care which drawable is current, and a destroyed window leaves no context current, which
    // Current() notices.
    if (SDL_GL_MakeCurrent(native, context_) != 0) {
      SDL_GL_MakeCurrent(window_, context_);
      return false;
    }
    if (native != swapWindow_ || vsync != swapVsync_) {
      swapWindow_ = native;
      swapVsync_ = vsync;
      // Adaptive first: a late frame tears instead of waiting a whole refresh.
      swapSynced_ = vsync && (SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0);
      if (!vsync) SDL_GL_SetSwapInterval(0);
    }
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(native, &dw, &dh);
    if (dw <= 0 || dh <= 0) dw = cw, dh = ch;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    boundFbo_ = ~0u;
    float c[3];
    Rgb(band, c);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(0, 0, dw, dh);
    glClearColor(c[0], c[1], c[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const int32_t sl = std::max(src.left, 0), st = std::max(src.top, 0);
    const int32_t sr = std::min(src.right, backW_), sb = std::min(src.bottom, backH_);
    if (sr > sl && sb > st && dst.Width() > 0 && dst.Height() > 0) {
      // Client coordinates to drawable pixels (equal unless the window system scales), and rows
      // flipped: the window's row 0 is its bottom one.
      auto x = [&](int32_t v) { return static_cast<GLint>(int64_t{v} * dw / cw); };
      auto y = [&](int32_t v) { return static_cast<GLint>(dh - int64_t{v} * dh / ch); };
      glBindFramebuffer(GL_READ_FRAMEBUFFER, backFbo_);
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
      const bool scaled = dst.Width() * dw != (sr - sl) * cw || dst.Height() * dh != (sb - st) * ch;
      glBlitFramebuffer(sl, st, sr, sb, x(dst.left), y(dst.top), x(dst.right), y(dst.bottom), GL_COLOR_BUFFER_BIT,
                        scaled && linear ? GL_LINEAR : GL_NEAREST);
    }
    SDL_GL_SwapWindow(native);
    synced = swapSynced_;
    return true;
  }

 private:
  void Current() {
    if (SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_, context_);
  }

  static void SetSampler(GLint filter, GLint wrap) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  }

  void FreeTexture(Texture& t) {
    if (t.fbo) glDeleteFramebuffers(1, &t.fbo);
    if (t.tex) glDeleteTextures(1, &t.tex);
    t.fbo = t.tex = 0;
    boundFbo_ = ~0u;
  }

  // Drawing into the back buffer goes to multisampled buffers, resolved into it before reads.
  void MakeMultisampleBuffer(int32_t samples) {
    glGenRenderbuffers(1, &msColor_);
    glBindRenderbuffer(GL_RENDERBUFFER, msColor_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGB8, backW_, backH_);
    glGenRenderbuffers(1, &msDepth_);
    glBindRenderbuffer(GL_RENDERBUFFER, msDepth_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH24_STENCIL8, backW_, backH_);
    glGenFramebuffers(1, &msFbo_);
    glBindFramebuffer(GL_FRAMEBUFFER, msFbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, msColor_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, msDepth_);
    boundFbo_ = ~0u;
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) FreeMultisample();
  }

  void FreeMultisample() {
    if (msFbo_) glDeleteFramebuffers(1, &msFbo_);
    if (msColor_) glDeleteRenderbuffers(1, &msColor_);
    if (msDepth_) glDeleteRenderbuffers(1, &msDepth_);
    msFbo_ = msColor_ = msDepth_ = 0;
    boundFbo_ = ~0u;
  }

  void Resolve() {
    if (!msFbo_) return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, msFbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, backFbo_);
    glBlitFramebuffer(0, 0, backW_, backH_, 0, 0, backW_, backH_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    boundFbo_ = ~0u;
  }

  void FreeBack() {
    FreeMultisample();
    if (backFbo_) glDeleteFramebuffers(1, &backFbo_);
    if (backTex_) glDeleteTextures(1, &backTex_);
    if (backDepth_) glDeleteRenderbuffers(1, &backDepth_);
    backFbo_ = backTex_ = backDepth_ = 0;
    boundFbo_ = ~0u;
  }

  bool Surface(TextureHandle h, GLuint& fbo, int32_t& w, int32_t& hh) const {
    if (h == kBackBuffer) {
      fbo = backFbo_;
      w = backW_;
      hh = backH_;
      return fbo != 0;
    }
    auto it = textures_.find(h);
    if (it == textures_.end() || !it->second.target) return false;
    fbo = it->second.fbo;
    w = it->second.w;
    hh = it->second.h;
    return true;
  }

  void BindTarget() {
    GLuint fbo = msFbo_ ? msFbo_ : backFbo_;
    if (target_ != kBackBuffer) {
      auto it = textures_.find(target_);
      if (it != textures_.end()) fbo = it->second.fbo;
    }
    if (fbo != boundFbo_) {
      glBindFramebuffer(GL_FRAMEBUFFER, fbo);
      boundFbo_ = fbo;
    }
  }

  void ApplyViewport() {
    glViewport(vp_.x, vp_.y, std::max(vp_.width, 0), std::max(vp_.height, 0));
    glDepthRange(vp_.minZ, vp_.maxZ);
  }

  void ApplyGlStates() {
    if (glsStates_ && applied_ == rs_) return;
    if (rs_.alphaBlend) {
      glEnable(GL_BLEND);
      GLenum s = BlendFactor(rs_.srcBlend), d = BlendFactor(rs_.destBlend);
      if (rs_.srcBlend == EBlend::BothSrcAlpha) s = GL_SRC_ALPHA, d = GL_ONE_MINUS_SRC_ALPHA;
      if (rs_.srcBlend == EBlend::BothInvSrcAlpha) s = GL_ONE_MINUS_SRC_ALPHA, d = GL_SRC_ALPHA;
      if (rs_.destBlend == EBlend::SrcAlphaSat) d = GL_ONE;  // a source-only factor
      // The same factors for alpha: surfaces' alpha depends on it.
      glBlendFunc(s, d);
    } else {
      glDisable(GL_BLEND);
    }
    if (rs_.zEnable) {
      glEnable(GL_DEPTH_TEST);
      glDepthFunc(DepthFunc(rs_.zFunc));
    } else {
      glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(rs_.zWrite ? GL_TRUE : GL_FALSE);
    // Rows run top-down, which mirrors the winding: clockwise on screen is counter-clockwise here.
    if (rs_.cull == ECull::None) {
      glDisable(GL_CULL_FACE);
    } else {
      glEnable(GL_CULL_FACE);
      glFrontFace(rs_.cull == ECull::CCW ? GL_CCW : GL_CW);
      glCullFace(GL_BACK);
    }
    applied_ = rs_;
    glsStates_ = true;
  }

  void ApplySampler(Texture& t) {
    if (t.samplerSet && t.sampler == ss_) return;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, ss_.minFilter == EFilter::Linear ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, ss_.magFilter == EFilter::Linear ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, ss_.addressU == EAddress::Wrap ? GL_REPEAT : GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, ss_.addressV == EAddress::Wrap ? GL_REPEAT : GL_CLAMP_TO_EDGE);
    t.sampler = ss_;
    t.samplerSet = true;
  }

  void SetUniforms(Program& p, bool textured) {
    glUseProgram(p.id);
    glUniformMatrix4fv(p.world, 1, GL_FALSE, &transforms_[0].m[0][0]);
    glUniformMatrix4fv(p.view, 1, GL_FALSE, &transforms_[1].m[0][0]);
    glUniformMatrix4fv(p.proj, 1, GL_FALSE, &transforms_[2].m[0][0]);
    // Clip-space fix-up, row-vector form: x + w/W (pixel centres), −y + w/H (rows run
    // top-down), 2z − w (depth 0..1).
    Matrix fix;
    const float vw = static_cast<float>(std::max(vp_.width, 1)), vh = static_cast<float>(std::max(vp_.height, 1));
    fix.m[0][0] = 1.0f;
    fix.m[1][1] = -1.0f;
    fix.m[2][2] = 2.0f;
    fix.m[3][0] = 1.0f / vw;
    fix.m[3][1] = 1.0f / vh;
    fix.m[3][2] = -1.0f;
    fix.m[3][3] = 1.0f;
    // Uploaded as is, like the others: read column-major, uFix * v in the shader is v × fix.
    glUniformMatrix4fv(p.fix, 1, GL_FALSE, &fix.m[0][0]);

    glUniform1i(p.lighting, rs_.lighting ? 1 : 0);
    glUniform1i(p.normalize, rs_.normalize ? 1 : 0);
    float amb[3];
    Rgb(rs_.ambient, amb);
    glUniform3fv(p.ambient, 1, amb);
    glUniform3f(p.matAmbient, material_.ambient.r, material_.ambient.g, material_.ambient.b);
    glUniform3f(p.matEmissive, material_.emissive.r, material_.emissive.g, material_.emissive.b);
    int n = 0;
    GLint type[kMaxLights];
    float diff[kMaxLights][3], lamb[kMaxLights][3], pos[kMaxLights][3], dir[kMaxLights][3], att[kMaxLights][4];
    for (int i = 0; i < kMaxLights; ++i) {
      if (!lightOn_[i]) continue;
      const Light& l = lights_[i];
      type[n] = static_cast<GLint>(l.type);
      diff[n][0] = l.diffuse.r, diff[n][1] = l.diffuse.g, diff[n][2] = l.diffuse.b;
      lamb[n][0] = l.ambient.r, lamb[n][1] = l.ambient.g, lamb[n][2] = l.ambient.b;
      pos[n][0] = l.position.x, pos[n][1] = l.position.y, pos[n][2] = l.position.z;
      dir[n][0] = l.direction.x, dir[n][1] = l.direction.y, dir[n][2] = l.direction.z;
      att[n][0] = l.attenuation0, att[n][1] = l.attenuation1, att[n][2] = l.attenuation2, att[n][3] = l.range;
      ++n;
    }
    glUniform1i(p.lightCount, n);
    if (n > 0) {
      glUniform1iv(p.lightType, n, type);
      glUniform3fv(p.lightDiffuse, n, &diff[0][0]);
      glUniform3fv(p.lightAmbient, n, &lamb[0][0]);
      glUniform3fv(p.lightPos, n, &pos[0][0]);
      glUniform3fv(p.lightDir, n, &dir[0][0]);
      glUniform4fv(p.lightAtt, n, &att[0][0]);
    }

    glUniform1i(p.tex, 0);
    glUniform1i(p.textured, textured ? 1 : 0);
    glUniform1i(p.colorOp, static_cast<GLint>(ss_.colorOp));
    glUniform1i(p.alphaOp, static_cast<GLint>(ss_.alphaOp));
    glUniform1i(p.alphaTest, rs_.alphaTest ? 1 : 0);
    glUniform1i(p.alphaFunc, static_cast<GLint>(rs_.alphaFunc));
    glUniform1f(p.alphaRef, static_cast<float>(rs_.alphaRef & 0xFF));
    const bool fog = rs_.fogEnable && (rs_.fogTable == EFog::Linear || rs_.fogVertex == EFog::Linear);
    glUniform1i(p.fog, fog ? 1 : 0);
    float fc[3];
    Rgb(rs_.fogColor, fc);
    glUniform3fv(p.fogColor, 1, fc);
    glUniform1f(p.fogStart, rs_.fogStart);
    glUniform1f(p.fogEnd, rs_.fogEnd);
  }

  void Attributes(EVertexFormat format) {
    const GLsizei stride = VertexSize(format);
    auto off = [](size_t o) { return reinterpret_cast<const void*>(o); };
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, off(0));
    size_t at = 12;
    if (format == EVertexFormat::NormalTextured) {
      glEnableVertexAttribArray(1);
      glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, off(at));
      at += 12;
    } else {
      // No normal: lit 2D vertices get the ambient term only.
      glDisableVertexAttribArray(1);
      glVertexAttrib3f(1, 0.0f, 0.0f, 0.0f);
    }
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, off(at));
    at += 4;
    if (format != EVertexFormat::Colored) {
      glEnableVertexAttribArray(3);
      glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, off(at));
    } else {
      glDisableVertexAttribArray(3);
      glVertexAttrib2f(3, 0.0f, 0.0f);
    }
  }

  void Draw(EPrimitive type, int32_t first, int32_t count, EVertexFormat format) {
    BindTarget();
    ApplyViewport();
    ApplyGlStates();
    Texture* tex = nullptr;
    if (boundTex_) {
      auto it = textures_.find(boundTex_);
      if (it != textures_.end()) tex = &it->second;
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, tex ? tex->tex : 0);
    if (tex) ApplySampler(*tex);
    Program& p = programs_[rs_.shade == EShade::Flat ? 1 : 0];
    SetUniforms(p, tex != nullptr);
    Attributes(format);
    glDrawArrays(PrimitiveMode(type), first, count);
    ++drawCalls_;
    // Lines end on their last pixel, which GL's rule leaves out.
    if (type == EPrimitive::LineList) {
      for (int32_t i = first + 1; i < first + count; i += 2) glDrawArrays(GL_POINTS, i, 1);
    } else if (type == EPrimitive::LineStrip) {
      glDrawArrays(GL_POINTS, first + count - 1, 1);
    }
  }

  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  // The window last presented to and the swap interval asked of it.
  SDL_Window* swapWindow_ = nullptr;
  bool swapVsync_ = false, swapSynced_ = false;
  Program programs_[2];  // smooth, flat
  GLuint vao_ = 0, stream_ = 0;
  GLuint backFbo_ = 0, backTex_ = 0, backDepth_ = 0;
  GLuint msFbo_ = 0, msColor_ = 0, msDepth_ = 0;
  int32_t backW_ = 0, backH_ = 0;
  GLuint windowFbo_ = 0, windowTex_ = 0;
  int32_t windowW_ = 0, windowH_ = 0;
  GLuint boundFbo_ = ~0u;
  TextureHandle target_ = kBackBuffer;
  int32_t targetW_ = 0, targetH_ = 0;
  TextureHandle boundTex_ = 0;
  RenderStates applied_;
  bool glsStates_ = false;
  int32_t next_ = 0;
  std::map<int32_t, Texture> textures_;
  std::map<int32_t, Depth> depths_;
  std::map<int32_t, std::pair<GLuint, size_t>> buffers_;
};

}  // namespace

std::unique_ptr<IDevice> CreateGlDevice() {
  auto d = std::make_unique<GlDevice>();
  if (!d->Open()) return nullptr;
  return d;
}

}  // namespace platform::gpu
