// The work files of a sample set: each is read back by column (or by the
// project's own reader where one exists) and must agree with the numbers
// the writer reports and with the other files.
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "samplegen_fixture.h"
#include "samplegen/sample_output_writer.h"
#include "samplegen/sample_suite_writer.h"
#include "workfiles/index_file.h"
#include "workfiles/module_registry.h"
#include "workfiles/work_file_names.h"

namespace samplegen_test {
namespace {

using sorvi_sample::SampleBlock;
using sorvi_sample::SampleBranch;
using sorvi_sample::SampleProcedure;
using sorvi_sample::SampleViolation;

TEST(SampleSet, WritesEveryFile) {
  ASSERT_TRUE(summary().ok) << summary().error;
  ASSERT_EQ(summary().modules.size(), 2u);
  for (const SampleModule& m : summary().modules) {
    for (const char* ext : {".ref", ".ndx", ".smi", ".blk", ".stb", ".pol", ".pol.001", ".pol.002", ".pol.003", ".sf1",
                            ".sif", ".pf1", ".sf3", ".glh"}) {
      EXPECT_TRUE(sorvi_test::file_exists(work_path(m, ext))) << m.stem << ext;
    }
    EXPECT_TRUE(sorvi_test::file_exists(m.source_path));
    EXPECT_TRUE(sorvi_test::file_exists(m.header_path));
  }
  EXPECT_EQ(module(0).stem, "demo_1");
  EXPECT_EQ(module(1).stem, "demo_2");
  EXPECT_EQ(module(1).source_path, summary().source_dir + "legacy/demo.c");
}

// ---- the reformatted file ------------------------------------------------------------------------

TEST(SampleRef, NumberedLinesWithFlagsAndWidthDetectedFromLineOne) {
  const SampleModule& m = module();
  const std::vector<std::string> lines = lines_of(work_path(m, ".ref"));
  ASSERT_EQ(static_cast<int>(lines.size()), m.ref_lines);
  // The width as Sorvi finds it: blanks before the "1" of line 1, plus one.
  const size_t blanks = lines[0].find_first_not_of(' ');
  ASSERT_EQ(lines[0][blanks], '1');
  EXPECT_EQ(static_cast<int>(blanks) + 1, m.line_width);
  EXPECT_EQ(m.line_width, 6);
  for (int i = 0; i < m.ref_lines; ++i) {
    const std::string& line = lines[static_cast<size_t>(i)];
    ASSERT_GT(static_cast<int>(line.size()), m.line_width) << i;
    EXPECT_EQ(field(line, 1, m.line_width), i + 1);
    EXPECT_EQ(line[static_cast<size_t>(m.line_width)], m.ref_flags[static_cast<size_t>(i)]) << i + 1;
    EXPECT_LE(line.size(), 519u);
  }
  // Five header lines, then the first line of the source file.
  EXPECT_EQ(lines[0], "     1  Kelvar reformatted source");
  EXPECT_EQ(lines[1], "     2  File      : " + m.source_path);
  EXPECT_EQ(lines[5], "     6F /* demo.c - the demo module of a Kelvar sample analysis set. */");
}

TEST(SampleRef, WidthOptionWidensEveryFixedField) {
  sorvi_test::TempDir dir;
  SampleSetOptions o;
  o.output_dir = dir.file("wide");
  o.target_lines = 120;
  o.line_width = 7;
  o.files = sorvi_sample::kSampleRef | sorvi_sample::kSampleBlocks | sorvi_sample::kSampleFlags | sorvi_sample::kSampleCounts |
            sorvi_sample::kSampleSource;
  const SampleSetSummary s = sorvi_sample::write_sample_set(o);
  ASSERT_TRUE(s.ok) << s.error;
  const SampleModule& m = s.modules[0];
  EXPECT_EQ(m.line_width, 7);
  const std::vector<std::string> ref = lines_of(s.work_dir + "demo_1.ref");
  EXPECT_EQ(ref[0].find('1'), 6u);
  const std::vector<std::string> stb = lines_of(s.work_dir + "demo_1.stb");
  EXPECT_EQ(field(stb[0], 1, 7), m.ref_lines);
  EXPECT_EQ(field(stb[0], 8, 7), static_cast<int>(m.branches.size()));
  const std::vector<std::string> pol = lines_of(s.work_dir + "demo_1.pol");
  EXPECT_EQ(field(pol[0], 1, 7), m.ref_lines);
  EXPECT_FALSE(sorvi_test::file_exists(s.work_dir + "demo_1.sif"));
  EXPECT_FALSE(sorvi_test::file_exists(s.work_dir + "demo_1.glh"));
}

// ---- registry and index ----------------------------------------------------------------------------

TEST(SampleRegistry, RecordsMatchTheRegistryReader) {
  SetEnvironment env(summary());
  const std::vector<std::string> lines = lines_of(summary().work_dir + "staticid.dat");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            sorvi_sample::right_aligned(1, 5) + sorvi_sample::right_aligned(module(0).checksum, 5) + "    4demo 1 2");
  ASSERT_TRUE(sorvi::load_module_registry(summary().work_dir.c_str(), nullptr));
  ASSERT_EQ(sorvi::module_registry().size(), 2u);
  for (const SampleModule& m : summary().modules) {
    EXPECT_EQ(m.checksum, sorvi::name_checksum(m.source_path.c_str()));
    EXPECT_EQ(sorvi::module_number_of(m.source_path.c_str(), false), m.module_number);
    EXPECT_EQ(sorvi::language_code_of(m.source_path.c_str()), 2);
    EXPECT_EQ(sorvi::retrieve_workname_stem(m.source_path.c_str(), false), m.stem);
  }
}

TEST(SampleIndex, LoadsWithTheIndexReaderAndMapsBackToSourceAndHeader) {
  SetEnvironment env(summary());
  const SampleModule& m = module();
  const std::vector<std::string> ndx = lines_of(work_path(m, ".ndx"));
  EXPECT_EQ(ndx[0], "\"" + m.source_path + "\"");
  EXPECT_EQ(ndx[3], "1");
  EXPECT_EQ(ndx[4], std::to_string(m.include_start) + " " + std::to_string(m.include_end) + " " +
                        std::to_string(m.header_path.size()) + " " + m.header_path);

  int status = -1;
  sorvi::IndexRecord* record =
      sorvi::read_index_file(m.source_path.c_str(), work_path(m, "").c_str(), m.module_number, nullptr, &status);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(status, sorvi::kIndexLoaded);
  EXPECT_EQ(record->n, m.ref_lines);
  ASSERT_EQ(record->file_limits.size(), 2u);  // the include was kept through the source map
  EXPECT_EQ(record->file_limits[1].start, m.include_start);
  EXPECT_EQ(record->file_limits[1].end, m.include_end);
  for (int i = 0; i < m.ref_lines; ++i)
    EXPECT_EQ(record->line_table[static_cast<size_t>(i)], m.line_table[static_cast<size_t>(i)]);

  // Every reformatted line maps to the source or header line that holds its text.
  const std::vector<std::string> ref = lines_of(work_path(m, ".ref"));
  const std::vector<std::string> source = lines_of(m.source_path);
  const std::vector<std::string> header = lines_of(m.header_path);
  for (int r = 6; r <= m.ref_lines; ++r) {
    int original = 0;
    std::string file;
    ASSERT_GE(sorvi::get_original_line_and_file(r, m.module_number, &original, &file, nullptr, false, nullptr), 0);
    const std::vector<std::string>& text = file == m.header_path ? header : source;
    ASSERT_TRUE(file == m.header_path || file == m.source_path) << file;
    ASSERT_GE(original, 1);
    ASSERT_LE(original, static_cast<int>(text.size()));
    std::string code = ref[static_cast<size_t>(r - 1)].substr(static_cast<size_t>(m.line_width) + 1);
    code.erase(0, code.find_first_not_of(' '));
    EXPECT_NE(text[static_cast<size_t>(original - 1)].find(code), std::string::npos)
        << "line " << r << " maps to " << file << ":" << original;
  }
  // Header lines 1 to 5 have no original line.
  EXPECT_EQ(sorvi::original_line_of(3, m.module_number), 0);
}

// ---- blocks, flags and counts ---------------------------------------------------------------------

struct BlockRecord {
  std::string name;
  int count = 0;
  char dummy_start = 0;
  char dummy_exit = 0;
  std::vector<std::array<int, 6>> blocks;
  int list_lines = 0;
};

// Reads the block file by its fixed fields, as the generator's reader will.
std::vector<BlockRecord> read_block_file(const std::string& path, int w) {
  std::vector<BlockRecord> records;
  const std::vector<std::string> lines = lines_of(path);
  size_t at = 2;
  while (at < lines.size()) {
    BlockRecord r;
    const int n = field(lines[at], 1, 5);
    r.name = lines[at].substr(5, static_cast<size_t>(n));
    ++at;
    r.count = field(lines[at], 1, 5);
    r.dummy_start = lines[at][6];
    r.dummy_exit = lines[at][8];
    ++at;
    int a_max = 0;
    int b_max = 0;
    for (int k = 0; k < r.count; ++k, ++at) {
      std::array<int, 6> f{};
      for (int i = 0; i < 6; ++i) f[static_cast<size_t>(i)] = field(lines[at], 1 + i * w, w);
      a_max = std::max(a_max, f[0] + f[4] - 1);
      b_max = std::max(b_max, f[1] + f[5] - 1);
      r.blocks.push_back(f);
    }
    r.list_lines = (a_max + 15) / 16 + (b_max + 15) / 16;
    at += static_cast<size_t>(r.list_lines);
    records.push_back(r);
  }
  EXPECT_EQ(at, lines.size());
  return records;
}

TEST(SampleBlocks, OneRecordPerProcedureByNumberWithTheBlockSpans) {
  const SampleModule& m = module();
  const std::vector<BlockRecord> records = read_block_file(work_path(m, ".blk"), m.line_width);
  ASSERT_EQ(records.size(), m.procedures.size());
  int dummy_starts = 0;
  int dummy_exits = 0;
  for (size_t k = 0; k < records.size(); ++k) {
    const BlockRecord& r = records[k];
    const int number = static_cast<int>(k) + 1;
    const auto p = std::find_if(m.procedures.begin(), m.procedures.end(),
                                [&](const SampleProcedure& q) { return q.number == number; });
    ASSERT_NE(p, m.procedures.end());
    EXPECT_EQ(r.name, p->name);
    ASSERT_EQ(r.count, p->block_count);
    EXPECT_EQ(r.dummy_start, p->dummy_start ? 'T' : 'F');
    EXPECT_EQ(r.dummy_exit, p->dummy_exit ? 'T' : 'F');
    dummy_starts += p->dummy_start;
    dummy_exits += p->dummy_exit;
    for (int b = 0; b < r.count; ++b) {
      const SampleBlock& expected = m.blocks[static_cast<size_t>(p->first_block + b)];
      EXPECT_EQ(r.blocks[static_cast<size_t>(b)][2], expected.start_line);
      EXPECT_EQ(r.blocks[static_cast<size_t>(b)][3], expected.end_line);
    }
  }
  EXPECT_EQ(records[0].name, "main");
  EXPECT_GT(dummy_starts, 0);
  EXPECT_GT(dummy_exits, 0);
}

TEST(SampleBlocks, BlocksTileEachProcedureAndMainFollowsThePreviousOne) {
  for (const SampleModule* module_pointer : all_modules()) {
    const SampleModule& m = *module_pointer;
    int previous_last = 0;
    for (const SampleProcedure& p : m.procedures) {
      std::vector<const SampleBlock*> real;
      for (int b = 0; b < p.block_count; ++b) {
        const SampleBlock& block = m.blocks[static_cast<size_t>(p.first_block + b)];
        EXPECT_EQ(block.procedure, p.number);
        EXPECT_EQ(block.number, b + 1);
        if (!block.dummy) real.push_back(&block);
      }
      ASSERT_FALSE(real.empty());
      if (p.number == 1) {
        EXPECT_EQ(real.front()->start_line, previous_last + 1) << "main starts after the procedure before it";
      } else {
        EXPECT_EQ(real.front()->start_line, p.first_line);
      }
      EXPECT_EQ(real.back()->end_line, p.last_line);
      for (size_t i = 1; i < real.size(); ++i) EXPECT_EQ(real[i]->start_line, real[i - 1]->end_line + 1);
      if (p.dummy_start) {
        EXPECT_EQ(m.blocks[static_cast<size_t>(p.first_block)].start_line, p.first_line);
      }
      if (p.dummy_exit) {
        const SampleBlock& exit = m.blocks[static_cast<size_t>(p.first_block + p.block_count - 1)];
        EXPECT_TRUE(exit.dummy);
        EXPECT_EQ(exit.start_line, p.last_line);
      }
      previous_last = p.last_line;
    }
    EXPECT_EQ(m.procedures.back().name, "main");
  }
}

TEST(SampleFlags, LineCharactersAndBranchesAgreeWithTheRefFile) {
  const SampleModule& m = module();
  const int w = m.line_width;
  const std::vector<std::string> lines = lines_of(work_path(m, ".stb"));
  EXPECT_EQ(field(lines[0], 1, w), m.ref_lines);
  EXPECT_EQ(field(lines[0], 1 + w, w), static_cast<int>(m.branches.size()));
  std::string flags;
  size_t at = 1;
  while (static_cast<int>(flags.size()) < m.ref_lines) {
    ASSERT_LE(lines[at].size(), 80u);
    flags += lines[at++];
  }
  ASSERT_EQ(static_cast<int>(flags.size()), m.ref_lines);
  for (int i = 0; i < m.ref_lines; ++i) {
    EXPECT_EQ(flags[static_cast<size_t>(i)], m.ref_flags[static_cast<size_t>(i)] == 'T' ? 'T' : 'F');
  }
  std::vector<std::pair<int, int>> branches;
  for (; at < lines.size(); ++at) {
    ASSERT_EQ(lines[at].size() % static_cast<size_t>(2 * w), 0u);
    for (size_t c = 0; c < lines[at].size(); c += static_cast<size_t>(2 * w)) {
      branches.emplace_back(field(lines[at], static_cast<int>(c) + 1, w),
                            field(lines[at], static_cast<int>(c) + 1 + w, w));
    }
  }
  ASSERT_EQ(branches.size(), m.branches.size());
  for (size_t i = 0; i < branches.size(); ++i) {
    EXPECT_EQ(branches[i].first, m.branches[i].from);
    EXPECT_EQ(branches[i].second, m.branches[i].to);
    if (i) {
      EXPECT_LE(branches[i - 1].first, branches[i].first);
    }
  }
}

// The counts of a ".pol" layout file: the line counts and the branch counts.
struct CountsFile {
  int lines = 0;
  int branches = 0;
  std::vector<long long> line_counts;
  std::vector<long long> branch_counts;
};

CountsFile read_counts(const std::string& path, int w) {
  CountsFile c;
  const std::vector<std::string> lines = lines_of(path);
  c.lines = field(lines[0], 1, w);
  c.branches = field(lines[0], 1 + w, w);
  size_t at = 1;
  for (std::vector<long long>* list : {&c.line_counts, &c.branch_counts}) {
    const size_t wanted = static_cast<size_t>(list == &c.line_counts ? c.lines : c.branches);
    while (list->size() < wanted && at < lines.size()) {
      const std::string& line = lines[at++];
      EXPECT_LE(line.size(), 80u);
      for (size_t col = 0; col + 8 <= line.size(); col += 8) list->push_back(field(line, static_cast<int>(col) + 1, 8));
    }
  }
  EXPECT_EQ(at, lines.size());
  return c;
}

// The block walk: a block takes the first count of 1 or more on its lines.
std::vector<long long> walk_block_counts(const SampleModule& m, const std::vector<long long>& line_counts) {
  std::vector<long long> counts;
  for (const SampleBlock& b : m.blocks) {
    long long value = 0;
    if (!b.dummy) {
      for (int line = b.start_line; line <= b.end_line; ++line) {
        if (line_counts[static_cast<size_t>(line - 1)] >= 1) {
          value = line_counts[static_cast<size_t>(line - 1)];
          break;
        }
      }
    }
    counts.push_back(value);
  }
  return counts;
}

TEST(SampleCounts, BlockWalkOverLineCountsGivesTheCombinedCounts) {
  const SampleModule& m = module();
  const CountsFile pol = read_counts(work_path(m, ".pol"), m.line_width);
  ASSERT_EQ(pol.lines, m.ref_lines);
  ASSERT_EQ(pol.branches, static_cast<int>(m.branches.size()));
  const std::vector<long long> walked = walk_block_counts(m, pol.line_counts);
  int never = 0;
  int busy = 0;
  for (size_t i = 0; i < m.blocks.size(); ++i) {
    EXPECT_EQ(walked[i], m.blocks[i].combined) << "block " << i;
    if (!m.blocks[i].dummy && m.blocks[i].instrumented) {
      never += m.blocks[i].combined == 0;
      busy += m.blocks[i].combined >= 100;
    }
  }
  EXPECT_GT(never, 0);
  EXPECT_GT(busy, 0);
  for (size_t i = 0; i < m.branches.size(); ++i) EXPECT_EQ(pol.branch_counts[i], m.branches[i].combined);
  // Lines that are not executable carry no count.
  for (int i = 0; i < m.ref_lines; ++i) {
    if (m.ref_flags[static_cast<size_t>(i)] != 'T') {
      EXPECT_EQ(pol.line_counts[static_cast<size_t>(i)], 0) << i + 1;
    }
  }
}

TEST(SampleCounts, HistoryFilesAreRunningTotalsAndTestCasesSingleRuns) {
  SetEnvironment env(summary());
  const SampleModule& m = module();
  const int w = m.line_width;
  const CountsFile pol = read_counts(work_path(m, ".pol"), w);
  EXPECT_EQ(sorvi_test::read_file(work_path(m, ".pol.003")), sorvi_test::read_file(work_path(m, ".pol")));
  const CountsFile h1 = read_counts(work_path(m, ".pol.001"), w);
  const CountsFile h2 = read_counts(work_path(m, ".pol.002"), w);
  std::vector<CountsFile> runs;
  for (int tc = 1; tc <= 3; ++tc) {
    const std::string path =
        sorvi::test_case_result_file(work_path(m, ".pol").c_str(), tc, summary().tests_dir.c_str());
    ASSERT_TRUE(sorvi_test::file_exists(path)) << path;
    runs.push_back(read_counts(path, w));
  }
  const std::vector<long long> c1 = walk_block_counts(m, h1.line_counts);
  const std::vector<long long> c2 = walk_block_counts(m, h2.line_counts);
  const std::vector<long long> c = walk_block_counts(m, pol.line_counts);
  std::vector<std::vector<long long>> run_counts;
  for (const CountsFile& r : runs) run_counts.push_back(walk_block_counts(m, r.line_counts));
  int only_earlier = 0;
  for (size_t i = 0; i < m.blocks.size(); ++i) {
    EXPECT_EQ(c1[i], m.blocks[i].runs[0]);
    EXPECT_EQ(c2[i], m.blocks[i].runs[0] + m.blocks[i].runs[1]);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(run_counts[static_cast<size_t>(r)][i], m.blocks[i].runs[r]);
    // Current counts, as Sorvi derives them, are those of the last run.
    EXPECT_EQ(c[i] - c2[i], m.blocks[i].runs[2]);
    only_earlier += c[i] > 0 && c[i] == c2[i];
  }
  EXPECT_GT(only_earlier, 0) << "some blocks ran before the last run only";
  // The history file Sorvi reads for the current counts.
  std::string name;
  EXPECT_EQ(sorvi::policy_history_name(m.module_number, 1, m.source_path.c_str(), nullptr, nullptr, false, name), 3);
  EXPECT_EQ(name, work_path(m, ".pol.002"));
}

TEST(SampleCounts, DecisionCountsSplitOverTheirBranches) {
  for (const SampleModule* module_pointer : all_modules()) {
    const SampleModule& m = *module_pointer;
    std::map<int, const SampleBlock*> block_ending_at;
    std::map<int, const SampleBlock*> block_starting_at;
    for (const SampleBlock& b : m.blocks) {
      if (b.dummy) continue;
      block_ending_at[b.end_line] = &b;
      block_starting_at[b.start_line] = &b;
    }
    std::map<int, std::array<long long, 3>> sums;
    int partly = 0;
    for (const SampleBranch& br : m.branches) {
      ASSERT_TRUE(block_ending_at.count(br.from)) << br.from;
      ASSERT_TRUE(block_starting_at.count(br.to)) << br.to;
      EXPECT_EQ(block_ending_at[br.from]->procedure, block_starting_at[br.to]->procedure);
      EXPECT_EQ(m.ref_flags[static_cast<size_t>(br.from - 1)], 'T');
      for (int r = 0; r < 3; ++r) sums[br.from][static_cast<size_t>(r)] += br.runs[r];
      partly += br.combined == 0 && block_ending_at[br.from]->combined > 0;
    }
    for (const auto& s : sums) {
      for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(s.second[static_cast<size_t>(r)], block_ending_at[s.first]->runs[r]) << "decision at " << s.first;
      }
    }
    EXPECT_GT(partly, 0) << "some decisions ran with a branch never taken";
  }
}

// ---- procedures, violations and data flow ------------------------------------------------------------

TEST(SampleProcedures, Sf1RecordsByColumn) {
  const SampleModule& m = module();
  const std::vector<std::string> lines = lines_of(work_path(m, ".sf1"));
  int procedures = 0;
  bool main_start_seen = false;
  for (const std::string& line : lines) {
    EXPECT_EQ(field(line, 1, 4), m.module_number);
    switch (record_type(line)) {
      case 106:
        EXPECT_EQ(line.substr(45), "\"" + m.source_path + "\"");
        break;
      case 124: {
        const int number = field(line, 45, 5);
        const auto p = std::find_if(m.procedures.begin(), m.procedures.end(),
                                    [&](const SampleProcedure& q) { return q.number == number; });
        ASSERT_NE(p, m.procedures.end());
        EXPECT_EQ(field(line, 5, 4), number);
        EXPECT_EQ(line[25], number == 1 ? 'Y' : 'P');
        EXPECT_EQ(field(line, 27, 9), p->first_line);
        EXPECT_EQ(field(line, 36, 9), p->last_line);
        EXPECT_EQ(line.substr(54), p->name);
        ++procedures;
        break;
      }
      case 118: {
        const SampleProcedure& main = m.procedures.back();
        int a = 0, b = 0, start = 0, d = 0;
        char name[32] = {};
        ASSERT_EQ(std::sscanf(line.c_str() + 12, "%d %d %d %d %31s", &a, &b, &start, &d, name), 5);
        EXPECT_EQ(start, m.blocks[static_cast<size_t>(main.first_block)].start_line);
        EXPECT_STREQ(name, "main");
        main_start_seen = true;
        break;
      }
      default:
        break;
    }
  }
  EXPECT_EQ(procedures, static_cast<int>(m.procedures.size()));
  EXPECT_TRUE(main_start_seen);
}

struct ViolationRecord {
  int procedure = 0;
  int line = 0;
  int standard = 0;
  char letter = 0;
  int text_switch = 0;
  std::string text;
};

TEST(SampleViolations, RecordsByColumnMatchTheSummaryInFileOrder) {
  const SampleModule& m = module();
  size_t next = 0;
  int related = 0;
  int follow_ups = 0;
  std::set<char> letters;
  std::set<std::pair<char, int>> standards;
  for (const char* ext : {".sif", ".pf1"}) {
    const std::vector<std::string> lines = lines_of(work_path(m, ext));
    const SampleViolation* last = nullptr;
    for (const std::string& line : lines) {
      const int type = record_type(line);
      if (type == 101) {
        ASSERT_LT(next, m.violations.size());
        const SampleViolation& v = m.violations[next++];
        EXPECT_EQ(v.file, ext);
        EXPECT_EQ(field(line, 5, 4), v.procedure);
        EXPECT_EQ(field(line, 25, 7), v.line);
        EXPECT_EQ(field(line, 46, 7), v.standard);
        EXPECT_EQ(line[52], ' ');
        EXPECT_EQ(line[53], v.letter);
        EXPECT_EQ(field(line, 55, 3), v.has_text ? 1 : 0);
        EXPECT_EQ(line.substr(57), v.text);
        letters.insert(v.letter);
        standards.insert({v.letter, v.standard});
        last = &v;
      } else if (type == 804) {
        ASSERT_NE(last, nullptr);
        EXPECT_TRUE(last->follow_up);
        EXPECT_EQ(field(line, 25, 7), last->line);
        int standard = 0, extra = 0;
        char letter = 0;
        ASSERT_EQ(std::sscanf(line.c_str() + 31, "%d %c %d", &standard, &letter, &extra), 3);
        EXPECT_EQ(standard, last->standard);
        EXPECT_EQ(letter, last->letter);
        ++follow_ups;
      } else if (type == 801) {
        ASSERT_NE(last, nullptr);
        int ints[7] = {};
        char letter = 0;
        ASSERT_EQ(std::sscanf(line.c_str() + 32, "%d %d %d %d %d %d %d %c", &ints[0], &ints[1], &ints[2], &ints[3],
                              &ints[4], &ints[5], &ints[6], &letter),
                  8);
        const int first = field(line, 25, 8);
        EXPECT_EQ(ints[6], last->standard);
        EXPECT_EQ(letter, last->letter);
        // Sorvi matches it to the violation by line, or for letter D by
        // its first line; the place it names differs from the violation's.
        EXPECT_TRUE(ints[5] == last->line || (ints[5] == 0 && first == last->line));
        EXPECT_NE(ints[2], last->line);
        EXPECT_GE(ints[1], 1);
        ++related;
      } else {
        ADD_FAILURE() << "unexpected record: " << line;
      }
    }
  }
  EXPECT_EQ(next, m.violations.size());
  EXPECT_EQ(related, m.related_records);
  EXPECT_EQ(follow_ups, m.follow_up_records);
  EXPECT_GT(related, 0);
  EXPECT_GT(follow_ups, 0);
  for (char letter : std::string("CDHISXZ")) EXPECT_TRUE(letters.count(letter)) << letter;
  EXPECT_GE(standards.size(), 15u);
  EXPECT_GT(m.procedure_violations, 0);
  EXPECT_EQ(m.file_violations, 1);
}

TEST(SampleViolations, LinesPointAtTheirProcedureAndFlattenedStandardsAtTheIndex) {
  for (const SampleModule* module_pointer : all_modules()) {
    const SampleModule& m = *module_pointer;
    std::map<int, const SampleProcedure*> by_number;
    for (const SampleProcedure& p : m.procedures) by_number[p.number] = &p;
    int flattened = 0;
    for (const SampleViolation& v : m.violations) {
      const sorvi_sample::SampleStandard* s = sorvi_sample::find_sample_standard(v.letter, v.standard);
      ASSERT_NE(s, nullptr) << v.letter << v.standard;
      if (v.line == 0) {
        EXPECT_EQ(v.ref_line, 0);
        if (v.procedure) {
          EXPECT_EQ(s->scope, sorvi_sample::StandardScope::kProcedure);
        }
        continue;
      }
      EXPECT_EQ(s->scope, sorvi_sample::StandardScope::kLine);
      if (s->flattened) {
        ++flattened;
        EXPECT_TRUE(v.flattened);
        EXPECT_EQ(v.line, m.line_table[static_cast<size_t>(v.ref_line - 1)]);
        EXPECT_NE(v.line, v.ref_line);
      } else {
        EXPECT_EQ(v.line, v.ref_line);
      }
      if (v.procedure > 0) {
        const SampleProcedure& p = *by_number.at(v.procedure);
        EXPECT_GE(v.ref_line, m.blocks[static_cast<size_t>(p.first_block)].start_line);
        EXPECT_LE(v.ref_line, p.last_line);
      } else {
        for (const SampleProcedure& p : m.procedures) {
          EXPECT_FALSE(v.ref_line >= p.first_line && v.ref_line <= p.last_line);
        }
      }
    }
    EXPECT_GE(flattened, 2);
  }
}

TEST(SampleDataflow, ItemsAndAnomaliesByColumn) {
  const SampleModule& m = module();
  const int w = m.line_width;
  const std::vector<std::string> lines = lines_of(work_path(m, ".sf3"));
  ASSERT_EQ(lines.size(), m.dataflow.size() + m.ur_anomalies.size());
  int first_uses = 0;
  int last_defs = 0;
  for (size_t i = 0; i < m.dataflow.size(); ++i) {
    const std::string& line = lines[i];
    const sorvi_sample::SampleDataflowItem& item = m.dataflow[i];
    EXPECT_EQ(record_type(line), 312);
    EXPECT_EQ(field(line, 5, 4), item.procedure);
    EXPECT_EQ(field(line, 25, w + 1), item.block);
    EXPECT_EQ(field(line, 26 + w, 2), item.kind);
    EXPECT_EQ(line.substr(static_cast<size_t>(w) + 31), m.variables[static_cast<size_t>(item.variable)]);
    (item.kind == 1 ? last_defs : first_uses) += 1;
  }
  EXPECT_EQ(first_uses, m.first_uses);
  EXPECT_EQ(last_defs, m.last_definitions);
  ASSERT_FALSE(m.ur_anomalies.empty());
  bool negated = false;
  for (size_t i = 0; i < m.ur_anomalies.size(); ++i) {
    const std::string& line = lines[m.dataflow.size() + i];
    const sorvi_sample::SampleUrAnomaly& ur = m.ur_anomalies[i];
    EXPECT_EQ(record_type(line), 316);
    int skip1 = 0, skip2 = 0, consumed = 0;
    ASSERT_EQ(std::sscanf(line.c_str() + 12, "%d %d%n", &skip1, &skip2, &consumed), 2);
    const std::string rest = line.substr(12 + static_cast<size_t>(consumed));
    EXPECT_EQ(field(rest, 1, 7), ur.undefined_line);
    EXPECT_EQ(field(rest, 8, 7), ur.negated ? -ur.referenced_line : ur.referenced_line);
    EXPECT_EQ(rest.substr(14), "  7 pending");
    EXPECT_EQ(m.ref_flags[static_cast<size_t>(ur.undefined_line - 1)], 'F');
    EXPECT_EQ(m.ref_flags[static_cast<size_t>(ur.referenced_line - 1)], 'T');
    negated = negated || ur.negated;
  }
  EXPECT_TRUE(negated);
}

// ---- test cases ------------------------------------------------------------------------------------------

TEST(SampleTestCases, ResultListAndReportWithTestCaseHeadings) {
  const std::vector<std::string> tci = lines_of(summary().tci_path);
  ASSERT_EQ(tci.size(), 4u + 5u + 3u * 5u);
  EXPECT_EQ(tci[0], summary().report_path);
  EXPECT_EQ(tci[1], "-10");
  EXPECT_EQ(tci[2], "3");
  EXPECT_EQ(tci[3], "5");
  EXPECT_EQ(tci[4], "Test Case");
  const std::string report = sorvi_test::read_file(summary().report_path);
  for (int row = 0; row < 3; ++row) {
    const std::string number = tci[9 + static_cast<size_t>(row) * 5];
    EXPECT_EQ(number, std::to_string(row + 1));
    const std::string heading = "*  Test Case " + number + " : " + tci[10 + static_cast<size_t>(row) * 5] + "\n";
    EXPECT_NE(report.find(heading), std::string::npos) << heading;
  }
  for (const sorvi_sample::SampleTestCase& tc : summary().test_cases) {
    EXPECT_GT(tc.statements, 0);
    EXPECT_LT(tc.statements, tc.statements_total);
  }
}

}  // namespace
}  // namespace samplegen_test
