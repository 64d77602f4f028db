// Shared by the fuzz targets: a failed check aborts, which libFuzzer reports like a crash, so
// a reader that breaks one of its own promises is a finding even when it does not crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                \
  do {                                                                                  \
    if (!(cond)) {                                                                      \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);     \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)
