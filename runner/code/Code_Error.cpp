// Compile-error state, message composition and the run-time error path; see Code_Error.h.
#include "runner/code/Code_Error.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/app/Application.h"
#include "platform/dialogs/ErrorForm.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_Class.h"
#include "runner/run/Event_Name.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"

namespace {
RCodeError g_error;

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

const RCodeError& CodeError() { return g_error; }

void ClearCodeError() {
  g_error.pending = false;
  g_error.message.clear();
  g_error.text.clear();
  g_error.position = 0;
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
  if (g_error.pending) return;
  g_error.pending = true;
  g_error.text = message;
  g_error.position = position;
  g_error.message = ComposeCodeError(code, position, message);
}

void SetCodeErrorMessage(std::string_view message) {
  g_error.pending = true;
  g_error.text = message;
  g_error.position = 0;
  g_error.message = message;
}

void PrefixCodeError(std::string_view prefix) {
  if (g_error.pending) g_error.message.insert(0, prefix);
}

namespace {
struct RErrorState {
  bool aborting = false;
  bool first_log_write = true;
  bool occurred = false;
  std::string last;
};
RErrorState g_state;
ErrorSink g_error_sink = nullptr;

platform::TErrorForm& Form() {
  static platform::TErrorForm form;
  return form;
}

// Failures are swallowed: a log that cannot be written must not become another error. The log
// is emptied by the first open that succeeds, so a failed first write cannot leave an older
// run's messages in front of this run's.
void AppendToLog(std::string_view message) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (g_state.first_log_write ? O_TRUNC : O_APPEND);
  const int fd = open(kErrorLogName, flags, 0644);
  if (fd < 0) return;
  g_state.first_log_write = false;
  std::string text(message);
  text += "\r\n\r\n\r\n";  // the message's line end, then two empty lines
  WriteFully(fd, text);  // a failed write is dropped like every other log failure
  close(fd);
}

bool ReadOccurred(CInstance*, int32_t, RValue& out) {
  out.SetReal(g_state.occurred ? 1.0 : 0.0);
  return true;
}
bool WriteOccurred(CInstance*, int32_t, const RValue& v) {
  g_state.occurred = v.val() >= 0.5;
  return true;
}
bool ReadLast(CInstance*, int32_t, RValue& out) {
  out = RValue(std::string_view(g_state.last));
  return true;
}
bool WriteLast(CInstance*, int32_t, const RValue& v) {
  g_state.last = v.str();
  return true;
}
}  // namespace

void SetErrorSink(ErrorSink sink) { g_error_sink = sink; }

void ShowActionError(std::string_view message, bool fatal) {
  if (g_error_sink) return g_error_sink(message, fatal);
  if (g_state.aborting) return;  // nothing to compose for a dropped error
  ShowError(ComposeActionError(message, fatal), fatal);
}

void ShowError(std::string_view message, bool fatal) {
  if (g_error_sink) return g_error_sink(message, fatal);
  if (g_state.aborting) return;
  const ROptions& o = Options();
  if (o.opt_aborterrors) fatal = true;
  if (o.opt_showerrors) {
    if (fatal)
      ShowErrorWindow(message, false);
    else if (ShowErrorWindow(message, true))
      fatal = true;
  }
  if (RunHooks().clearInput) RunHooks().clearInput();
  if (o.opt_logerrors) AppendToLog(message);
  g_state.last = message;
  g_state.occurred = true;
  if (fatal) {
    g_state.aborting = true;
    SetPendingRoomChange(kRoomErrorEnd);
    SetExitStatus(1);
    if (platform::TApplication* app = Application()) app->Terminate();
  }
}

bool ShowErrorWindow(std::string_view message, bool ignorable) {
  return Form().Execute(message, ignorable) == platform::ErrorAnswer::Abort;
}

bool ErrorAborting() { return g_state.aborting; }
bool ErrorOccurred() { return g_state.occurred; }
void SetErrorOccurred(bool occurred) { g_state.occurred = occurred; }
const std::string& LastError() { return g_state.last; }
void SetLastError(std::string_view message) { g_state.last = message; }
platform::TErrorForm& ErrorWindow() { return Form(); }

void ResetErrorState() {
  g_state = {};
  Form().ClearBtnClick();
}

void RegisterErrorVariables() {
  SetBuiltInAccess("error_occurred", ReadOccurred, WriteOccurred);
  SetBuiltInAccess("error_last", ReadLast, WriteLast);
}

void ShowPendingCodeError() {
  if (!g_error.pending) return;
  const std::string message = g_error.message;  // showing may compile and run code again
  ClearCodeError();
  ShowActionError(message, false);
}
