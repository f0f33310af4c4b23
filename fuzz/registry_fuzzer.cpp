#include "fuzzer_entry.h"

SORVI_FUZZER(fuzz_registry)
