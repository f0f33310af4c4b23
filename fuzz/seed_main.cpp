// sorvi-fuzz-seeds DIR: writes the seed inputs of every fuzz target below
// DIR, one folder per target, from a freshly generated sample set.
#include <cstdio>

#include "fuzz_harness.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sorvi-fuzz-seeds DIR\n");
    return 2;
  }
  if (!sorvi_fuzz::write_fuzz_seeds(argv[1])) {
    std::fprintf(stderr, "sorvi-fuzz-seeds: cannot write the seeds below %s\n", argv[1]);
    return 1;
  }
  return 0;
}
