// Writes one error message per call to standard error, in the form of scripted message boxes.
#include "platform/dialogs/headless/HeadlessErrorForm.h"

#include <cstdio>
#include <string>

#include "platform/dialogs/headless/ConsoleText.h"

namespace platform {

ErrorAnswer ShowHeadlessErrorForm(std::string_view caption, std::string_view message, ErrorAnswer answer) {
  std::string out(caption);
  out += ": ";
  out += ConsoleText(message);
  out += std::string(" [") + ErrorAnswerName(answer) + "]\n";
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
  return answer;
}

}  // namespace platform
