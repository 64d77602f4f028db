// The rich-text reader of the information and splash windows.
#include "runner/dialogs/Support_Rtf.h"

#include <algorithm>
#include <map>

#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Support_Message.h"

namespace {
constexpr size_t kMaxDepth = 64;
// Tables past these sizes are damage, not documents: later entries are read past.
constexpr size_t kMaxFonts = 256, kMaxColors = 256, kMaxFontName = 64;
constexpr int32_t kMaxPoints = 144;

enum class EDest : uint8_t { Text, Skip, FontTable, ColorTable };

struct RGroup {
  EDest dest = EDest::Text;
  int32_t uc = 1;        // characters to skip after \uN
  int32_t charset = -1;  // of the current font; -1: the document's
  int32_t align = 0;
  RRtfStyle style;
};

struct RFontEntry {
  std::string name;
  int32_t charset = -1;
};

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Windows code page number to the character set whose table holds it (0 for 1252 and unknown).
int32_t CharsetOfCodePage(int32_t cp) {
  switch (cp) {
    case 932: return 128;
    case 949: return 129;
    case 1361: return 130;
    case 936: return 134;
    case 950: return 136;
    case 1253: return 161;
    case 1254: return 162;
    case 1258: return 163;
    case 1255: return 177;
    case 1256: return 178;
    case 1257: return 186;
    case 1251: return 204;
    case 874: return 222;
    case 1250: return 238;
    default: return 0;
  }
}

// Named characters of the text destination.
char32_t SymbolWord(const std::string& w) {
  if (w == "bullet") return 0x2022;
  if (w == "emdash") return 0x2014;
  if (w == "endash") return 0x2013;
  if (w == "lquote") return 0x2018;
  if (w == "rquote") return 0x2019;
  if (w == "ldblquote") return 0x201C;
  if (w == "rdblquote") return 0x201D;
  return 0;
}

class TRtfReader {
 public:
  TRtfReader(std::string_view rtf, const RRtfStyle& base) : rtf_(rtf), base_(base) {
    RGroup top;
    top.style = base;
    groups_.push_back(top);
    doc_.paragraphs.emplace_back();
  }

  RRtfDocument Read() {
    size_t& i = i_;
    const size_t n = rtf_.size();
    while (i < n) {
      const char c = rtf_[i];
      if (c == '{') {
        ++i;
        FlushBytes();
        if (overflow_ || groups_.size() >= kMaxDepth) {
          ++overflow_;
          continue;
        }
        groups_.push_back(groups_.back());
        continue;
      }
      if (c == '}') {
        ++i;
        FlushBytes();
        if (overflow_) {
          --overflow_;
          continue;
        }
        if (groups_.size() > 1) groups_.pop_back();
        continue;
      }
      if (c == '\r' || c == '\n') {
        ++i;
        continue;
      }
      if (c != '\\') {
        ++i;
        Character(c);
        continue;
      }
      ++i;
      if (i >= n) break;
      const char d = rtf_[i];
      if (d == '\'') {
        HexByte();
        continue;
      }
      FlushBytes();
      if (!((d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z'))) {
        ++i;
        if (d == '*') G().dest = EDest::Skip;
        else if (d == '~') Emit(0xA0);
        else if (d == '\\' || d == '{' || d == '}') Character(d);
        else if (d == '\n' || d == '\r') Paragraph();
        continue;
      }
      ControlWord();
    }
    FlushBytes();
    doc_.paragraphs.back().align = G().align;
    // The last paragraph mark ends the text; it adds no empty paragraph.
    while (doc_.paragraphs.size() > 1 && doc_.paragraphs.back().runs.empty()) doc_.paragraphs.pop_back();
    return std::move(doc_);
  }

 private:
  RGroup& G() { return groups_.back(); }
  bool Hidden() { return overflow_ || G().dest == EDest::Skip; }

  // A plain character: text, or part of a table entry.
  void Character(char c) {
    if (Hidden()) return;
    const auto u = static_cast<unsigned char>(c);
    switch (G().dest) {
      case EDest::FontTable:
        if (c == ';') {
          if (fonts_.count(fontNumber_) || fonts_.size() < kMaxFonts) fonts_[fontNumber_] = fontEntry_;
          fontEntry_ = RFontEntry{};
        } else if (u >= 0x20 && u < 0x80 && fontEntry_.name.size() < kMaxFontName) {
          fontEntry_.name += c;
        }
        return;
      case EDest::ColorTable:
        if (c == ';') {
          if (colors_.size() < kMaxColors) colors_.push_back(colorSet_ ? color_ : -1);
          color_ = 0;
          colorSet_ = false;
        }
        return;
      default:
        break;
    }
    if (u < 0x80) Emit(static_cast<char32_t>(u));
    else bytes_.push_back(c);
  }

  void HexByte() {
    size_t& i = i_;
    const size_t n = rtf_.size();
    const int h1 = i + 1 < n ? Hex(rtf_[i + 1]) : -1, h2 = i + 2 < n ? Hex(rtf_[i + 2]) : -1;
    i += 1;
    // A damaged escape shows nothing; the hex digits it has are its own.
    if (h1 < 0) return;
    if (h2 < 0) {
      i += 1;
      return;
    }
    i += 2;
    if (Hidden() || G().dest != EDest::Text) return;
    if (skipChars_ > 0) {
      --skipChars_;
      return;
    }
    bytes_.push_back(static_cast<char>(h1 * 16 + h2));
  }

  // Whether a character is shown, after the fallback characters of a \uN are read past.
  bool Counts() {
    if (Hidden() || G().dest != EDest::Text) return false;
    if (skipChars_ > 0) {
      --skipChars_;
      return false;
    }
    return true;
  }

  void Emit(char32_t c) {
    if (!Counts()) return;
    FlushBytes();
    Append(std::u32string_view(&c, 1));
  }

  void Append(std::u32string_view text) {
    RRtfParagraph& p = doc_.paragraphs.back();
    if (p.runs.empty() || !(p.runs.back().style == G().style)) p.runs.push_back(RRtfRun{G().style, {}});
    p.runs.back().text.append(text);
  }

  void Paragraph() {
    if (!Counts()) return;
    FlushBytes();
    doc_.paragraphs.back().align = G().align;
    doc_.paragraphs.emplace_back();
  }

  // 8-bit characters are decoded together, so the two bytes of a multi-byte code page meet.
  void FlushBytes() {
    if (bytes_.empty()) return;
    std::u32string chars;
    for (char b : bytes_) chars.push_back(static_cast<unsigned char>(b));
    bytes_.clear();
    const int32_t charset = G().charset >= 0 ? G().charset : docCharset_;
    Append(DecodeForCharset(dialog::ToUtf8(chars), charset));
  }

  void ControlWord() {
    size_t& i = i_;
    const size_t n = rtf_.size();
    std::string word;
    while (i < n && ((rtf_[i] >= 'a' && rtf_[i] <= 'z') || (rtf_[i] >= 'A' && rtf_[i] <= 'Z')) && word.size() < 32)
      word += rtf_[i++];
    bool hasNum = false, neg = false;
    int64_t num = 0;
    if (i < n && rtf_[i] == '-') {
      neg = true;
      ++i;
    }
    while (i < n && rtf_[i] >= '0' && rtf_[i] <= '9') {
      hasNum = true;
      if (num < 100000000) num = num * 10 + (rtf_[i] - '0');
      ++i;
    }
    if (neg) num = -num;
    if (i < n && rtf_[i] == ' ') ++i;
    const bool on = !hasNum || num != 0;
    const auto index = static_cast<int32_t>(std::clamp<int64_t>(num, -1, 1 << 20));
    RGroup& g = G();

    if (word == "bin" && hasNum) {
      // Binary data is read past, never further than the text goes.
      i += static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(num, 0), static_cast<int64_t>(n - i)));
      return;
    }
    if (g.dest == EDest::FontTable) {
      if (word == "f" && hasNum) fontNumber_ = index;
      else if (word == "fcharset" && hasNum) fontEntry_.charset = index;
      return;
    }
    if (g.dest == EDest::ColorTable) {
      const auto v = static_cast<int32_t>(std::clamp<int64_t>(num, 0, 255));
      if (word == "red") color_ = (color_ & 0xFFFF00) | v;
      else if (word == "green") color_ = (color_ & 0xFF00FF) | (v << 8);
      else if (word == "blue") color_ = (color_ & 0x00FFFF) | (v << 16);
      else return;
      colorSet_ = true;
      return;
    }
    if (word == "par") Paragraph();
    else if (word == "line") Emit(U'\n');
    else if (word == "tab") Emit(U'\t');
    else if (char32_t sym = SymbolWord(word)) Emit(sym);
    else if (word == "ansicpg" && hasNum) docCharset_ = CharsetOfCodePage(static_cast<int32_t>(num));
    else if (word == "uc" && hasNum) g.uc = static_cast<int32_t>(std::clamp<int64_t>(num, 0, 8));
    else if (word == "u" && hasNum) {
      // A 16-bit unit, negative above 32767; anything else, and a half of a surrogate pair,
      // is no character of its own.
      const int64_t unit = num < 0 ? num + 65536 : num;
      const bool character = unit >= 0 && unit <= 0xFFFF && (unit < 0xD800 || unit > 0xDFFF);
      Emit(character ? static_cast<char32_t>(unit) : U'\uFFFD');
      skipChars_ = g.uc;
    } else if (word == "fonttbl") g.dest = EDest::FontTable;
    else if (word == "colortbl") {
      g.dest = EDest::ColorTable;
      color_ = 0;
      colorSet_ = false;
    } else if (word == "stylesheet" || word == "info" || word == "pict" || word == "header" || word == "footer")
      g.dest = EDest::Skip;
    else if (word == "b") g.style.bold = on;
    else if (word == "i") g.style.italic = on;
    else if (word == "ul" || word == "uldb" || word == "ulw" || word == "uld") g.style.underline = on;
    else if (word == "ulnone") g.style.underline = false;
    else if (word == "fs") g.style.size = std::clamp<int32_t>((hasNum ? index : 24) / 2, 1, kMaxPoints);
    else if (word == "cf" && hasNum) {
      const bool known = index >= 0 && static_cast<size_t>(index) < colors_.size() && colors_[static_cast<size_t>(index)] >= 0;
      g.style.color = known ? colors_[static_cast<size_t>(index)] : base_.color;
    } else if (word == "f" && hasNum) {
      auto it = fonts_.find(index);
      if (it != fonts_.end()) {
        if (!it->second.name.empty()) g.style.font = it->second.name;
        // The default character set (1) and the ANSI one leave the document's code page in force.
        g.charset = it->second.charset > 1 ? it->second.charset : -1;
      }
    } else if (word == "plain") {
      g.style = base_;
      g.charset = -1;
    } else if (word == "pard") g.align = 0;
    else if (word == "ql" || word == "qj") g.align = 0;
    else if (word == "qc") g.align = 1;
    else if (word == "qr") g.align = 2;
  }

  std::string_view rtf_;
  RRtfStyle base_;
  size_t i_ = 0;
  std::vector<RGroup> groups_;
  size_t overflow_ = 0;  // groups opened past the cap: counted, not kept
  RRtfDocument doc_;
  std::string bytes_;  // \'hh bytes waiting to be decoded together
  int32_t docCharset_ = 0;
  int32_t skipChars_ = 0;
  std::map<int32_t, RFontEntry> fonts_;
  int32_t fontNumber_ = 0;
  RFontEntry fontEntry_;
  std::vector<int32_t> colors_;  // -1: the automatic colour
  int32_t color_ = 0;
  bool colorSet_ = false;
};
}  // namespace

RRtfDocument ReadRtf(std::string_view rtf, const RRtfStyle& base) {
  if (rtf.substr(0, 5) == "{\\rtf") return TRtfReader(rtf, base).Read();
  RRtfDocument doc;
  doc.paragraphs.emplace_back();
  const std::u32string text = dialog::FromUtf8(rtf);
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c == U'\r' || c == U'\n') {
      if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
      doc.paragraphs.emplace_back();
      continue;
    }
    auto& runs = doc.paragraphs.back().runs;
    if (runs.empty()) runs.push_back(RRtfRun{base, {}});
    runs.back().text.push_back(c);
  }
  return doc;
}

std::string RtfToText(std::string_view rtf) {
  if (rtf.substr(0, 5) != "{\\rtf") return std::string(rtf);
  const RRtfDocument doc = ReadRtf(rtf, RRtfStyle{});
  std::u32string out;
  for (size_t p = 0; p < doc.paragraphs.size(); ++p) {
    if (p) out.push_back(U'\n');
    for (const RRtfRun& r : doc.paragraphs[p].runs) out += r.text;
  }
  while (!out.empty() && out.back() == U'\n') out.pop_back();
  return dialog::ToUtf8(out);
}
