// Compile-error state, message composition and the raising of run-time errors; see Code_Error.h.
#include "runner/code/Code_Error.h"

#include "runner/code/Code_Main.h"

namespace {
// Code points of UTF-8 text; supplementary ones take two UTF-16 units.
struct Walker {
  std::string_view s;
  size_t i = 0;
  bool Done() const { return i >= s.size(); }
  // Advances over one character; returns its first byte and its width in units.
  unsigned char Next(int32_t& units) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    size_t k = 1;
    while (k < n && i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80) ++k;
    i += k;
    units = (n == 4 && k == 4) ? 2 : 1;
    return c;
  }
};
}  // namespace

const RCodeError& CodeError() { return ErrorsState().error; }

void ClearCodeError() {
  RCodeError& e = ErrorsState().error;
  if (e.Clear()) return;
  e.pending = false;
  e.message.clear();
  e.text.clear();
  e.position = 0;
}

int32_t Utf16Length(std::string_view text) {
  Walker w{text};
  int64_t n = 0;
  int32_t u;
  while (!w.Done()) {
    w.Next(u);
    n += u;
  }
  return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

std::string ComposeCodeError(const CCode& code, int32_t position, std::string_view message) {
  std::string_view text = code.GetText();
  int32_t len = Utf16Length(text);
  int32_t pos = position < 1 ? 1 : position;
  if (pos > len) pos = len;

  int64_t line = 1, column = 0;
  size_t lineStart = 0;  // byte after the last line break before pos
  int32_t unit = 0;      // units consumed so far
  bool prevCR = false;
  Walker w{text};
  while (!w.Done() && unit < pos) {
    size_t at = w.i;
    int32_t width;
    unsigned char c = w.Next(width);
    unit += width;
    // A line feed breaks a line unless it opens the text or follows a carriage return.
    bool brk = c == '\r' || (c == '\n' && at != 0 && !prevCR);
    if (brk) {
      ++line;
      column = 0;
      if (unit < pos) lineStart = w.i;
    } else {
      column += width;
    }
    prevCR = c == '\r';
  }
  // The line runs to the next line break (a text using bare line feeds gets its own lines too);
  // the line feed of a CR LF pair belongs to the line it starts.
  size_t from = lineStart < text.size() && text[lineStart] == '\n' ? lineStart + 1 : lineStart;
  size_t lineEnd = text.find_first_of("\r\n", from);
  if (lineEnd == std::string_view::npos) lineEnd = text.size();
  std::string_view lineText = text.substr(lineStart, lineEnd - lineStart);

  std::string out;
  if (code.IsProgram()) {
    out = "Error in code at line " + std::to_string(line) + ":\r   ";
    out.append(lineText);
    out += '\r';
    out.append(static_cast<size_t>(column + 1), ' ');
    out += "^\rat position " + std::to_string(column) + ": ";
  } else {
    out = "Error in expression:";
    out.append(text);
    out += "\r position " + std::to_string(column) + ": ";
  }
  out.append(message);
  return out;
}

void ReportCodeError(const CCode& code, int32_t position, std::string_view message) {
  RCodeError& e = ErrorsState().error;
  if (e.pending) return;
  e.pending = true;
  e.text = message;
  e.position = position;
  e.message = ComposeCodeError(code, position, message);
}

void SetCodeErrorMessage(std::string_view message) {
  RCodeError& e = ErrorsState().error;
  e.pending = true;
  e.text = message;
  e.position = 0;
  e.message = message;
}

void PrefixCodeError(std::string_view prefix) {
  RCodeError& e = ErrorsState().error;
  if (e.pending) e.message.insert(0, prefix);
}

void SetErrorSink(ErrorSink sink) { ErrorsState().sink = sink; }
void SetErrorReporter(const RErrorReporter* reporter) { ErrorsState().reporter = reporter; }

void ShowActionError(std::string_view message, bool fatal) {
  const RErrorsState& s = ErrorsState();
  if (s.sink) return s.sink(message, fatal);
  if (s.reporter) s.reporter->action(message, fatal);
}

void ShowError(std::string_view message, bool fatal) {
  const RErrorsState& s = ErrorsState();
  if (s.sink) return s.sink(message, fatal);
  if (s.reporter) s.reporter->plain(message, fatal);
}

void ShowPendingCodeError() {
  const RCodeError& e = ErrorsState().error;
  if (!e.pending) return;
  const std::string message = e.message;  // showing may compile and run code again
  ClearCodeError();
  ShowActionError(message, false);
}
