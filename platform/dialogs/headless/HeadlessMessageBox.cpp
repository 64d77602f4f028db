// Writes one box per call to standard error, in a form tests and people can grep:
//   <caption>: <text>            for an OK box (line ends as ConsoleText writes them)
//   <caption>: <text> [yes]      for a question, with the answer given
#include "platform/dialogs/headless/HeadlessMessageBox.h"

#include <cstdio>

#include "platform/dialogs/headless/ConsoleText.h"

namespace platform {

MessageAnswer ShowHeadlessMessageBox(const std::string& caption, const std::string& text, MessageButtons buttons,
                                     MessageAnswer answer) {
  std::string line = caption + ": " + ConsoleText(text);
  if (buttons != MessageButtons::Ok) line += std::string(" [") + AnswerName(answer) + "]";
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return answer;
}

}  // namespace platform
