// The rich-text reader of the information and splash windows.
#include "runner/dialogs/Support_Rtf.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Support_Message.h"

namespace {
constexpr size_t kMaxDepth = 64;

struct RGroup {
  bool skip = false;
  int32_t uc = 1;  // characters to skip after \uN
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
}  // namespace

std::string RtfToText(std::string_view rtf) {
  if (rtf.substr(0, 5) != "{\\rtf") return std::string(rtf);
  std::vector<RGroup> groups{RGroup{}};
  size_t depthOverflow = 0;  // groups opened past the cap: counted, not kept
  std::u32string out;
  std::string bytes;  // \'hh bytes waiting to be decoded together (multi-byte code pages)
  int32_t charset = 0;
  int32_t skipChars = 0;
  auto flushBytes = [&] {
    if (bytes.empty()) return;
    std::u32string chars;
    for (char b : bytes) chars.push_back(static_cast<unsigned char>(b));
    out += DecodeForCharset(dialog::ToUtf8(chars), charset);
    bytes.clear();
  };
  auto emit = [&](char32_t c) {
    if (groups.back().skip || depthOverflow) return;
    if (skipChars > 0) {
      --skipChars;
      return;
    }
    flushBytes();
    out.push_back(c);
  };
  size_t i = 0;
  const size_t n = rtf.size();
  while (i < n) {
    const char c = rtf[i];
    if (c == '{') {
      ++i;
      if (depthOverflow || groups.size() >= kMaxDepth) {
        ++depthOverflow;
        continue;
      }
      groups.push_back(groups.back());
      continue;
    }
    if (c == '}') {
      ++i;
      if (depthOverflow) {
        --depthOverflow;
        continue;
      }
      if (groups.size() > 1) groups.pop_back();
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      ++i;
      if (static_cast<unsigned char>(c) < 0x80)
        emit(static_cast<char32_t>(c));
      else if (!groups.back().skip && !depthOverflow)
        bytes.push_back(c);
      continue;
    }
    // A control word or symbol.
    ++i;
    if (i >= n) break;
    const char d = rtf[i];
    if (d == '\'') {
      const int h1 = i + 1 < n ? Hex(rtf[i + 1]) : -1, h2 = i + 2 < n ? Hex(rtf[i + 2]) : -1;
      i += 1;
      // A damaged escape shows nothing; the hex digits it has are its own.
      if (h1 < 0) continue;
      if (h2 < 0) {
        i += 1;
        continue;
      }
      i += 2;
      if (groups.back().skip || depthOverflow) continue;
      if (skipChars > 0) {
        --skipChars;
        continue;
      }
      bytes.push_back(static_cast<char>(h1 * 16 + h2));
      continue;
    }
    if (!((d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z'))) {
      ++i;
      if (d == '*') groups.back().skip = true;
      else if (d == '~') emit(0xA0);
      else if (d == '\\' || d == '{' || d == '}') emit(static_cast<char32_t>(d));
      else if (d == '\n' || d == '\r') emit(U'\n');
      continue;
    }
    std::string word;
    while (i < n && ((rtf[i] >= 'a' && rtf[i] <= 'z') || (rtf[i] >= 'A' && rtf[i] <= 'Z')) && word.size() < 32) word += rtf[i++];
    bool hasNum = false, neg = false;
    int64_t num = 0;
    if (i < n && rtf[i] == '-') {
      neg = true;
      ++i;
    }
    while (i < n && rtf[i] >= '0' && rtf[i] <= '9') {
      hasNum = true;
      if (num < 100000000) num = num * 10 + (rtf[i] - '0');
      ++i;
    }
    if (neg) num = -num;
    if (i < n && rtf[i] == ' ') ++i;
    if (word == "par" || word == "line") emit(U'\n');
    else if (word == "tab") emit(U'\t');
    else if (word == "ansicpg" && hasNum) charset = CharsetOfCodePage(static_cast<int32_t>(num));
    else if (word == "uc" && hasNum) groups.back().uc = static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(num, 8)));
    else if (word == "u" && hasNum) {
      // A 16-bit unit, negative above 32767; anything else, and a half of a surrogate pair,
      // is no character of its own.
      const int64_t unit = num < 0 ? num + 65536 : num;
      const bool character = unit >= 0 && unit <= 0xFFFF && (unit < 0xD800 || unit > 0xDFFF);
      emit(character ? static_cast<char32_t>(unit) : U'\uFFFD');
      skipChars = groups.back().uc;
    } else if (word == "bin" && hasNum) {
      // Binary data is read past, never further than the text goes.
      i += static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(num, 0), static_cast<int64_t>(n - i)));
    } else if (word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" || word == "pict" ||
               word == "header" || word == "footer") {
      groups.back().skip = true;
    }
  }
  flushBytes();
  // The last paragraph mark ends the text; it adds no empty line.
  while (!out.empty() && out.back() == U'\n') out.pop_back();
  return dialog::ToUtf8(out);
}
