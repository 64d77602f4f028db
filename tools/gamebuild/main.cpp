// gamebuild command line.
#include <cstdio>

int main(int argc, char** argv) {
  (void)argc; (void)argv;
  std::fprintf(stderr, "gamebuild: not built yet\n");
  return 2;
}
