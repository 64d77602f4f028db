// Models: their entries, the replay that records them into a recorder, and the model text file.
#include "runner/graphics/Graphics_3D_Model.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "platform/files/AtomicFile.h"
#include "runner/graphics/Graphics_3D.h"
#include "runner/graphics/Graphics_Draw.h"

namespace {
int32_t Round(double v) {
  if (!(v > -2147483648.0 && v < 2147483647.0)) return 0;
  return static_cast<int32_t>(std::nearbyint(v));
}
bool True(double v) { return v >= 0.5; }

// Replays one entry through the drawing calls; true when it draws in the drawing colour.
bool Replay(const REntry& e, int32_t tex) {
  const double* a = e.arg;
  switch (e.kind) {
    case 0: D3D_PrimitiveBegin(Round(a[0]), tex); return false;
    case 1: D3D_PrimitiveEnd(); return false;
    case 2: D3D_Vertex(a[0], a[1], a[2], 0, 0, 0, 0, 0); return true;
    case 3: D3D_VertexColor(a[0], a[1], a[2], 0, 0, 0, 0, 0, Round(a[3]), a[4]); return false;
    case 4: D3D_Vertex(a[0], a[1], a[2], 0, 0, 0, a[3], a[4]); return true;
    case 5: D3D_VertexColor(a[0], a[1], a[2], 0, 0, 0, a[3], a[4], Round(a[5]), a[6]); return false;
    case 6: D3D_Vertex(a[0], a[1], a[2], a[3], a[4], a[5], 0, 0); return true;
    case 7: D3D_VertexColor(a[0], a[1], a[2], a[3], a[4], a[5], 0, 0, Round(a[6]), a[7]); return false;
    case 8: D3D_Vertex(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); return true;
    case 9: D3D_VertexColor(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], Round(a[8]), a[9]); return false;
    case 10: D3D_DrawBlock(a[0], a[1], a[2], a[3], a[4], a[5], tex, a[6], a[7]); return true;
    case 11: D3D_DrawCylinder(a[0], a[1], a[2], a[3], a[4], a[5], tex, a[6], a[7], True(a[8]), Round(a[9])); return true;
    case 12: D3D_DrawCone(a[0], a[1], a[2], a[3], a[4], a[5], tex, a[6], a[7], True(a[8]), Round(a[9])); return true;
    case 13: D3D_DrawEllipsoid(a[0], a[1], a[2], a[3], a[4], a[5], tex, a[6], a[7], Round(a[8])); return true;
    case 14: D3D_DrawWall(a[0], a[1], a[2], a[3], a[4], a[5], tex, a[6], a[7]); return true;
    case 15: D3D_DrawFloor(a[0], a[1], a[2], a[3], a[4], a[5], tex, a[6], a[7]); return true;
    default: return false;
  }
}
}  // namespace

void C3D_Model::Clear() {
  i_val.clear();
  m_pMesh.reset();
}

void C3D_Model::Draw(int32_t tex, double x, double y, double z) {
  const uint32_t colour = Draw_DeviceColor() & ~1u;
  if (!m_pMesh) {
    m_pMesh = std::make_unique<CGraphicsRecorder>();
    D3D_SetRecorder(m_pMesh.get());
    m_pMesh->SetColour(colour);
    bool usesColour = false;
    for (const REntry& e : i_val) usesColour |= Replay(e, tex);
    D3D_SetRecorder(nullptr);
    if (!usesColour) m_pMesh->SetColour(CGraphicsRecorder::kOwnColours);
  } else if (m_pMesh->GetColour() != CGraphicsRecorder::kOwnColours && m_pMesh->GetColour() != colour) {
    m_pMesh->ChangeColour(colour);
  }
  m_pMesh->Draw(tex, x, y, z);
}

namespace {
// A number as the file writes it: four decimals after rounding to ten significant digits, and
// the exponent form for numbers too large for that.
std::string Number(double v) {
  // Nothing could read a NaN or an infinity back; the file stays loadable.
  if (!std::isfinite(v)) v = 0;
  char buf[64];
  if (std::fabs(v) >= 1e10) {
    std::snprintf(buf, sizeof buf, "%.9E", v);
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%.9e", v);
  std::snprintf(buf, sizeof buf, "%.4f", std::strtod(buf, nullptr));
  std::string s = buf;
  if (s == "-0.0000") s = "0.0000";
  return s;
}
}  // namespace

std::string ModelText(const std::vector<REntry>& entries) {
  std::string out = std::to_string(kModelVersion) + "\r\n" + std::to_string(entries.size()) + "\r\n";
  for (const REntry& e : entries) {
    out += std::to_string(e.kind);
    for (double v : e.arg) out += " " + Number(v);
    out += "\r\n";
  }
  return out;
}

namespace {
// Reads the file the way its writer's runtime did: blanks and line ends between numbers are
// skipped, and each entry's line is finished before the next.
class Reader {
 public:
  explicit Reader(std::string_view t) : t_(t) {}

  bool Int(int64_t& out) {
    std::string_view w = Word();
    if (w.empty()) return false;
    if (w.front() == '+') w.remove_prefix(1);
    const auto r = std::from_chars(w.data(), w.data() + w.size(), out);
    return r.ec == std::errc() && r.ptr == w.data() + w.size();
  }

  bool Real(double& out) {
    std::string_view w = Word();
    if (w.empty() || w.size() > 64) return false;
    std::string s(w);
    if (s.front() == '+') s.erase(0, 1);
    bool digits = false;
    for (char& c : s) {
      if (c == ',') c = '.';
      digits |= c >= '0' && c <= '9';
      if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
    }
    if (!digits) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(out);
  }

  void EndLine() {
    while (at_ < t_.size() && t_[at_] != '\n' && t_[at_] != '\r') ++at_;
    if (at_ < t_.size() && t_[at_] == '\r') ++at_;
    if (at_ < t_.size() && t_[at_] == '\n') ++at_;
  }

  size_t Remaining() const { return t_.size() - at_; }

 private:
  static bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
  std::string_view Word() {
    while (at_ < t_.size() && Blank(t_[at_])) ++at_;
    const size_t start = at_;
    while (at_ < t_.size() && !Blank(t_[at_])) ++at_;
    return t_.substr(start, at_ - start);
  }

  std::string_view t_;
  size_t at_ = 0;
};

// The shortest line an entry can have: eleven one-character numbers, ten blanks, a line end.
constexpr size_t kShortestEntry = 22;
}  // namespace

bool ParseModelText(std::string_view text, std::vector<REntry>& entries) {
  entries.clear();
  Reader r(text);
  int64_t version = 0, count = 0;
  if (!r.Int(version) || version != kModelVersion) return false;
  r.EndLine();
  if (!r.Int(count)) return false;
  r.EndLine();
  // A count the rest of the file cannot hold is a damaged file, not a reason to allocate.
  const int64_t room = static_cast<int64_t>((r.Remaining() + 1) / kShortestEntry);
  entries.resize(static_cast<size_t>(std::clamp<int64_t>(count, 0, room)));
  for (REntry& e : entries) {
    int64_t kind = 0;
    if (!r.Int(kind) || kind < INT32_MIN || kind > INT32_MAX) return false;
    e.kind = static_cast<int32_t>(kind);
    for (double& v : e.arg)
      if (!r.Real(v)) return false;
    r.EndLine();
  }
  return true;
}

bool C3D_Model::LoadFromFile(const std::string& fname) {
  Clear();
  std::ifstream in(fname, std::ios::binary);
  if (!in) return false;
  // Far beyond any model a game builds (some 200,000 entries); a larger file is not one, and
  // its entries would take several times its size.
  constexpr std::streamoff kLargest = std::streamoff{16} << 20;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kLargest) return false;
  in.seekg(0);
  std::string text(static_cast<size_t>(size), '\0');
  if (!in.read(text.data(), size)) return false;
  return ParseModelText(text, i_val);
}

bool C3D_Model::SaveToFile(const std::string& fname) const {
  if (fname.empty()) return false;
  return platform::ReplaceFileContents(fname, ModelText(i_val));
}
