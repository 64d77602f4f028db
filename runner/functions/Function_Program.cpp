// Built-in functions that reach outside the game: starting programs and opening files or web
// pages with the desktop's handler (never through a shell), the command line and the
// environment.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Support_File.h"

extern char** environ;

namespace {
void Error(std::string_view message) { ShowActionError(message, false); }

bool EndsWithFolded(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char c = s[s.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != tail[i]) return false;
  }
  return true;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The program a Windows name stands for: "x.exe", "x.bat" and "x.cmd" are the executable "x".
// A name with a folder must name an executable file; a plain one is looked for in the current
// folder, then on the PATH. Nothing when the name cannot be a program.
std::optional<std::string> ProgramPath(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  for (const std::string_view ext : {".exe", ".bat", ".cmd"})
    if (EndsWithFolded(name, ext)) {
      name.remove_suffix(ext.size());
      break;
    }
  if (name.empty()) return std::nullopt;
  const std::optional<std::string> local = ResolveExisting(name);
  if (local && IsExecutableFile(*local)) return local->find('/') == std::string::npos ? "./" + *local : *local;
  if (IsPathName(name) || name[0] == '-') return std::nullopt;
  return std::string(name);  // RunProcess searches the PATH for names without a folder
}

void execute_program(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  const std::string_view program = argv[0].str();
  if (SecureMode()) return Error("In Secure mode you cannot execute program " + std::string(program));
  const std::optional<std::string> path = ProgramPath(program);
  if (!path || !RunProcess(*path, std::string(argv[1].str()), "", argv[2].val() >= 0.5))
    Error("Cannot execute " + std::string(program));
}

bool IsUrl(std::string_view s) {
  return s.find("://") != std::string_view::npos || s.rfind("mailto:", 0) == 0 || s.rfind("www.", 0) == 0;
}

void execute_shell(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  const std::string_view target = argv[0].str();
  if (SecureMode()) return Error("In Secure mode you cannot execute program " + std::string(target));
  const std::string params(argv[1].str());
  bool ok = false;
  if (IsUrl(target)) {
    ok = target.find('\0') == std::string_view::npos && ShellOpen(std::string(target), params, "");
  } else if (const std::optional<std::string> file = ResolveExisting(target); file && !IsExecutableFile(*file)) {
    // A document opens with the desktop's handler; "./" keeps a name like "-x" from being an option.
    ok = ShellOpen(file->front() == '-' ? "./" + *file : *file, params, "");
  } else if (const std::optional<std::string> program = ProgramPath(target)) {
    ok = RunProcess(*program, params, "", false);
  }
  if (!ok) Error("Cannot execute " + std::string(target));
}

// The game's command line: its own file first, then the arguments meant for it. A runner
// given the game file as its last argument keeps that argument for itself.
std::vector<std::string> GameParameters() {
  std::vector<std::string> args = ProgramArguments();
  if (!args.empty() && GamePath() != ExecutablePath()) args.pop_back();
  return args;
}

void parameter_count(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  result.SetReal(static_cast<double>(GameParameters().size()));
}

void parameter_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const int32_t n = RoundToInt32(argv[0].val());
  if (n == 0) return result.SetString(GamePath());
  const std::vector<std::string> args = GameParameters();
  if (n > 0 && static_cast<size_t>(n) <= args.size()) result.SetString(args[static_cast<size_t>(n) - 1]);
  else result.SetString("");
}

bool SameNameFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Windows names games build paths from, made from their nearest equivalents here.
std::string StandIn(std::string_view name) {
  const std::string home = Env("HOME");
  if (SameNameFolded(name, "TEMP") || SameNameFolded(name, "TMP")) {
    const std::string t = Env("TMPDIR");
    return t.empty() ? "/tmp" : t;
  }
  if (SameNameFolded(name, "USERPROFILE")) return home;
  if (SameNameFolded(name, "APPDATA")) {
    const std::string x = Env("XDG_CONFIG_HOME");
    return !x.empty() ? x : home.empty() ? "" : home + "/.config";
  }
  if (SameNameFolded(name, "LOCALAPPDATA")) {
    const std::string x = Env("XDG_DATA_HOME");
    return !x.empty() ? x : home.empty() ? "" : home + "/.local/share";
  }
  if (SameNameFolded(name, "USERNAME")) return Env("USER");
  if (SameNameFolded(name, "COMPUTERNAME")) {
    char host[256] = {};
    return gethostname(host, sizeof host - 1) == 0 ? host : "";
  }
  return "";
}

void environment_get_variable(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view name = argv[0].str();
  result.SetString("");
  if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos) return;
  if (const char* exact = std::getenv(std::string(name).c_str())) return result.SetString(exact);
  // Windows names ignore letter case.
  for (char** e = environ; e && *e; ++e) {
    const std::string_view entry = *e;
    const size_t eq = entry.find('=');
    if (eq != std::string_view::npos && SameNameFolded(entry.substr(0, eq), name))
      return result.SetString(entry.substr(eq + 1));
  }
  result.SetString(StandIn(name));
}

constexpr RFunctionDef kProgramFunctions[] = {
    {"execute_program", 3, execute_program},
    {"execute_shell", 2, execute_shell},
    {"parameter_count", 0, parameter_count},
    {"parameter_string", 1, parameter_string},
    {"environment_get_variable", 1, environment_get_variable},
};
}  // namespace

FunctionFamily ProgramFunctions() { return kProgramFunctions; }
