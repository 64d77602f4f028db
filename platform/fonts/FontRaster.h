// System fonts as the glyph rasteriser sees them: a face found by family name (or a font file),
// its text metrics, and 8-bit grey glyph bitmaps with 65 levels, measured the way the runner's
// font tables expect (black box, origin above the baseline, cell advance).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::fonts {

struct RTextMetrics {
  int32_t ascent = 0;
  int32_t height = 0;  // ascent + descent
  int32_t avgWidth = 0;
  int32_t maxWidth = 0;
};

struct RGlyph {
  int32_t blackW = 0, blackH = 0;
  int32_t originX = 0;  // left of the black box from the pen
  int32_t originY = 0;  // top of the black box above the baseline
  int32_t advance = 0;
  int32_t stride = 0;         // bytes per row, a multiple of 4
  std::vector<uint8_t> grey;  // stride × blackH levels 0..64; empty when the glyph has no bitmap
};

class TFontFace {
 public:
  virtual ~TFontFace() = default;
  virtual const RTextMetrics& Metrics() const = 0;
  // The glyph of a character code of the face's character set; false when it has none.
  virtual bool Glyph(int32_t code, RGlyph& out) = 0;
  // The glyph of a Unicode code point, for text already decoded (the runner-drawn dialogs).
  virtual bool CodePointGlyph(char32_t code, RGlyph& out) = 0;
  // The file the face was read from.
  virtual const std::string& File() const = 0;
  // The family that stands in for a family name that is not installed; empty when the name (or
  // an alias the font configuration keeps for it, as "Arial" has) was found, and for files.
  virtual const std::string& StandIn() const = 0;
};

// name is a family name matched through the system's font configuration ("Arial" finds its
// metric-compatible substitute), or the path of a font file. Null when nothing can be opened.
std::unique_ptr<TFontFace> OpenFontFace(const std::string& name, int32_t points, bool bold, bool italic,
                                        int32_t charset);

}  // namespace platform::fonts
