// Program entry: everything else lives in the runner library so tests can reach it.
#include "runner/shell/Runner.h"

int main(int argc, char** argv) { return RunnerMain(argc, argv); }
