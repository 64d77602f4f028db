// Writes one box per call to standard error, in a form tests and people can grep:
//   <caption>: <text>            for an OK box
//   <caption>: <text> [yes]      for a question, with the answer given
#include "platform/dialogs/headless/HeadlessMessageBox.h"

#include <cstdio>

namespace platform {

MessageAnswer ShowHeadlessMessageBox(const std::string& caption, const std::string& text, MessageButtons buttons,
                                     MessageAnswer answer) {
  std::string line = caption + ": " + text;
  if (buttons != MessageButtons::Ok) line += std::string(" [") + AnswerName(answer) + "]";
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return answer;
}

}  // namespace platform
