// 3D models: a recorded list of primitives and shapes, kept as entries that can be saved to and
// loaded from a small text file, drawn from the device buffers of a recorder built at the
// first draw. The game reaches models by index in the model table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runner/graphics/GraphicsRecorder.h"

// One recorded call. Kinds: 0 primitive begin (arg0 the primitive kind), 1 primitive end,
// 2..9 the vertex calls (x, y, z, then normal, texture and colour as the kind has them), 10..15
// block, cylinder, cone, ellipsoid, wall, floor. Unused arguments are 0.
struct REntry {
  int32_t kind = 0;
  double arg[10] = {};
  bool operator==(const REntry&) const = default;
};

inline constexpr int32_t kModelVersion = 100;

class C3D_Model {
 public:
  // Drops the entries and the recorded geometry.
  void Clear();
  // Clears, then reads the file. False on a wrong version or a read error; the entries read
  // before the error stay, the rest are zero.
  bool LoadFromFile(const std::string& fname);
  bool SaveToFile(const std::string& fname) const;
  void AddEntry(const REntry& e) { i_val.push_back(e); }
  // Records the entries at the first draw (texture tex for every primitive and shape), then
  // draws the recording at (x, y, z).
  void Draw(int32_t tex, double x, double y, double z);

  const std::vector<REntry>& Entries() const { return i_val; }
  const CGraphicsRecorder* Mesh() const { return m_pMesh.get(); }

 private:
  std::vector<REntry> i_val;
  std::unique_ptr<CGraphicsRecorder> m_pMesh;
};

// The model text: "100", the entry count, then one line per entry (kind and ten numbers with
// four decimals and "." as separator), lines ending in CR LF.
std::string ModelText(const std::vector<REntry>& entries);
// Reads model text into entries. False on a wrong version or a read error (text that is not a
// number, a missing line); entries then holds the count with the entries read so far. Numbers
// take "." or "," as decimal separator. The count is limited to what the text could hold.
bool ParseModelText(std::string_view text, std::vector<REntry>& entries);

// The model table: an id is an index; a freed slot is reused by the next create.
int32_t D3D_ModelCreate();
void D3D_ModelDestroy(int32_t id);
C3D_Model* D3D_Model(int32_t id);  // null for an id outside the table or a freed slot
