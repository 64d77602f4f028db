// Finds system fonts through fontconfig and rasterises their glyphs with FreeType's classic
// (v35) TrueType hinter, whose output is closest to the grey glyphs the font tables were made
// for. One FreeType library for the process; faces own their size and their code page.
#include "platform/fonts/FontRaster.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include "platform/fonts/CodePage.h"

namespace platform::fonts {
namespace {

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) return static_cast<FT_Library>(nullptr);
    FT_UInt v35 = TT_INTERPRETER_VERSION_35;
    FT_Property_Set(l, "truetype", "interpreter-version", &v35);
    return l;
  }();
  return lib;
}

struct RMatch {
  std::string file;
  int index = 0;
  bool bold = false, italic = false;  // what the file itself is
  std::string standIn;                // see TFontFace::StandIn
};

bool SameFamily(const char* a, const char* b) { return FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(a), reinterpret_cast<const FcChar8*>(b)) == 0; }

// Whether family is the name asked for or an alias the configuration binds to it firmly (the
// metric-compatible twins): the weak ones are whatever the system falls back on for any name.
bool ChosenFamily(FcPattern* substituted, const char* family) {
  FcValue v;
  FcValueBinding binding = FcValueBindingWeak;
  for (int i = 0; FcPatternGetWithBinding(substituted, FC_FAMILY, i, &v, &binding) == FcResultMatch; ++i)
    if (v.type == FcTypeString && binding != FcValueBindingWeak &&
        SameFamily(reinterpret_cast<const char*>(v.u.s), family))
      return true;
  return false;
}

bool MatchFamily(const std::string& name, bool bold, bool italic, RMatch& m) {
  // Held for the process; freed at exit so leak checks stay quiet.
  static const std::unique_ptr<FcConfig, void (*)(FcConfig*)> holder(FcInitLoadConfigAndFonts(),
                                                                     FcConfigDestroy);
  FcConfig* config = holder.get();
  if (!config) return false;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res = FcResultNoMatch;
  FcPattern* found = FcFontMatch(config, pat, &res);
  if (!found) {
    FcPatternDestroy(pat);
    return false;
  }
  FcChar8* file = nullptr;
  bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file;
  if (FcChar8* family = nullptr; ok && FcPatternGetString(found, FC_FAMILY, 0, &family) == FcResultMatch &&
                                 !ChosenFamily(pat, reinterpret_cast<const char*>(family)))
    m.standIn = reinterpret_cast<const char*>(family);
  FcPatternDestroy(pat);
  if (ok) {
    m.file = reinterpret_cast<const char*>(file);
    int v = 0;
    if (FcPatternGetInteger(found, FC_INDEX, 0, &v) == FcResultMatch) m.index = v;
    if (FcPatternGetInteger(found, FC_WEIGHT, 0, &v) == FcResultMatch) m.bold = v >= FC_WEIGHT_DEMIBOLD;
    if (FcPatternGetInteger(found, FC_SLANT, 0, &v) == FcResultMatch) m.italic = v != FC_SLANT_ROMAN;
  }
  FcPatternDestroy(found);
  return ok;
}

int32_t Scale(long units, int32_t ppem, int32_t upem, bool up) {
  const double v = static_cast<double>(units) * ppem / upem;
  return static_cast<int32_t>(up ? std::ceil(v - 1e-9) : std::lround(v));
}

class TFreeTypeFace final : public TFontFace {
 public:
  ~TFreeTypeFace() override {
    if (face_) FT_Done_Face(face_);
  }

  const std::string& StandIn() const override { return standIn_; }

  bool Open(const RMatch& m, int32_t points, bool bold, bool italic, int32_t charset) {
    file_ = m.file;
    standIn_ = m.standIn;
    if (!Library() || FT_New_Face(Library(), m.file.c_str(), m.index, &face_) != 0) return false;
    if (!FT_IS_SCALABLE(face_)) return false;
    embolden_ = bold && !m.bold;
    oblique_ = italic && !m.italic;
    const int32_t ppem = std::max(1, static_cast<int32_t>(std::lround(std::abs(points) * 96.0 / 72.0)));
    if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(ppem)) != 0) return false;
    symbol_ = charset == 2;
    page_ = &CodePageOf(charset);

    const int32_t upem = face_->units_per_EM > 0 ? face_->units_per_EM : 2048;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    int32_t descent;
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      metrics_.ascent = Scale(os2->usWinAscent, ppem, upem, true);
      descent = Scale(os2->usWinDescent, ppem, upem, true);
      metrics_.avgWidth = Scale(os2->xAvgCharWidth, ppem, upem, false);
    } else {
      metrics_.ascent = static_cast<int32_t>((face_->size->metrics.ascender + 63) >> 6);
      descent = static_cast<int32_t>((-face_->size->metrics.descender + 63) >> 6);
      metrics_.avgWidth = static_cast<int32_t>((face_->size->metrics.max_advance + 63) >> 6) / 2;
    }
    metrics_.height = metrics_.ascent + descent;
    metrics_.maxWidth = static_cast<int32_t>((face_->size->metrics.max_advance + 63) >> 6);
    return true;
  }

  const RTextMetrics& Metrics() const override { return metrics_; }
  const std::string& File() const override { return file_; }

  bool Glyph(int32_t code, RGlyph& out) override {
    out = RGlyph{};
    FT_ULong uc = static_cast<FT_ULong>(code & 0xFF);
    if (symbol_) {
      if (FT_Get_Char_Index(face_, 0xF000 + uc) != 0) uc += 0xF000;
    } else {
      const char32_t ch = page_->CharOf(static_cast<uint8_t>(uc));
      if (ch == TCodePage::kNoChar) return false;
      uc = ch;
    }
    return CodePointGlyph(static_cast<char32_t>(uc), out);
  }

  bool CodePointGlyph(char32_t uc, RGlyph& out) override {
    out = RGlyph{};
    const FT_UInt index = FT_Get_Char_Index(face_, uc);
    if (FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
    FT_GlyphSlot slot = face_->glyph;
    if (embolden_) FT_GlyphSlot_Embolden(slot);
    if (oblique_) FT_GlyphSlot_Oblique(slot);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return false;
    const FT_Bitmap& bm = slot->bitmap;
    out.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    out.originX = slot->bitmap_left;
    out.originY = slot->bitmap_top;
    if (bm.width == 0 || bm.rows == 0 || bm.pixel_mode != FT_PIXEL_MODE_GRAY) return true;
    out.blackW = static_cast<int32_t>(bm.width);
    out.blackH = static_cast<int32_t>(bm.rows);
    out.stride = (out.blackW + 3) & ~3;
    out.grey.assign(static_cast<size_t>(out.stride) * static_cast<size_t>(out.blackH), 0);
    const int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
    for (int32_t y = 0; y < out.blackH; ++y) {
      const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      if (bm.pitch < 0) row = bm.buffer + static_cast<ptrdiff_t>(out.blackH - 1 - y) * -bm.pitch;
      for (int32_t x = 0; x < out.blackW; ++x)
        out.grey[static_cast<size_t>(y) * out.stride + x] =
            static_cast<uint8_t>((row[x] * 64 + levels / 2) / levels);
    }
    return true;
  }

 private:
  FT_Face face_ = nullptr;
  const TCodePage* page_ = nullptr;
  bool symbol_ = false;
  bool embolden_ = false, oblique_ = false;
  RTextMetrics metrics_;
  std::string file_;
  std::string standIn_;
};

bool LooksLikeFile(const std::string& name) {
  std::error_code ec;
  return name.find('/') != std::string::npos && std::filesystem::is_regular_file(name, ec);
}

}  // namespace

std::unique_ptr<TFontFace> OpenFontFace(const std::string& name, int32_t points, bool bold, bool italic,
                                        int32_t charset) {
  RMatch m;
  if (LooksLikeFile(name)) {
    m.file = name;
    FT_Face probe = nullptr;
    if (Library() && FT_New_Face(Library(), name.c_str(), 0, &probe) == 0) {
      m.bold = (probe->style_flags & FT_STYLE_FLAG_BOLD) != 0;
      m.italic = (probe->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
      FT_Done_Face(probe);
    }
  } else if (name.empty() || !MatchFamily(name, bold, italic, m)) {
    return nullptr;
  }
  auto face = std::make_unique<TFreeTypeFace>();
  if (!face->Open(m, points, bold, italic, charset)) return nullptr;
  return face;
}

}  // namespace platform::fonts
