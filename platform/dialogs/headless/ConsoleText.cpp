// See ConsoleText.h.
#include "platform/dialogs/headless/ConsoleText.h"

namespace platform {

std::string ConsoleText(std::string_view message) {
  std::string out;
  out.reserve(message.size());
  bool afterCR = false;  // only blanks since the last carriage return
  for (char c : message) {
    if (c == '\r') {
      out += '\n';
      afterCR = true;
    } else if (c == '\n') {
      if (!afterCR) out += '\n';
      afterCR = false;
    } else {
      out += c;
      afterCR = afterCR && (c == ' ' || c == '\t');
    }
  }
  return out;
}

}  // namespace platform
