// The recorded geometry of a 3D model: every primitive converted to triangle, line and point
// lists, uploaded once into device vertex buffers and redrawn with one call per buffer.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "runner/graphics/Graphics_3D.h"

// One link of a buffer chain: a device buffer of m_pPrimCount vertices.
struct CVBufferList {
  platform::gpu::BufferHandle m_pVBuffer = 0;
  int32_t m_pPrimCount = 0;
};

class CGraphicsRecorder {
 public:
  // The stored colour of a recording whose vertices all carry colours of their own (a drawing
  // colour never has its lowest bit set).
  static constexpr uint32_t kOwnColours = 1;

  CGraphicsRecorder() = default;
  ~CGraphicsRecorder();
  CGraphicsRecorder(const CGraphicsRecorder&) = delete;
  CGraphicsRecorder& operator=(const CGraphicsRecorder&) = delete;

  // Appends the vertices of one primitive (kinds 1..6), converted to its family's list.
  void AddPrims(int32_t kind, int32_t count, const RVertex3D* vertices);
  // col is a device colour (0xAARRGGBB), or kOwnColours.
  void SetColour(uint32_t col) { m_GlobalColour = col == kOwnColours ? col : col & ~1u; }
  uint32_t GetColour() const { return m_GlobalColour; }
  // Gives the vertices that use the drawing colour a new one; the buffers are rebuilt.
  void ChangeColour(uint32_t col);
  // Draws at (x, y, z) under the current world transform.
  void Draw(int32_t tex, double x, double y, double z);

  const std::vector<RVertex3D>& Triangles() const { return m_Families[0].verts; }
  const std::vector<RVertex3D>& Lines() const { return m_Families[1].verts; }
  const std::vector<RVertex3D>& Points() const { return m_Families[2].verts; }
  int32_t BufferCount() const;

 private:
  struct Family {
    std::vector<RVertex3D> verts;
    std::vector<CVBufferList> chain;
  };
  void Release();
  static void Append(Family& f, const RVertex3D* v, size_t n);
  void Build(Family& f, platform::gpu::IDevice* d);

  Family m_Families[3];  // triangles, lines, points
  uint32_t m_GlobalColour = kOwnColours;
  // The device the buffers were made on: they are only handed back to that one.
  platform::gpu::IDevice* m_Device = nullptr;
};
