#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant ends the run with its text, so libFuzzer keeps the
// input as a crash.
#define FUZZ_CHECK(cond)                                                                 \
  do {                                                                                   \
    if (!(cond)) {                                                                       \
      std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)
