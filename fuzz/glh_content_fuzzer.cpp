#include "fuzzer_entry.h"

SORVI_FUZZER(fuzz_glh_content)
