// Harnesses of the standards data and the violation reader, and of result
// lists.
#include <algorithm>

#include "fuzz_harness.h"
#include "harness_internal.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards/violation_reader.h"
#include "workfiles/block_file.h"
#include "workfiles/index_file.h"
#include "workfiles/result_list.h"

namespace sorvi_fuzz {

namespace {

constexpr int kSetLanguage = 2;  // the sample set is C: "c/cpen.dat", "c/creport.dat"

// Asks a loaded catalogue what the violation reader and the views ask.
int probe_catalogue(FuzzRun& run, int language) {
  const sorvi::PenaltyCatalogue* catalogue = sorvi::find_penalty_catalogue(language);
  if (!catalogue) return 0;
  if (catalogue->entries.size() != static_cast<size_t>(sorvi::kPenaltyEntryCount))
    return run.fail("catalogue without its 1001 entries");
  const sorvi::int_list& s = sorvi::s_standard_numbers(language);
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i - 1] >= s[i]) return run.fail("s standards not ascending and unique");
  }
  int probed = 0;
  for (int index = 0; index < sorvi::kPenaltyEntryCount && probed < 64; ++index) {
    const sorvi::PenaltyEntry* e = sorvi::penalty_entry(language, index);
    // Entries the file filled (the others keep their default texts).
    if (!e || !e->in_use || (e->letter == '\0' && e->standard_number == 0)) continue;
    ++probed;
    if (e->parameter_offset > static_cast<int>(e->text.size())) return run.fail("parameter beyond its text");
    if (e->standards_text.size() > sorvi::kStandardsTextMax) return run.fail("standards text too long");
    const int found = sorvi::find_penalty_entry(e->letter, e->standard_number, language, e->penalty_number);
    if (found < -1 || found > sorvi::kMaxPenalties) return run.fail("entry index out of range");
    for (const char* text : {"", "value 17 found", "*** 99999999999999999999", "x"}) {
      sorvi::compose_violation_texts(e->letter, e->standard_number, language, text);
    }
    sorvi::penalty_references(language, index);
  }
  for (char letter : {'S', 's', 'Q', 'J', '\0', '\xff'}) {
    for (int number : {-1, 0, 1, 12, 999, 1000, 2147483647}) sorvi::find_penalty_entry(letter, number, language, 3);
  }
  return 0;
}

int probe_report(FuzzRun& run, int language, const std::string& source) {
  const sorvi::ReportConfiguration* config = sorvi::report_configuration(language);
  if (!config) return 0;
  if (config->entries.size() != static_cast<size_t>(sorvi::kPenaltyEntryCount))
    return run.fail("configuration without its 1001 entries");
  for (int category = -1; category <= 5; ++category) sorvi::category_title(language, category);
  for (char letter : {'S', 'Q', 'C', 'x'}) {
    for (int number : {0, 1, 12, 999}) sorvi::is_standard_reported(letter, number, language);
  }
  sorvi::is_file_excluded(source.c_str(), language, source.c_str());
  sorvi::is_file_excluded("/usr/include/stdio.h", language, source.c_str());
  sorvi::is_file_excluded("", language, nullptr);
  return 0;
}

}  // namespace

int fuzz_penalties(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  // The same text as the C and the C++ catalogue; the C++ one stripped.
  run.put("suite/c/cpen.dat", data, size);
  run.put("suite/cpp/cpppen.dat", data, size);
  sorvi::load_penalty_catalogue(kSetLanguage, nullptr, true, false, nullptr);
  probe_catalogue(run, kSetLanguage);
  sorvi::load_penalty_catalogue(6, nullptr, true, true, nullptr);
  probe_catalogue(run, 6);
  return run.finish();
}

int fuzz_report_config(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const std::string& source = set->module().source_path;
  run.put("suite/c/creport.dat", data, size);
  sorvi::load_penalty_catalogue(kSetLanguage, nullptr, false, false, nullptr);
  sorvi::load_report_configuration(nullptr, kSetLanguage, nullptr, nullptr);
  probe_report(run, kSetLanguage, source);
  // Again for every model the file names (a few at most).
  std::vector<std::string> models;
  if (const sorvi::ReportConfiguration* config = sorvi::report_configuration(kSetLanguage)) {
    for (const std::string& name : config->model_names) {
      if (models.size() < 3) models.push_back(name);
    }
  }
  for (const std::string& model : models) {
    sorvi::load_report_configuration(nullptr, kSetLanguage, model.c_str(), nullptr);
    probe_report(run, kSetLanguage, source);
  }
  return run.finish();
}

int fuzz_violations(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const sorvi_sample::SampleModule& m = set->module();
  run.put("work/" + m.stem + ".sif", data, size);
  sorvi::load_penalty_catalogue(m.language, nullptr, false, false, nullptr);
  sorvi::load_report_configuration(nullptr, m.language, nullptr, nullptr);
  int status = -1;
  const sorvi::IndexRecord* index =
      sorvi::read_index_file(m.source_path.c_str(), m.stem.c_str(), m.module_number, nullptr, &status);
  std::vector<sorvi::ProcedureBlocks> procedures;
  sorvi::read_block_file(m.stem.c_str(), nullptr, nullptr, 0, procedures);
  sorvi::ViolationReadContext context;
  context.language = m.language;
  context.repository_name = m.source_path.c_str();
  context.procedures = &procedures;
  struct Pass {
    int procedure;
    const sorvi::IndexRecord* index;
    const char* filter;
  };
  const Pass passes[] = {{0, nullptr, nullptr}, {0, index, nullptr}, {0, index, m.source_path.c_str()},
                         {2, index, nullptr}, {0, index, m.header_path.c_str()}};
  for (const Pass& pass : passes) {
    sorvi::violation_list lines, procs;
    sorvi::read_violations(m.stem.c_str(), lines, procs, pass.procedure, pass.index, pass.filter, nullptr, context);
    const bool filtered = pass.filter && *pass.filter && pass.index;
    for (size_t i = 1; i < lines.size(); ++i) {
      const int a = filtered ? lines[i - 1].source_line : lines[i - 1].line;
      const int b = filtered ? lines[i].source_line : lines[i].line;
      if (a > b) return run.fail("line violations out of order");
    }
    for (size_t i = 1; i < procs.size(); ++i) {
      if (procs[i - 1].procedure_number > procs[i].procedure_number)
        return run.fail("procedure violations out of order");
    }
    for (const sorvi::violation_list* list : {&lines, &procs}) {
      for (const sorvi::Violation& v : *list) {
        if (pass.procedure > 0 && v.procedure_number != pass.procedure && v.excluded_mark == 0)
          return run.fail("violation of another procedure kept");
      }
    }
  }
  return run.finish();
}

int fuzz_result_list(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const std::string relative = set->summary.tci_path.substr(set->root().size());
  run.put(relative, data, size);
  const sorvi::ResultList list = sorvi::read_result_list(set->summary.tci_path);
  if (list.titles.size() > static_cast<size_t>(std::max(list.columns, 0))) run.fail("more titles than columns");
  if (list.cells.size() > static_cast<size_t>(std::max(list.rows, 0))) run.fail("more rows than the count");
  for (const auto& row : list.cells) {
    if (row.size() > static_cast<size_t>(std::max(list.columns, 0))) run.fail("more cells than columns");
  }
  if (list.valid && (list.rows <= 0 || list.columns <= 0)) run.fail("a list without rows or columns shown");
  sorvi::result_list_title(list);
  if (!list.cells.empty() && !list.cells[0].empty()) sorvi::test_case_search_text(list.cells[0][0]);
  sorvi::result_list_refusal(set->summary.tci_path);
  return run.finish();
}

}  // namespace sorvi_fuzz
