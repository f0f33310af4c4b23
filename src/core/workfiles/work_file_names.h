// Names of the work files that are not simply the module's stem plus an
// extension: the results of a test case, and the numbered history of a
// module's execution-count (".pol") files.
#pragma once

#include <string>

#include "workfiles/work_file_opener.h"

namespace sorvi {

// ---- test cases ----------------------------------------------------------
//
// A test case has a number N, a result directory (the Seqwrk= option) and a
// sequence name (the Seq= option). Its copy of a work file is found under
// three names.

// The work file's stem with "_tc<N>" appended, then the work file's
// extension, in the result directory: "demo_2.pol", 3, "/res" give
// "/res/demo_2_tc3.pol".
std::string test_case_result_file(const char* work_file, int test_case, const char* result_directory);
// "$$SEQUENCE$$" followed by the sequence name.
std::string test_case_repository_name(const char* sequence);
// "TC<N>?<module repository name>?<work file's file name>".
std::string test_case_dataset_name(int test_case, const char* module_repository_name, const char* work_file);

// Opens a test case's copy of a work file in plain-file-first mode under
// those three names.
WorkFile open_test_case_work_file(const char* work_file, int test_case, const char* result_directory,
                                  const char* sequence, const char* module_repository_name, const char* glh_file);

// ---- execution-count history -----------------------------------------------

// The history file of a module's ".pol" file, `step_back` files before the
// newest. The base is the source file's stem, or "<stem>_<M>" when
// module_number M is 1 or more. The history "<base>.pol.001",
// "<base>.pol.002", ... is counted in the work directory (plain files or
// documents of `repository_name` in `glh_file`) up to the first one
// missing. With none, `name` is empty. Otherwise it is "<base>.pol.001"
// when the count K is at most `step_back`, else "<base>.pol.<K - step_back>"
// (three digits at least), placed in the work directory unless `bare`.
// Returns K.
int policy_history_name(int module_number, int step_back, const char* source_file, const char* glh_file,
                        const char* repository_name, bool bare, std::string& name);

}  // namespace sorvi
