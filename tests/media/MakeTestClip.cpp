// Writes the tiny test video to the path given, for the games that show one.
#include <cstdio>

#include "tests/platform/TestClip.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_test_clip FILE.avi\n");
    return 2;
  }
  return WriteTestClip(argv[1], 10, 32, 16) ? 0 : 1;
}
