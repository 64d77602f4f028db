// Code page tables read from glibc's iconv once per process, one per code page the font
// character sets name.
#include "platform/fonts/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <map>
#include <string_view>

namespace platform::fonts {
namespace {

constexpr int32_t kSymbolCharset = 2;

}  // namespace

const char* CodePageName(int32_t charset) {
  switch (charset) {
    case 128:
      return "CP932";
    case 129:
      return "CP949";
    case 130:
      return "CP1361";
    case 134:
      return "CP936";
    case 136:
      return "CP950";
    case 161:
      return "CP1253";
    case 162:
      return "CP1254";
    case 163:
      return "CP1258";
    case 177:
      return "CP1255";
    case 178:
      return "CP1256";
    case 186:
      return "CP1257";
    case 204:
      return "CP1251";
    case 222:
      return "CP874";
    case 238:
      return "CP1250";
    default:
      return "CP1252";
  }
}

int32_t TCodePage::ByteOf(char16_t c) const {
  if (c < 0x80) return c;
  const auto it = std::lower_bound(beyondAscii_.begin(), beyondAscii_.end(), std::pair<char16_t, uint8_t>(c, 0));
  return it != beyondAscii_.end() && it->first == c ? it->second : -1;
}

const TCodePage& CodePageOf(int32_t charset) {
  static const std::map<std::string_view, TCodePage> pages = [] {
    std::map<std::string_view, TCodePage> all;
    const int32_t sets[] = {0, 128, 129, 130, 134, 136, 161, 162, 163, 177, 178, 186, 204, 222, 238, kSymbolCharset};
    for (const int32_t set : sets) {
      const std::string_view name = set == kSymbolCharset ? "symbol" : CodePageName(set);
      TCodePage& page = all[name];
      const iconv_t conv = set == kSymbolCharset ? reinterpret_cast<iconv_t>(-1) : iconv_open("UTF-32LE", name.data());
      for (int b = 0; b < 256; ++b) {
        // Without a converter (the symbol set, or a page the system lacks) a byte is itself.
        char32_t ch = static_cast<char32_t>(b);
        if (conv != reinterpret_cast<iconv_t>(-1)) {
          ch = TCodePage::kNoChar;
          char in = static_cast<char>(b);
          uint32_t u32 = 0;
          char* ip = &in;
          char* op = reinterpret_cast<char*>(&u32);
          size_t il = 1, ol = sizeof u32;
          iconv(conv, nullptr, nullptr, nullptr, nullptr);
          // A lead byte alone is an incomplete sequence: it stands for no character.
          if (iconv(conv, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && ol == 0) ch = u32;
        }
        page.chars_[static_cast<size_t>(b)] = ch;
        if (ch != TCodePage::kNoChar && ch >= 0x80 && ch <= 0xFFFF)
          page.beyondAscii_.emplace_back(static_cast<char16_t>(ch), static_cast<uint8_t>(b));
      }
      if (conv != reinterpret_cast<iconv_t>(-1)) iconv_close(conv);
      // Where two bytes stand for one character the lower one is taken.
      std::sort(page.beyondAscii_.begin(), page.beyondAscii_.end());
    }
    return all;
  }();
  return pages.at(charset == kSymbolCharset ? std::string_view("symbol") : std::string_view(CodePageName(charset)));
}

}  // namespace platform::fonts
