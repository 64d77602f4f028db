// gamebuild command line: gamebuild PROJECT -o OUTPUT [--data-only] [--runner PATH] [--seed N],
// gamebuild --check PROJECT, gamebuild --version
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "tools/gamebuild/GameBuild.h"
#include "tools/gamebuild/Project_Code.h"

namespace fs = std::filesystem;

namespace {
constexpr char kUsage[] =
    "usage: gamebuild PROJECT -o OUTPUT [--data-only] [--runner PATH] [--seed N]\n"
    "       gamebuild --check PROJECT\n"
    "       gamebuild --version\n"
    "  Builds the game project in the folder PROJECT into a game file.\n"
    "  Every fault in the game's code is reported as FILE:LINE:COLUMN: message;\n"
    "  with any fault nothing is written.\n"
    "  --check        only check the project and compile its code; write nothing\n"
    "  --no-code-check  build even when the code does not compile (to see how\n"
    "                 the runner itself reports it)\n"
    "  -o OUTPUT      the file to write\n"
    "  --data-only    write only the game data (run it with: runner OUTPUT)\n"
    "                 instead of a standalone executable\n"
    "  --runner PATH  the runner to put in front of the data (default: the runner\n"
    "                 next to gamebuild)\n"
    "  --seed N       seed of the scrambling (default: the project's \"seed\", else 0)\n";

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "gamebuild: %s\n", problem);
  std::fputs(kUsage, problem ? stderr : stdout);
  return problem ? 2 : 0;
}

fs::path DefaultRunner() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path("runner") : self.parent_path() / "runner";
}
}  // namespace

int main(int argc, char** argv) {
  gamebuild::BuildOptions options;
  options.checkCode = true;
  bool haveProject = false;
  bool checkOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "-h" || arg == "--help") return Usage(nullptr);
    if (arg == "--version") {
      std::printf("gamebuild %s\n", RUNNER_VERSION);
      return 0;
    }
    if (arg == "--check") {
      checkOnly = true;
      continue;
    }
    if (arg == "-o") {
      const char* v = value();
      if (!v) return Usage("-o needs a file name");
      options.output = v;
    } else if (arg == "--no-code-check") {
      options.checkCode = false;
    } else if (arg == "--data-only") {
      options.dataOnly = true;
    } else if (arg == "--runner") {
      const char* v = value();
      if (!v) return Usage("--runner needs a path");
      options.runner = v;
    } else if (arg == "--seed") {
      const char* v = value();
      uint32_t seed = 0;
      const char* end = v ? v + std::strlen(v) : nullptr;
      // A number out of range leaves the pointer at the end too: the error code decides.
      if (!v || *v == '\0') return Usage("--seed needs a number 0..4294967295");
      const auto [stop, ec] = std::from_chars(v, end, seed);
      if (ec != std::errc() || stop != end) return Usage("--seed needs a number 0..4294967295");
      options.seed = seed;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage(("unknown option " + arg).c_str());
    } else if (!haveProject) {
      options.project = arg;
      haveProject = true;
    } else {
      return Usage("only one project folder may be given");
    }
  }
  if (!haveProject) return Usage("no project folder given");
  if (checkOnly && !options.output.empty()) return Usage("--check writes nothing: give no -o");
  if (!checkOnly && options.output.empty()) return Usage("no output file given (-o)");
  if (!checkOnly && !options.dataOnly) {
    const bool given = !options.runner.empty();
    if (!given) options.runner = DefaultRunner();
    std::string why;
    if (!gamebuild::IsRunnerExecutable(options.runner, why)) {
      std::fprintf(stderr, "gamebuild: cannot build on %s: %s%s\n", options.runner.c_str(), why.c_str(),
                   given ? " (--runner must name a runner)" : "");
      return 1;
    }
  }
  try {
    if (checkOnly) {
      gamebuild::CheckProjectCode(gamebuild::ReadProject(options.project), options.project);
    } else {
      gamebuild::BuildGame(options);
    }
  } catch (const gamebuild::CodeErrors& e) {
    for (const auto& fault : e.Faults()) std::fputs(gamebuild::FormatCodeFault(fault, options.project).c_str(), stderr);
    const size_t n = e.Faults().size();
    std::fprintf(stderr, "gamebuild: %zu error%s in the game's code%s\n", n, n == 1 ? "" : "s",
                 checkOnly ? "" : "; nothing written");
    return 1;
  } catch (const gamebuild::ProjectError& e) {
    std::fprintf(stderr, "gamebuild: %s\n", (options.project / e.what()).c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gamebuild: %s\n", e.what());
    return 1;
  }
  return 0;
}
