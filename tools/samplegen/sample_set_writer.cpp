#include "samplegen/sample_set_writer.h"

#include <chrono>
#include <cstdio>

#include "base/file_utils.h"
#include "samplegen/sample_code_writer.h"
#include "samplegen/sample_output_writer.h"
#include "samplegen/sample_suite_writer.h"
#include "samplegen/sample_work_writer.h"
#include "workfiles/module_registry.h"

namespace sorvi_sample {
namespace {

struct FileName {
  const char* name;
  unsigned bit;
};

const FileName kFileNames[] = {
    {"source", kSampleSource},
    {"registry", kSampleRegistry},
    {"ref", kSampleRef},
    {"index", kSampleIndex},
    {"blocks", kSampleBlocks},
    {"flags", kSampleFlags},
    {"counts", kSampleCounts},
    {"procedures", kSampleProcedures},
    {"violations", kSampleViolations},
    {"dataflow", kSampleDataflow},
    {"testcases", kSampleTestCases},
    {"suite", kSampleSuite},
    {"profile", kSampleProfile},
    {"glh", kSampleGlh},
    {"xtx", kSampleProcedureCode},
    {"all", kSampleAllFiles},
};

const char* const kModuleNames[] = {"demo", "demo", "sensor", "control", "telemetry", "parser", "scheduler", "storage"};
const char* const kTestCaseNames[kSampleRuns] = {"Nominal start-up", "Limit values", "Fault injection"};
const char* const kTestCaseResults[kSampleRuns] = {"PASS", "PASS", "FAIL"};

SampleSetSummary failure(SampleSetSummary summary, const std::string& error) {
  summary.ok = false;
  summary.error = error;
  return summary;
}

std::string check_options(const SampleSetOptions& o) {
  if (o.output_dir.empty()) return "no output directory";
  if (o.modules < 1 || o.modules > 1000) return "modules must be 1 to 1000";
  if (o.language != 2 && o.language != 6) return "language must be C (2) or C++ (6)";
  if (o.procedures < 0 || o.procedures > 9999) return "procedures must be 1 to 9999 (0: from the line count)";
  if (o.target_lines < 10 || o.target_lines > 5000000) return "lines must be 10 to 5000000";
  if (o.max_blocks < 8 || o.max_blocks > 999) return "blocks per procedure must be 8 to 999";
  if (o.line_width != 0 && (o.line_width < 6 || o.line_width > 9)) return "line width must be 6 to 9 (0: automatic)";
  if (o.sequence.empty() || o.sequence.find_first_of("/\\?") != std::string::npos) return "bad sequence name";
  return std::string();
}

std::string percent(long long part, long long whole) {
  return whole > 0 ? format_text("%.1f", 100.0 * static_cast<double>(part) / static_cast<double>(whole)) : "0.0";
}

}  // namespace

bool parse_sample_files(const std::string& list, unsigned& files, std::string& bad) {
  unsigned result = 0;
  size_t at = 0;
  while (at <= list.size()) {
    size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    std::string word = list.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    const bool remove = word[0] == '-';
    if (remove) word.erase(0, 1);
    unsigned bit = 0;
    for (const FileName& f : kFileNames) {
      if (word == f.name) bit = f.bit;
    }
    if (!bit) {
      bad = word;
      return false;
    }
    result = remove ? result & ~bit : result | bit;
  }
  files = result;
  return true;
}

SampleSetSummary write_sample_set(const SampleSetOptions& o) {
  const auto started = std::chrono::steady_clock::now();
  SampleSetSummary summary;
  const std::string problem = check_options(o);
  if (!problem.empty()) return failure(summary, problem);

  if (!sorvi::make_directories(o.output_dir)) return failure(summary, "cannot create " + o.output_dir);
  summary.root = sorvi::with_trailing_separator(sorvi::full_path(o.output_dir));
  summary.profile_path = summary.root + "Kelvar.ini";
  summary.suite_dir = summary.root + "suite/";
  summary.work_dir = summary.root + "work/";
  summary.source_dir = summary.root + "src/";
  summary.tests_dir = summary.root + "tests/";
  summary.perm_dir = summary.root + "perm/";
  summary.sequence = o.sequence;
  for (const std::string& dir :
       {summary.work_dir, summary.source_dir, summary.tests_dir, summary.perm_dir, summary.suite_dir + "c/",
        summary.suite_dir + "cpp/", summary.suite_dir + "standards_info/html/",
        summary.suite_dir + "Standards_and_MISRA_info/Standard/"}) {
    if (!sorvi::make_directories(dir)) return failure(summary, "cannot create " + dir);
  }

  // Modules: names, places and registry records. Two modules may share a
  // base name (their stems differ by module number); the later one lives
  // in a directory of its own.
  const bool cpp = o.language == 6;
  std::vector<SampleModuleOptions> module_options;
  std::vector<SampleRegistryRecord> registry;
  for (int k = 1; k <= o.modules; ++k) {
    SampleModuleOptions plan;
    const int names = static_cast<int>(sizeof kModuleNames / sizeof kModuleNames[0]);
    plan.base_name = k <= names ? kModuleNames[k - 1] : format_text("unit%d", k);
    std::string dir = summary.source_dir;
    for (int j = 1; j < k; ++j) {
      if (module_options[static_cast<size_t>(j - 1)].base_name == plan.base_name) dir = summary.source_dir + "legacy/";
    }
    if (!sorvi::make_directories(dir)) return failure(summary, "cannot create " + dir);
    plan.source_path = dir + plan.base_name + (cpp ? ".cpp" : ".c");
    plan.header_path = dir + plan.base_name + ".h";
    plan.module_number = k;
    plan.language = o.language;
    plan.procedures = o.procedures;
    plan.target_lines = o.target_lines;
    plan.max_blocks = o.max_blocks;
    plan.line_width = o.line_width;
    plan.seed = o.seed;
    plan.write_source = (o.files & kSampleSource) != 0;
    // The checksum is taken over the resolved path of the file as it
    // will exist.
    if (plan.write_source && !sorvi::is_regular_file(plan.source_path) && !write_text_file(plan.source_path, "")) {
      return failure(summary, "cannot write " + plan.source_path);
    }
    registry.push_back({plan.base_name, sorvi::name_checksum(plan.source_path.c_str()), o.language});
    module_options.push_back(plan);
  }
  const std::string registry_path = summary.work_dir + "staticid.dat";
  if (o.files & kSampleRegistry) {
    if (!write_sample_registry(registry_path, registry)) return failure(summary, "cannot write " + registry_path);
  }

  std::vector<SampleTestCase> cases(kSampleRuns);
  for (int r = 0; r < kSampleRuns; ++r) {
    cases[static_cast<size_t>(r)].number = r + 1;
    cases[static_cast<size_t>(r)].name = kTestCaseNames[r];
    cases[static_cast<size_t>(r)].result = kTestCaseResults[r];
  }

  for (size_t k = 0; k < module_options.size(); ++k) {
    SampleModuleBuild build;
    std::string error;
    if (!build_sample_module(module_options[k], build, error)) return failure(summary, error);
    SampleModule& m = build.module;
    m.stem = format_text("%s_%d", m.base_name.c_str(), m.module_number);
    m.checksum = registry[k].checksum;
    if (o.files & kSampleSource) {
      m.files.push_back(m.source_path);
      m.files.push_back(m.header_path);
    }
    if (!write_sample_work_files(build, summary.work_dir, o.files, error)) return failure(summary, error);

    std::vector<std::string> test_case_files;
    for (int r = 0; r < kSampleRuns; ++r) {
      SampleTestCase& tc = cases[static_cast<size_t>(r)];
      const SampleRunCoverage coverage = sample_run_coverage(build, r);
      tc.statements += coverage.lines;
      tc.statements_total += m.executable_lines;
      tc.branches += coverage.branches;
      tc.branches_total += static_cast<long long>(m.branches.size());
      if (o.files & kSampleTestCases) {
        const std::string path = summary.tests_dir + format_text("%s_tc%d.pol", m.stem.c_str(), r + 1);
        if (!write_sample_counts(build, path, r, r)) return failure(summary, "cannot write " + path);
        test_case_files.push_back(path);
        m.files.push_back(path);
      }
    }

    if (o.files & kSampleGlh) {
      SampleGlhInputs inputs;
      inputs.glh_path = summary.work_dir + m.stem + ".glh";
      inputs.work_dir = summary.work_dir;
      if (o.files & kSampleRegistry) inputs.registry_path = registry_path;
      inputs.sequence = o.sequence;
      inputs.test_case_files = test_case_files;
      if (!write_sample_glh(build, inputs, error)) return failure(summary, error);
      m.files.push_back(inputs.glh_path);
    }
    summary.modules.push_back(std::move(build.module));
  }

  if (o.files & kSampleTestCases) {
    summary.report_path = summary.tests_dir + o.sequence + "_report.txt";
    summary.tci_path = summary.tests_dir + o.sequence + ".tci";
    TextOutput report(summary.report_path);
    report.format("Kelvar dynamic analysis: test sequence \"%s\"\n", o.sequence.c_str());
    report.format("Work directory: %s\n", summary.work_dir.c_str());
    for (const SampleModule& m : summary.modules)
      report.format("Module %d: %s\n", m.module_number, m.source_path.c_str());
    for (const SampleTestCase& tc : cases) {
      report.format("\n*  Test Case %d : %s\n", tc.number, tc.name.c_str());
      report.format("   Executable lines run : %lld of %lld (%s %%)\n", tc.statements, tc.statements_total,
                    percent(tc.statements, tc.statements_total).c_str());
      report.format("   Branches taken       : %lld of %lld (%s %%)\n", tc.branches, tc.branches_total,
                    percent(tc.branches, tc.branches_total).c_str());
      report.format("   Result : %s\n", tc.result.c_str());
    }
    int passed = 0;
    for (const SampleTestCase& tc : cases) passed += tc.result == "PASS" ? 1 : 0;
    report.format("\nEnd of test sequence \"%s\": %d test cases, %d passed, %d failed.\n", o.sequence.c_str(),
                  kSampleRuns, passed, kSampleRuns - passed);
    if (!report.close()) return failure(summary, "cannot write " + summary.report_path);

    TextOutput list(summary.tci_path);
    list.line(summary.report_path);
    list.line("-10");
    list.format("%d\n%d\n", kSampleRuns, 5);
    for (const char* title : {"Test Case", "Name", "Result", "Lines %", "Branches %"}) list.line(title);
    for (const SampleTestCase& tc : cases) {
      list.format("%d\n", tc.number);
      list.line(tc.name);
      list.line(tc.result);
      list.line(percent(tc.statements, tc.statements_total));
      list.line(percent(tc.branches, tc.branches_total));
    }
    if (!list.close()) return failure(summary, "cannot write " + summary.tci_path);
  }
  summary.test_cases = cases;

  summary.c_standards = static_cast<int>(standards_of_language(2).size());
  summary.cpp_standards = static_cast<int>(standards_of_language(6).size());
  if (o.files & kSampleSuite) {
    struct DataFile {
      std::string path;
      bool (*write)(const std::string&, int);
      int language;
    };
    const std::vector<DataFile> data = {{summary.suite_dir + "c/cpen.dat", write_penalty_file, 2},
                                        {summary.suite_dir + "c/creport.dat", write_report_file, 2},
                                        {summary.suite_dir + "cpp/cpppen.dat", write_penalty_file, 6},
                                        {summary.suite_dir + "cpp/cppreport.dat", write_report_file, 6}};
    for (const DataFile& d : data) {
      if (!d.write(d.path, d.language)) return failure(summary, "cannot write " + d.path);
    }
    if (!write_standards_pages(summary.suite_dir)) return failure(summary, "cannot write the standards pages");
  }
  if (o.files & kSampleProfile) {
    SampleProfile profile{summary.suite_dir, summary.work_dir, summary.perm_dir};
    if (!write_text_file(summary.profile_path, profile_text(profile))) {
      return failure(summary, "cannot write " + summary.profile_path);
    }
  }

  summary.ok = true;
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return summary;
}

std::string describe_sample_set(const SampleSetSummary& s) {
  if (!s.ok) return "sample set not written: " + s.error + "\n";
  std::string text;
  text += "Sample analysis set in " + s.root + "\n";
  text += "  profile   " + s.profile_path + "\n";
  text += "  suite     " + s.suite_dir + " (" + std::to_string(s.c_standards) + " C and " +
          std::to_string(s.cpp_standards) + " C++ standards)\n";
  text += "  work      " + s.work_dir + "\n";
  if (!s.tci_path.empty()) text += "  tests     " + s.tci_path + "\n";
  for (const SampleModule& m : s.modules) {
    long long executed = 0;
    for (const SampleBlock& b : m.blocks) executed += !b.dummy && b.combined > 0 ? 1 : 0;
    int real_blocks = 0;
    for (const SampleBlock& b : m.blocks) real_blocks += b.dummy ? 0 : 1;
    text += format_text("Module %d %s (stem %s, language %d, checksum %d)\n", m.module_number, m.source_path.c_str(),
                        m.stem.c_str(), m.language, m.checksum);
    text += format_text("  %d reformatted lines (W %d), %d source lines, %d header lines, %d executable\n", m.ref_lines,
                        m.line_width, m.source_lines, m.header_lines, m.executable_lines);
    text += format_text("  %d procedures, %d blocks (%d real, %lld of them run), %d branches\n",
                        static_cast<int>(m.procedures.size()), static_cast<int>(m.blocks.size()), real_blocks, executed,
                        static_cast<int>(m.branches.size()));
    text += format_text(
        "  violations: %d in .sif, %d in .pf1 (%d by line, %d by procedure, %d for the file), "
        "%d related, %d follow-ups\n",
        m.sif_records, m.pf1_records, m.line_violations, m.procedure_violations, m.file_violations, m.related_records,
        m.follow_up_records);
    text += format_text("  data flow: %d first uses, %d last definitions, %d UR anomalies\n", m.first_uses,
                        m.last_definitions, static_cast<int>(m.ur_anomalies.size()));
  }
  for (const SampleTestCase& tc : s.test_cases) {
    text +=
        format_text("Test case %d \"%s\": %s, %lld of %lld lines, %lld of %lld branches\n", tc.number, tc.name.c_str(),
                    tc.result.c_str(), tc.statements, tc.statements_total, tc.branches, tc.branches_total);
  }
  text += format_text("Written in %.2f s.\n", s.seconds);
  if (!s.modules.empty()) {
    const SampleModule& m = s.modules.front();
    text += "Open it with:\n";
    text += "  KELVAR=" + s.root + " sorvi " + s.work_dir + m.stem + ".ref\n";
  }
  return text;
}

}  // namespace sorvi_sample
