// Program entry of the runner: trace switches, the shell's windows and the top-level sequence.
#pragma once

int RunnerMain(int argc, char** argv);
