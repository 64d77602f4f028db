// The line-keeping INI copy; see Support_Ini.h.
#include "runner/functions/Support_Ini.h"

#include <charconv>
#include <cmath>

namespace {
enum class LineKind { Other, Section, Key };

struct RLine {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// "[name]" is a section; "[name" without its bracket counts as one to the end of the line.
// Comments (";", "#") and lines without "=" are kept but mean nothing.
RLine Classify(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.empty() || t[0] == ';' || t[0] == '#') return {};
  if (t[0] == '[') {
    const size_t close = t.find(']');
    return {LineKind::Section, Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)), {}};
  }
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return {};
  return {LineKind::Key, Trim(t.substr(0, eq)), Trim(t.substr(eq + 1))};
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + ('a' - 'A'));
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + ('a' - 'A'));
    if (x != y) return false;
  }
  return true;
}

// Names are written as given, but a line break inside one would make a different file.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}
}  // namespace

void CIniFile::Parse(std::string_view text) {
  lines_.clear();
  changed_ = false;
  bom_ = text.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom_) text.remove_prefix(3);
  if (text.size() > kMaxBytes) {
    bom_ = false;
    return;
  }
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    lines_.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    const size_t skip = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
    text.remove_prefix(end + skip);
  }
}

std::string CIniFile::Text() const {
  std::string out = bom_ ? "\xEF\xBB\xBF" : "";
  for (const std::string& line : lines_) {
    out += line;
    out += "\r\n";
  }
  return out;
}

std::optional<std::string> CIniFile::Read(std::string_view section, std::string_view key) const {
  bool inside = false;
  for (const std::string& text : lines_) {
    const RLine line = Classify(text);
    if (line.kind == LineKind::Section)
      inside = SameName(line.name, section);
    else if (inside && line.kind == LineKind::Key && SameName(line.name, key))
      return std::string(line.value);
  }
  return std::nullopt;
}

bool CIniFile::SectionExists(std::string_view section) const {
  for (const std::string& text : lines_) {
    const RLine line = Classify(text);
    if (line.kind == LineKind::Section && SameName(line.name, section)) return true;
  }
  return false;
}

void CIniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  changed_ = true;
  const std::string newLine = OneLine(key) + "=" + OneLine(value);
  bool inside = false;
  size_t insertAt = std::string::npos;  // after the last key line of a section of that name
  for (size_t i = 0; i < lines_.size(); ++i) {
    const RLine line = Classify(lines_[i]);
    if (line.kind == LineKind::Section) {
      inside = SameName(line.name, section);
      if (inside && insertAt == std::string::npos) insertAt = i + 1;
    } else if (inside && line.kind == LineKind::Key) {
      if (SameName(line.name, key)) {
        lines_[i] = std::string(line.name) + "=" + OneLine(value);  // the key keeps its spelling
        return;
      }
      if (insertAt != std::string::npos && insertAt <= i) insertAt = i + 1;
    }
  }
  if (insertAt != std::string::npos) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    return;
  }
  lines_.push_back("[" + OneLine(section) + "]");
  lines_.push_back(newLine);
}

void CIniFile::DeleteKey(std::string_view section, std::string_view key) {
  bool inside = false;
  for (size_t i = 0; i < lines_.size();) {
    const RLine line = Classify(lines_[i]);
    if (line.kind == LineKind::Section) inside = SameName(line.name, section);
    if (inside && line.kind == LineKind::Key && SameName(line.name, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      changed_ = true;
      continue;
    }
    ++i;
  }
}

void CIniFile::DeleteSection(std::string_view section) {
  bool inside = false;
  for (size_t i = 0; i < lines_.size();) {
    const RLine line = Classify(lines_[i]);
    if (line.kind == LineKind::Section) inside = SameName(line.name, section);
    if (inside) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      changed_ = true;
      continue;
    }
    ++i;
  }
}

double IniNumber(std::string_view text) {
  // All mantissa digits as one whole number, scaled once at the end: "0.3" is 3 / 10, the
  // double nearest to 0.3, where adding 3 * 0.1 would not be.
  double digits = 0, exponent = 0;
  int fractionDigits = 0;
  bool negative = false, expNegative = false, fraction = false, inExponent = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      const int d = c - '0';
      if (inExponent) {
        exponent = exponent * 10 + d;
      } else {
        digits = digits * 10 + d;
        if (fraction) ++fractionDigits;
      }
    } else if ((c == '.' || c == ',') && !fraction && !inExponent) {
      fraction = true;
    } else if ((c == 'E' || c == 'e') && !inExponent) {
      inExponent = true;
    } else if (c == '-') {
      if (inExponent)
        expNegative = !expNegative;
      else
        negative = !negative;
    } else {
      break;
    }
  }
  if (digits == 0) return 0;  // not 0 times an infinite power
  const double scale = (expNegative ? -exponent : exponent) - fractionDigits;
  const double value = scale < 0 ? digits / std::pow(10.0, -scale) : digits * std::pow(10.0, scale);
  return negative ? -value : value;
}

std::string IniRealText(double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string text(buf, r.ptr);
  // The number rule stops at a "+", so "1e+20" would read back as 1: the exponent goes without it.
  if (const size_t plus = text.find("e+"); plus != std::string::npos) text.erase(plus + 1, 1);
  return text;
}
