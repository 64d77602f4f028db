// Turning a model's primitives into lists and the lists into device vertex buffers.
#include "runner/graphics/GraphicsRecorder.h"

#include <algorithm>

#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Texture.h"

namespace gpu = platform::gpu;

CGraphicsRecorder::~CGraphicsRecorder() { Release(); }

void CGraphicsRecorder::Release() {
  // Buffers die with their device; only the device that made them takes them back.
  gpu::IDevice* d = m_Device && D3DDevice() == m_Device ? m_Device : nullptr;
  for (Family& f : m_Families) {
    if (d)
      for (const CVBufferList& link : f.chain) d->ReleaseVertexBuffer(link.m_pVBuffer);
    f.chain.clear();
  }
  m_Device = nullptr;
}

void CGraphicsRecorder::Append(Family& f, const RVertex3D* v, size_t n) {
  std::vector<RVertex3D>& a = f.verts;
  if (a.size() + n > a.capacity()) {
    size_t cap = a.capacity() ? a.capacity() : n;
    while (cap < a.size() + n) cap *= 2;
    a.reserve(cap);
  }
  a.insert(a.end(), v, v + n);
}

void CGraphicsRecorder::AddPrims(int32_t kind, int32_t count, const RVertex3D* v) {
  if (count <= 0 || !v) return;
  const size_t n = static_cast<size_t>(count);
  std::vector<RVertex3D> list;
  switch (static_cast<gpu::EPrimitive>(kind)) {
    case gpu::EPrimitive::PointList: return Append(m_Families[2], v, n);
    case gpu::EPrimitive::LineList: return Append(m_Families[1], v, n);
    case gpu::EPrimitive::TriangleList: return Append(m_Families[0], v, n);
    case gpu::EPrimitive::LineStrip:
      for (size_t i = 0; i + 1 < n; ++i) list.insert(list.end(), {v[i], v[i + 1]});
      return Append(m_Families[1], list.data(), list.size());
    case gpu::EPrimitive::TriangleStrip:
      // Every other triangle is turned round so that all keep the winding of the first.
      for (size_t k = 0; k + 2 < n; ++k) {
        if (k % 2 == 0)
          list.insert(list.end(), {v[k], v[k + 1], v[k + 2]});
        else
          list.insert(list.end(), {v[k + 2], v[k + 1], v[k]});
      }
      return Append(m_Families[0], list.data(), list.size());
    case gpu::EPrimitive::TriangleFan:
      for (size_t k = 1; k + 1 < n; ++k) list.insert(list.end(), {v[0], v[k], v[k + 1]});
      return Append(m_Families[0], list.data(), list.size());
  }
}

void CGraphicsRecorder::ChangeColour(uint32_t col) {
  if (m_GlobalColour & 1u) return;
  col &= ~1u;
  for (Family& f : m_Families)
    for (RVertex3D& v : f.verts)
      if (v.color == m_GlobalColour) v.color = col;
  Release();
  m_GlobalColour = col;
}

int32_t CGraphicsRecorder::BufferCount() const {
  size_t n = 0;
  for (const Family& f : m_Families) n += f.chain.size();
  return static_cast<int32_t>(n);
}

void CGraphicsRecorder::Build(Family& f, gpu::IDevice* d) {
  const size_t perLink = static_cast<size_t>(std::max(d->Caps().maxPrimitiveCount, 1)) * 3;
  for (size_t at = 0; at < f.verts.size();) {
    const size_t n = std::min(f.verts.size() - at, perLink);
    const size_t bytes = n * sizeof(RVertex3D);
    // A buffer the device cannot make leaves its part of the model undrawn.
    const gpu::BufferHandle vb = d->CreateVertexBuffer(bytes);
    if (vb && d->UpdateVertexBuffer(vb, 0, f.verts.data() + at, bytes))
      f.chain.push_back({vb, static_cast<int32_t>(n)});
    else if (vb)
      d->ReleaseVertexBuffer(vb);
    at += n;
  }
}

void CGraphicsRecorder::Draw(int32_t tex, double x, double y, double z) {
  gpu::IDevice* d = D3DDevice();
  if (!d) return;
  if (m_Device != d) Release();  // a new device: the old buffers are gone with the old one
  m_Device = d;
  const D3DMatrix w = d->GetTransform(gpu::ETransform::World);
  d->SetTransform(gpu::ETransform::World,
                  MatrixTranslation(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)) * w);
  Texture_Bind(tex);
  static constexpr gpu::EPrimitive kTypes[3] = {gpu::EPrimitive::TriangleList, gpu::EPrimitive::LineList,
                                                gpu::EPrimitive::PointList};
  static constexpr int32_t kPer[3] = {3, 2, 1};
  for (int i = 0; i < 3; ++i) {
    Family& f = m_Families[i];
    if (f.verts.empty()) continue;
    if (f.chain.empty()) {
      if (i == 0) f.verts.shrink_to_fit();
      Build(f, d);
    }
    for (const CVBufferList& link : f.chain)
      d->DrawPrimitive(link.m_pVBuffer, kTypes[i], 0, link.m_pPrimCount / kPer[i], gpu::EVertexFormat::NormalTextured);
  }
  d->SetTransform(gpu::ETransform::World, w);
}
