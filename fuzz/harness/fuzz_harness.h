// Fuzz harnesses of Sorvi's readers: one function per reader that writes
// the input where the reader looks for it (in a small, consistent sample
// analysis set made once per process in "/tmp/sorvi-fuzz-<slot>/set"), starts from a
// clean process-wide state, turns every fatal path into an ordinary
// return, runs the reader, and checks what can be checked cheaply: promised
// orders and sizes, no lock left behind, and not one byte of the set
// changed (nothing but batch reports added).
//
// Each returns 0 when the run kept every promise; otherwise non-zero, and
// fuzz_failure() says what went wrong. libFuzzer targets abort on non-zero;
// the regression tests replay stored inputs through the same functions.
// Everything here needs no GoogleTest and no libFuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvi_fuzz {

int fuzz_profile(const uint8_t* data, size_t size);         // Kelvar.ini
int fuzz_registry(const uint8_t* data, size_t size);        // staticid.dat
int fuzz_index(const uint8_t* data, size_t size);           // .ndx
int fuzz_source_map(const uint8_t* data, size_t size);      // .smi
int fuzz_block_file(const uint8_t* data, size_t size);      // .blk
int fuzz_block_flags(const uint8_t* data, size_t size);     // .stb
int fuzz_counts(const uint8_t* data, size_t size);          // .pol
int fuzz_procedures(const uint8_t* data, size_t size);      // .sf1
int fuzz_dataflow(const uint8_t* data, size_t size);        // .sf3
int fuzz_violations(const uint8_t* data, size_t size);      // .sif
int fuzz_penalties(const uint8_t* data, size_t size);       // pen.dat
int fuzz_report_config(const uint8_t* data, size_t size);   // report.dat
int fuzz_result_list(const uint8_t* data, size_t size);     // .tci
int fuzz_glh_file(const uint8_t* data, size_t size);        // a GLH file's raw bytes
int fuzz_glh_content(const uint8_t* data, size_t size);     // a well-formed GLH file with fuzzed contents
int fuzz_command_line(const uint8_t* data, size_t size);    // forwarded command line
int fuzz_batch(const uint8_t* data, size_t size);           // a whole -VMODE run on a mutated set

using FuzzFunction = int (*)(const uint8_t*, size_t);
struct FuzzTarget {
  const char* name;  // the fuzzer's name without "_fuzzer", the corpus folder
  FuzzFunction run;
};
// Every harness, by name.
const std::vector<FuzzTarget>& fuzz_targets();
// The harness of a name, or null.
FuzzFunction find_fuzz_target(const std::string& name);

// Why the last run returned non-zero.
const std::string& fuzz_failure();

// What the last run did besides keeping its promises.
struct FuzzRunStats {
  int report_calls = 0;   // fatal-report channel calls (each returned)
  int reports_added = 0;  // batch reports written (and removed again)
};
const FuzzRunStats& fuzz_last_run();

// Writes a few seed inputs per target below `directory` (one folder per
// target), taken from a freshly generated sample set. The inputs name the
// set's paths, so this runs only in the scratch slot 0 (no other harness
// process running). False on failure.
bool write_fuzz_seeds(const std::string& directory);

}  // namespace sorvi_fuzz
