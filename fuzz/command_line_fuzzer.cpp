#include "fuzzer_entry.h"

SORVI_FUZZER(fuzz_command_line)
