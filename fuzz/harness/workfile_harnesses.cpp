// Harnesses of the work-file readers: registry, index and source map, block
// file, executable flags, counts, procedures and data flow.
#include <algorithm>

#include "base/lists.h"
#include "fuzz_harness.h"
#include "harness_internal.h"
#include "workfiles/block_file.h"
#include "workfiles/coverage_counts.h"
#include "workfiles/dataflow_reader.h"
#include "workfiles/index_file.h"
#include "workfiles/module_registry.h"
#include "workfiles/sf1_reader.h"

namespace sorvi_fuzz {

namespace {

// Asks the loaded index everything a document asks of it, line by line.
int walk_index(FuzzRun& run, const sorvi::IndexRecord& record, int module_number) {
  if (record.line_table.size() < static_cast<size_t>(std::max(record.n, 0)))
    return run.fail("index table shorter than its count");
  if (record.reverse_table.size() > static_cast<size_t>(sorvi::kMaxReverseLine) + 1)
    return run.fail("reverse table beyond its bound");
  if (record.header1.size() > sorvi::kIndexHeaderMax || record.header2.size() > sorvi::kIndexHeaderMax)
    return run.fail("index header text beyond 30 characters");
  const int last = std::min(record.n + 7, 5000);
  for (int line = -1; line <= last; ++line) {
    int original = 0, is_file = 0;
    std::string path, dir;
    sorvi::get_original_line_and_file(line, module_number, &original, &path, &dir, false, &is_file);
    sorvi::original_line_of(line, module_number);
    sorvi::original_file_of(line, module_number, line % 2 == 0);
    const int v = sorvi::flattened_line(record, line);
    sorvi::occurrence_count(record, line, v);
    if (const sorvi::FileLimits* f = sorvi::containing_file(record, v, 1)) sorvi::original_line_in(record, *f, v);
  }
  const int top = std::min(record.max_line + 3, 5000);
  for (int v = -1; v <= top; ++v) sorvi::reformatted_line_of(record, v);
  for (int v : record.include_starts) sorvi::reformatted_line_of(record, v);
  return 0;
}

int run_index(FuzzSet& set, const char* extension, const uint8_t* data, size_t size) {
  FuzzRun run(set);
  const sorvi_sample::SampleModule& m = set.module();
  run.put("work/" + m.stem + extension, data, size);
  for (int module_number : {m.module_number, 0}) {
    int status = -1;
    sorvi::IndexRecord* record =
        sorvi::read_index_file(m.source_path.c_str(), m.stem.c_str(), module_number, nullptr, &status);
    if ((record != nullptr) != (status == sorvi::kIndexLoaded)) run.fail("index status and record disagree");
    if (record) {
      walk_index(run, *record, record->module_number);
      sorvi::free_index_record(record);
    }
  }
  return run.finish();
}

}  // namespace

int fuzz_registry(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const sorvi_sample::SampleModule& m = set->module();
  run.put("work/staticid.dat", data, size);
  sorvi::load_module_registry(nullptr, nullptr);
  const int count = static_cast<int>(sorvi::module_registry().size());
  for (const auto& entry : sorvi::module_registry()) {
    if (entry.values.size() < 3) return run.fail("registry entry without its three values");
  }
  const int number = sorvi::module_number_of(m.source_path.c_str(), true);
  if (number < 0 || number > count) run.fail("module number outside the registry");
  sorvi::language_code_of(m.source_path.c_str());
  sorvi::retrieve_workname_stem(m.source_path.c_str(), true);
  sorvi::retrieve_workname_stem("", true);
  for (int k = -1; k <= std::min(count + 1, 50); ++k) {
    std::string stem;
    sorvi::module_stem(k, k % 2 == 0, true, stem);
  }
  return run.finish();
}

int fuzz_index(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  return set ? run_index(*set, ".ndx", data, size) : 0;
}

int fuzz_source_map(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  return set ? run_index(*set, ".smi", data, size) : 0;
}

int fuzz_block_file(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const sorvi_sample::SampleModule& m = set->module();
  run.put("work/" + m.stem + ".blk", data, size);
  int status = -1;
  sorvi::read_index_file(m.source_path.c_str(), m.stem.c_str(), m.module_number, nullptr, &status);
  for (int procedure : {0, 2}) {
    std::vector<sorvi::ProcedureBlocks> procedures;
    const int rc = sorvi::read_block_file(m.stem.c_str(), nullptr, nullptr, procedure, procedures);
    if (rc != sorvi::kBlockFileRead && !procedures.empty()) run.fail("entries kept after a failed read");
    if (procedure > 0 && procedures.size() > 1) run.fail("more than one procedure in procedure mode");
    if (procedure > 0 && procedures.size() == 1 && procedures[0].number != procedure)
      run.fail("procedure mode kept another procedure");
    for (const sorvi::ProcedureBlocks& p : procedures) {
      if (p.blockCount != static_cast<int>(p.blocks.size())) run.fail("block count and blocks disagree");
    }
    sorvi::fill_procedure_source_lines(procedures, m.module_number, m.source_path.c_str());
  }
  return run.finish();
}

namespace {

// Reads the set's block table (the harness's companion file).
std::vector<sorvi::ProcedureBlocks> set_blocks(const sorvi_sample::SampleModule& m, int procedure) {
  std::vector<sorvi::ProcedureBlocks> procedures;
  sorvi::read_block_file(m.stem.c_str(), nullptr, nullptr, procedure, procedures);
  return procedures;
}

int check_branches(FuzzRun& run, const std::vector<sorvi::BranchRecord>& branches) {
  if (!branches.empty() && (branches.back().from != -1 || branches.back().to != -1))
    return run.fail("branch array without its end record");
  return 0;
}

}  // namespace

int fuzz_block_flags(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const sorvi_sample::SampleModule& m = set->module();
  run.put("work/" + m.stem + ".stb", data, size);
  for (int procedure : {0, 2}) {
    std::vector<sorvi::ProcedureBlocks> procedures = set_blocks(m, procedure);
    std::vector<sorvi::BranchRecord> branches;
    sorvi::read_block_flags(m.stem.c_str(), nullptr, nullptr, procedure, procedures, branches);
    check_branches(run, branches);
    // The counts are read against whatever the flags reading left.
    std::vector<int> combined, current;
    sorvi::read_execution_counts(m.stem.c_str(), nullptr, nullptr, procedure, procedures, {}, branches, combined,
                                 current);
    check_branches(run, branches);
  }
  return run.finish();
}

int fuzz_counts(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const sorvi_sample::SampleModule& m = set->module();
  // The first byte chooses the file: the counts, their history, or a test
  // case's results.
  const uint8_t choice = size > 0 ? data[0] % 3 : 0;
  if (size > 0) {
    ++data;
    --size;
  }
  sorvi::TestCaseSelection test_case;
  if (choice == 0) {
    run.put("work/" + m.stem + ".pol", data, size);
  } else if (choice == 1) {
    run.put("work/" + m.stem + ".pol.002", data, size);
  } else {
    run.put("tests/" + m.stem + "_tc2.pol", data, size);
    test_case.number = 2;
    test_case.result_directory = set->summary.tests_dir;
    test_case.sequence = set->summary.sequence;
  }
  for (int procedure : {0, 3}) {
    std::vector<sorvi::ProcedureBlocks> procedures = set_blocks(m, procedure);
    std::vector<sorvi::BranchRecord> branches;
    sorvi::read_block_flags(m.stem.c_str(), nullptr, nullptr, procedure, procedures, branches);
    const size_t branch_count = branches.size();
    std::vector<int> combined, current;
    const bool ok = sorvi::read_execution_counts(m.stem.c_str(), nullptr, nullptr, procedure, procedures, test_case,
                                                 branches, combined, current);
    const size_t slots = sorvi::count_slot_total(procedures);
    if (!combined.empty() && combined.size() != slots) run.fail("combined counts do not match the block table");
    if (!current.empty() && current.size() != slots) run.fail("current counts do not match the block table");
    if (!ok && !combined.empty()) run.fail("counts kept after a failed read");
    if (branches.size() != branch_count) run.fail("the branch array changed its size");
    check_branches(run, branches);
  }
  return run.finish();
}

int fuzz_procedures(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const sorvi_sample::SampleModule& m = set->module();
  run.put("work/" + m.stem + ".sf1", data, size);
  for (int pass = 0; pass < 2; ++pass) {
    sorvi::DynamicString source_name;
    if (pass == 1) source_name = m.source_path;
    int main_start = 0;
    std::string main_name;
    sorvi::procedure_list procedures;
    sorvi::Sf1Reading reading;
    sorvi::read_sf1_file(m.stem.c_str(), source_name, &main_start, &main_name, &procedures, false, nullptr, true,
                         &reading);
    for (const sorvi::ProcedureRecord& p : procedures) {
      if (!p.name || p.name->empty()) return run.fail("procedure without a name kept");
    }
    sorvi::procedure_list relocated;
    sorvi::relocate_procedures(procedures, relocated);
    if (relocated.size() > procedures.size()) run.fail("relocation added procedures");
    std::string source, glh;
    sorvi::resolve_module_source(m.stem.c_str(), nullptr, nullptr, nullptr, source, glh);
    if (reading.index) sorvi::free_index_record(reading.index);
  }
  return run.finish();
}

int fuzz_dataflow(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const sorvi_sample::SampleModule& m = set->module();
  run.put("work/" + m.stem + ".sf3", data, size);
  for (int procedure : {0, 1}) {
    sorvi::DataflowLists lists;
    sorvi::read_dataflow_file(m.stem.c_str(), nullptr, nullptr, procedure, lists);
    for (const sorvi::dataflow_list* list : {&lists.lastDefs, &lists.firstUses}) {
      for (size_t i = 1; i < list->size(); ++i) {
        const sorvi::DataflowItem& a = (*list)[i - 1];
        const sorvi::DataflowItem& b = (*list)[i];
        if (a.procedure_number > b.procedure_number ||
            (a.procedure_number == b.procedure_number && a.block_number > b.block_number))
          return run.fail("data-flow items out of order");
      }
      for (const sorvi::DataflowItem& item : *list) {
        if (procedure > 0 && item.procedure_number != procedure) return run.fail("item of another procedure kept");
      }
    }
    for (size_t i = 0; i < lists.urAnomalies.size(); ++i) {
      if (lists.urAnomalies[i].referenced_line < 0) return run.fail("negative referenced line");
      if (i > 0 && lists.urAnomalies[i - 1].undefined_line > lists.urAnomalies[i].undefined_line)
        return run.fail("UR anomalies out of order");
    }
  }
  return run.finish();
}

}  // namespace sorvi_fuzz
