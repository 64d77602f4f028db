// The run-time error policy; see Run_Error.h.
#include "runner/run/Run_Error.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/app/Application.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_Class.h"
#include "runner/run/Event_Name.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"

namespace {
// Failures are swallowed: a log that cannot be written must not become another error. The log
// is emptied by the first open that succeeds, so a failed first write cannot leave an older
// run's messages in front of this run's.
void AppendToLog(std::string_view message) {
  RRunErrorState& s = RunErrorState();
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (s.first_log_write ? O_TRUNC : O_APPEND);
  const int fd = open(kErrorLogName, flags, 0644);
  if (fd < 0) return;
  s.first_log_write = false;
  std::string text(message);
  text += "\r\n\r\n\r\n";  // the message's line end, then two empty lines
  WriteFully(fd, text);  // a failed write is dropped like every other log failure
  close(fd);
}

void ReportError(std::string_view message, bool fatal) {
  RRunErrorState& s = RunErrorState();
  if (s.aborting) return;
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
  s.last = message;
  s.occurred = true;
  if (fatal) {
    s.aborting = true;
    SetPendingRoomChange(kRoomErrorEnd);
    SetExitStatus(1);
    if (platform::TApplication* app = Application()) app->Terminate();
  }
}

void ReportActionError(std::string_view message, bool fatal) {
  if (RunErrorState().aborting) return;  // nothing to compose for a dropped error
  ReportError(ComposeActionError(message, fatal), fatal);
}

constexpr RErrorReporter kReporter{ReportActionError, ReportError};

bool ReadOccurred(CInstance*, int32_t, RValue& out) {
  out.SetReal(RunErrorState().occurred ? 1.0 : 0.0);
  return true;
}
bool WriteOccurred(CInstance*, int32_t, const RValue& v) {
  RunErrorState().occurred = v.val() >= 0.5;
  return true;
}
bool ReadLast(CInstance*, int32_t, RValue& out) {
  out = RValue(std::string_view(RunErrorState().last));
  return true;
}
bool WriteLast(CInstance*, int32_t, const RValue& v) {
  RunErrorState().last = v.str();
  return true;
}
}  // namespace

const RErrorReporter& RunErrorReporter() { return kReporter; }

bool ShowErrorWindow(std::string_view message, bool ignorable) {
  return RunErrorState().window.Execute(message, ignorable) == platform::ErrorAnswer::Abort;
}

bool ErrorAborting() { return RunErrorState().aborting; }
bool ErrorOccurred() { return RunErrorState().occurred; }
void SetErrorOccurred(bool occurred) { RunErrorState().occurred = occurred; }
const std::string& LastError() { return RunErrorState().last; }
void SetLastError(std::string_view message) { RunErrorState().last = message; }
platform::TErrorForm& ErrorWindow() { return RunErrorState().window; }

void ResetErrorState() { TheGame().Renew<RRunErrorState>(); }

void RegisterErrorVariables() {
  SetBuiltInAccess("error_occurred", ReadOccurred, WriteOccurred);
  SetBuiltInAccess("error_last", ReadLast, WriteLast);
}
