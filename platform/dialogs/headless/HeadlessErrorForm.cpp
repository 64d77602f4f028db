// Writes one error message per call to standard error, in the form of scripted message boxes.
#include "platform/dialogs/headless/HeadlessErrorForm.h"

#include <cstdio>
#include <string>

namespace platform {

ErrorAnswer ShowHeadlessErrorForm(std::string_view caption, std::string_view message, ErrorAnswer answer) {
  std::string out(caption);
  out += ": ";
  // CR LF, a lone CR and a lone LF all end a line.
  for (size_t i = 0; i < message.size(); ++i) {
    const char c = message[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < message.size() && message[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  out += std::string(" [") + ErrorAnswerName(answer) + "]\n";
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
  return answer;
}

}  // namespace platform
