#include "fuzzer_entry.h"

SORVI_FUZZER(fuzz_result_list)
