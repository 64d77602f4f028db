// Fuzz target for the rich-text reader of the game information and text splash screens: any
// bytes give text (valid UTF-8, no longer than a bounded multiple of the input) or plain text,
// and styled runs within the same bounds. The same bytes as a local web page give no more text
// than they are long.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Runner_Splash.h"
#include "runner/dialogs/Support_Rtf.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text = "{\\rtf1 ";
  text.append(reinterpret_cast<const char*>(data), size);
  const std::string out = RtfToText(text);
  // Every input byte gives at most one character, of at most four bytes.
  FUZZ_CHECK(out.size() <= 4 * text.size());
  for (char32_t c : dialog::FromUtf8(out)) FUZZ_CHECK(c != 0xFFFD || out.find("\xEF\xBF\xBD") != std::string::npos);
  // The styled runs hold no more characters than the input has bytes, and their sizes stay
  // within what the rasteriser is ever asked for.
  const RRtfDocument doc = ReadRtf(text, RRtfStyle{});
  size_t chars = 0;
  for (const RRtfParagraph& p : doc.paragraphs) {
    FUZZ_CHECK(p.align >= 0 && p.align <= 2);
    for (const RRtfRun& r : p.runs) {
      chars += r.text.size() + 1;
      FUZZ_CHECK(r.style.size >= 1 && r.style.size <= 144);
      FUZZ_CHECK(r.style.font.size() <= 64);
    }
  }
  FUZZ_CHECK(chars <= 2 * text.size() + 1);
  // Tags become at most a line break, entities at most the four bytes of their character.
  FUZZ_CHECK(WebPageText(std::string(reinterpret_cast<const char*>(data), size)).size() <= size);
  return 0;
}
