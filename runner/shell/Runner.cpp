#include "runner/shell/Runner.h"

#include <cstdio>

int RunnerMain(int argc, char** argv) {
  (void)argc; (void)argv;
  std::puts("runner");
  return 0;
}
