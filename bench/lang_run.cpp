// Runs one language benchmark program in the runtime without a game: compiles its scripts and
// main code, runs the main code once for a controller instance in an empty room and prints the
// value it returned and the processor time the run took (start-up and compiling excluded).
//
//   lang_run FILE [SCALE]
//
// FILE holds "#--- script NAME" sections and one "#--- main" section. The main code reads the
// work factor as global.bench_scale (default 1). Objects 0 to 3 exist, with no events.
#include <time.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Support_Stream.h"
#include "runner/functions/Function_Families.h"

namespace {
struct Program {
  std::vector<std::pair<std::string, std::string>> scripts;
  std::string main;
};

bool ReadProgram(const char* path, Program& p) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line, *into = nullptr;
  while (std::getline(in, line)) {
    if (line.rfind("#--- script ", 0) == 0) {
      p.scripts.emplace_back(line.substr(12), "");
      into = &p.scripts.back().second;
    } else if (line == "#--- main") {
      into = &p.main;
    } else if (into) {
      *into += line + "\n";
    }
  }
  return !p.main.empty();
}

bool LoadProgramScripts(const Program& p) {
  CStream chunk;
  chunk.WriteInteger(800);
  chunk.WriteInteger(static_cast<int32_t>(p.scripts.size()));
  for (const auto& [name, text] : p.scripts) {
    CStream block;
    block.WriteBoolean(true);
    block.WriteString(name);
    block.WriteInteger(800);
    block.WriteString(text);
    chunk.WriteStreamC(block);
  }
  chunk.SetPosition(0);
  return LoadScripts(chunk) && CompileScripts();
}

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lang_run FILE [SCALE]\n");
    return 2;
  }
  Program program;
  if (!ReadProgram(argv[1], program)) {
    std::fprintf(stderr, "lang_run: cannot read a main section from %s\n", argv[1]);
    return 2;
  }
  const double scale = argc > 2 ? std::strtod(argv[2], nullptr) : 1.0;

  InitFunctions(AllFunctionFamilies());
  InitInterpreter();
  InstallRuntimeHost();
  for (int i = 0; i < 4; ++i) ObjectAdd();
  BuildEventLists();
  if (!LoadProgramScripts(program)) {
    std::fprintf(stderr, "lang_run: scripts do not compile: %s\n", CodeError().message.c_str());
    return 1;
  }
  CCode code(program.main, false);
  if (!code.Compile()) {
    std::fprintf(stderr, "lang_run: %s\n", CodeError().message.c_str());
    return 1;
  }
  CRoom room;
  SetCurrentRoom(&room);
  CInstance* self = room.AddInstance(0, 0, 3);
  GlobalVars().Set(VarIdOfName("bench_scale"), 0, RValue(scale));

  RValue result;
  const double start = CpuMs();
  const bool ok = ExecuteCode(self, self, code, result);
  const double elapsed = CpuMs() - start;
  if (!ok) {
    std::fprintf(stderr, "lang_run: %s\n", CodeError().message.c_str());
    return 1;
  }
  if (result.IsString())
    std::printf("result %s\n", std::string(result.str()).c_str());
  else
    std::printf("result %.17g\n", result.val());
  std::printf("cpu_ms %.3f\n", elapsed);
  SetCurrentRoom(nullptr);
  return 0;
}
