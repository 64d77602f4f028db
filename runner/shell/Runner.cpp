#include "runner/shell/Runner.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::string g_title = "runner";
std::string g_temp;
}  // namespace

int RunnerMain(int argc, char** argv) {
  (void)argc; (void)argv;
  std::puts("runner");
  return 0;
}

void WriteTrace(std::string_view) {}
void WriteTraceAlways(std::string_view text) { std::fprintf(stderr, "%.*s\n", int(text.size()), text.data()); }

const std::string& GetTempDirectory() {
  if (g_temp.empty()) {
    char tmpl[] = "/tmp/kv_ttt_XXXXXX";
    if (mkdtemp(tmpl)) g_temp = tmpl;
  }
  return g_temp;
}
std::string MakeTempFileName(std::string_view extension) {
  return GetTempDirectory() + "/a" + std::to_string(std::rand() % 100000) + std::string(extension);
}
void PumpMessages() {}
bool ShellOpen(const std::string&, const std::string&, const std::string&) { return false; }
bool RunProcess(const std::string&, const std::string&, const std::string&, bool) { return false; }
const std::string& ApplicationTitle() { return g_title; }
void SetApplicationTitle(std::string title) { g_title = std::move(title); }
void ShowMessage(std::string_view text) { std::fprintf(stderr, "%.*s\n", int(text.size()), text.data()); }
