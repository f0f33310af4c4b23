#include "fuzzer_entry.h"

SORVI_FUZZER(fuzz_report_config)
