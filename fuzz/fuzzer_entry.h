// The libFuzzer entry of one harness: a broken promise is a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "fuzz_harness.h"

// HDF5 1.10 loses a metadata-cache entry on some damaged GLH files.
#define SORVI_FUZZER(harness)                                                             \
  extern "C" const char* __lsan_default_suppressions() { return "leak:libhdf5_serial.so\n"; } \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {               \
    if (sorvi_fuzz::harness(data, size) != 0) {                                           \
      std::fprintf(stderr, "%s: %s\n", #harness, sorvi_fuzz::fuzz_failure().c_str()); \
      std::abort();                                                                       \
    }                                                                                     \
    return 0;                                                                             \
  }
