// Program entry: everything else lives in the runner library so tests can reach it.
#include "runner/shell/Runner.h"

// gamebuild puts a game only behind an executable that carries this mark, so a game is never
// appended to some other program by a slip of --runner.
extern const char kRunnerMark[];
const char kRunnerMark[] = "\x7fkorvex-runner-executable\x7f";

int main(int argc, char** argv) {
  asm volatile("" : : "r"(kRunnerMark));  // keeps the mark in the executable
  return RunnerMain(argc, argv);
}
