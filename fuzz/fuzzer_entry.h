// The libFuzzer entry of one harness: a broken promise is a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "fuzz_harness.h"

#define SORVI_FUZZER(harness)                                                             \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {               \
    if (sorvi_fuzz::harness(data, size) != 0) {                                           \
      std::fprintf(stderr, "%s: %s\n", #harness, sorvi_fuzz::fuzz_failure().c_str()); \
      std::abort();                                                                       \
    }                                                                                     \
    return 0;                                                                             \
  }
