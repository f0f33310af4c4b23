#include "samplegen/sample_work_writer.h"

#include <fstream>
#include <sstream>

#include "base/file_utils.h"
#include "glh/glq_records.h"
#include "samplegen/glh_writer.h"
#include "samplegen/sample_output_writer.h"
#include "samplegen/sample_suite_writer.h"

namespace sorvi_sample {
namespace {

constexpr const char kStatisticsDate[] = "2024-01-15 09:30:00";
constexpr size_t kLargeText = 4u << 20;

// Record lines number their records in columns 13-18; the count starts
// again after 999999 so that the field keeps its width.

// The three common fields of a record line.
void record_start(TextOutput& out, int module, int procedure, int type) {
  out.number(module, 4);
  out.number(procedure, 4);
  out.number(type, 4);
}

long long run_sum(const SampleBlock& b, int first_run, int last_run) {
  long long sum = 0;
  for (int k = first_run; k <= last_run; ++k) sum += b.runs[k];
  return sum;
}

long long run_sum(const SampleBranch& b, int first_run, int last_run) {
  long long sum = 0;
  for (int k = first_run; k <= last_run; ++k) sum += b.runs[k];
  return sum;
}

// Procedures in block-file order: main (number 1) first, then by number.
std::vector<const SampleProcedure*> by_number(const SampleModule& m) {
  std::vector<const SampleProcedure*> list(m.procedures.size(), nullptr);
  for (const SampleProcedure& p : m.procedures) {
    if (p.number >= 1 && static_cast<size_t>(p.number) <= list.size()) list[static_cast<size_t>(p.number - 1)] = &p;
  }
  return list;
}

// Reformatted lines in the ".ref" layout (number, flag character, code),
// those for which `keep` holds, or all of them without it.
bool write_ref_lines(const SampleModuleBuild& b, const std::string& path, const std::vector<bool>* keep) {
  const SampleModule& m = b.module;
  TextOutput out(path);
  size_t at = 0;
  for (int line = 1; line <= m.ref_lines; ++line) {
    const size_t end = b.ref_code.find('\n', at);
    if (!keep || (*keep)[static_cast<size_t>(line)]) {
      out.number(line, m.line_width);
      out.put(m.ref_flags[static_cast<size_t>(line - 1)]);
      out.write(b.ref_code.data() + at, end - at);
      out.put('\n');
    }
    at = end + 1;
  }
  return out.close();
}

bool write_ref(const SampleModuleBuild& b, const std::string& path) { return write_ref_lines(b, path, nullptr); }

// The procedure-code file: the reformatted lines of every procedure, from
// the start of its first block (main's starts right after the procedure
// before it, where Sorvi places it) to its closing line, numbered and
// flagged as in ".ref". The header lines and what stands between
// procedures are left out: Sorvi walks this file in procedure mode, where
// only the lines of the procedure shown count.
bool write_procedure_code(const SampleModuleBuild& b, const std::string& path) {
  const SampleModule& m = b.module;
  std::vector<bool> keep(static_cast<size_t>(m.ref_lines) + 1, false);
  for (const SampleProcedure& p : m.procedures) {
    const int first = m.blocks[static_cast<size_t>(p.first_block)].start_line;
    for (int line = first; line <= p.last_line; ++line) keep[static_cast<size_t>(line)] = true;
  }
  return write_ref_lines(b, path, &keep);
}

bool write_index(const SampleModuleBuild& b, const std::string& path) {
  const SampleModule& m = b.module;
  TextOutput out(path);
  out.line("\"" + m.source_path + "\"");
  out.line(format_text("Kelvar 9.4.1 %s reformatter", m.language == 6 ? "C++" : "C"));
  out.line(format_text("Module %d of the sample set", m.module_number));
  out.line("1");
  out.format("%d %d %d %s\n", m.include_start, m.include_end, static_cast<int>(m.header_path.size()),
             m.header_path.c_str());
  out.format("%d\n", m.ref_lines);
  for (int i = 0; i < m.ref_lines; ++i) {
    out.number(m.line_table[static_cast<size_t>(i)], m.line_width + 1);
    if (i % 10 == 9 || i + 1 == m.ref_lines) out.put('\n');
  }
  return out.close();
}

bool write_source_map(const SampleModuleBuild& b, const std::string& path) {
  const SampleModule& m = b.module;
  TextOutput out(path);
  out.format("1 %d %s\n", m.source_lines, m.source_path.c_str());
  out.format("%d %d %s\n", m.include_start, m.include_end, m.header_path.c_str());
  return out.close();
}

bool write_blocks(const SampleModuleBuild& b, const std::string& path) {
  const SampleModule& m = b.module;
  const int w = m.line_width;
  TextOutput out(path);
  out.line("Kelvar block file: " + m.source_path);
  out.format("Procedures %d, blocks %d\n", static_cast<int>(m.procedures.size()), static_cast<int>(m.blocks.size()));
  for (const SampleProcedure* p : by_number(m)) {
    if (!p) continue;
    out.number(static_cast<long long>(p->name.size()), 5);
    out.line(p->name);
    out.number(p->block_count, 5);
    out.format(" %c %c\n", p->dummy_start ? 'T' : 'F', p->dummy_exit ? 'T' : 'F');
    // Successor and predecessor lists, each block's part found by its
    // start (a, b) and length (e, f).
    const size_t first = static_cast<size_t>(p->first_block);
    const size_t n = static_cast<size_t>(p->block_count);
    std::vector<std::vector<int>> preds(n);
    for (size_t i = 0; i < n; ++i) {
      for (int s : b.successors[first + i]) {
        if (s >= 1 && static_cast<size_t>(s) <= n) preds[static_cast<size_t>(s - 1)].push_back(static_cast<int>(i + 1));
      }
    }
    std::vector<int> succ_list;
    std::vector<int> pred_list;
    for (size_t i = 0; i < n; ++i) {
      const SampleBlock& block = m.blocks[first + i];
      const std::vector<int>& succ = b.successors[first + i];
      const int a = static_cast<int>(succ_list.size()) + 1;
      const int pb = static_cast<int>(pred_list.size()) + 1;
      succ_list.insert(succ_list.end(), succ.begin(), succ.end());
      pred_list.insert(pred_list.end(), preds[i].begin(), preds[i].end());
      out.number(a, w);
      out.number(pb, w);
      out.number(block.start_line, w);
      out.number(block.end_line, w);
      out.number(static_cast<long long>(succ.size()), w);
      out.number(static_cast<long long>(preds[i].size()), w);
      out.put('\n');
    }
    for (const std::vector<int>* list : {&succ_list, &pred_list}) {
      for (size_t i = 0; i < list->size(); ++i) {
        out.number((*list)[i], w);
        if (i % 16 == 15 || i + 1 == list->size()) out.put('\n');
      }
    }
  }
  return out.close();
}

bool write_flags(const SampleModuleBuild& b, const std::string& path) {
  const SampleModule& m = b.module;
  const int w = m.line_width;
  TextOutput out(path);
  out.number(m.ref_lines, w);
  out.number(static_cast<long long>(m.branches.size()), w);
  out.number(static_cast<long long>(m.procedures.size()), w);
  out.put('\n');
  for (int i = 0; i < m.ref_lines; ++i) {
    out.put(m.ref_flags[static_cast<size_t>(i)] == 'T' ? 'T' : 'F');
    if (i % 80 == 79 || i + 1 == m.ref_lines) out.put('\n');
  }
  for (size_t i = 0; i < m.branches.size(); ++i) {
    out.number(m.branches[i].from, w);
    out.number(m.branches[i].to, w);
    if (i % 8 == 7 || i + 1 == m.branches.size()) out.put('\n');
  }
  return out.close();
}

void write_violation(TextOutput& out, const SampleModule& m, const SampleViolation& v, int sequence) {
  record_start(out, m.module_number, v.procedure, 101);
  out.number(sequence % 1000000, 6);
  out.number(0, 6);
  out.number(v.line, 7);
  out.number(v.ref_line > 0 ? m.line_table[static_cast<size_t>(v.ref_line - 1)] : 0, 7);
  out.number(0, 7);
  out.number(v.standard, 7);
  out.put(' ');
  out.put(v.letter);
  out.number(v.has_text ? 1 : 0, 3);
  if (v.has_text) out.write(v.text);
  out.put('\n');
}

bool write_violations(const SampleModuleBuild& b, const std::string& path, const std::string& file) {
  const SampleModule& m = b.module;
  TextOutput out(path);
  int sequence = 0;
  size_t next_related = 0;  // related locations are kept in the order of their violations
  for (size_t i = 0; i < m.violations.size(); ++i) {
    const SampleViolation& v = m.violations[i];
    if (v.file != file) continue;
    write_violation(out, m, v, ++sequence);
    if (v.follow_up) {
      record_start(out, m.module_number, v.procedure, 804);
      out.number(sequence % 1000000, 6);
      out.number(0, 6);
      out.number(v.line, 7);
      out.format(" %d %c %d\n", v.standard, v.letter, 1);
    }
    while (next_related < b.related.size() && b.related[next_related].violation < static_cast<int>(i)) ++next_related;
    for (; next_related < b.related.size() && b.related[next_related].violation == static_cast<int>(i);
         ++next_related) {
      const SampleRelatedLocation& r = b.related[next_related];
      record_start(out, m.module_number, r.procedure, 801);
      out.number(sequence % 1000000, 6);
      out.number(0, 6);
      out.number(r.first_line, 8);
      out.format(" %d %d %d %d %d %d %d %c\n", 0, 1, r.place_line, 0, 0, r.violation_line, v.standard, v.letter);
    }
  }
  return out.close();
}

bool write_procedures(const SampleModuleBuild& b, const std::string& path) {
  const SampleModule& m = b.module;
  TextOutput out(path);
  record_start(out, m.module_number, 0, 100);
  out.format("%6d%6d Kelvar static analysis, procedure list\n", static_cast<int>(m.procedures.size()), m.ref_lines);
  record_start(out, m.module_number, 0, 106);
  out.format("%5d%7d %-20s\"%s\"\n", static_cast<int>(m.procedures.size()), m.ref_lines, kStatisticsDate,
             m.source_path.c_str());
  const SampleProcedure* main_proc = nullptr;
  for (const SampleProcedure* p : by_number(m)) {
    if (!p) continue;
    if (p->number == 1) main_proc = p;
    record_start(out, m.module_number, p->number, 124);
    out.format("%6d%6d %c%9d%9d%5d%5d%s\n", p->block_count, p->decisions, p->kind, p->first_line, p->last_line,
               p->number, p->decisions + 1, p->name.c_str());
  }
  if (main_proc) {
    const SampleBlock& first = m.blocks[static_cast<size_t>(main_proc->first_block + (main_proc->dummy_start ? 1 : 0))];
    record_start(out, m.module_number, 1, 118);
    out.format("%6d%6d %8d %8d %s\n", 1, main_proc->block_count, first.start_line, main_proc->first_line,
               main_proc->name.c_str());
  }
  return out.close();
}

bool write_dataflow(const SampleModuleBuild& b, const std::string& path) {
  const SampleModule& m = b.module;
  TextOutput out(path);
  int sequence = 0;
  for (const SampleDataflowItem& item : m.dataflow) {
    record_start(out, m.module_number, item.procedure, 312);
    out.number(++sequence % 1000000, 6);
    out.number(0, 6);
    out.number(item.block, m.line_width + 1);
    out.number(item.kind, 2);
    out.number(item.variable + 1, 4);
    out.line(m.variables[static_cast<size_t>(item.variable)]);
  }
  for (const SampleUrAnomaly& ur : m.ur_anomalies) {
    record_start(out, m.module_number, ur.procedure, 316);
    out.number(++sequence % 1000000, 6);
    out.number(0, 6);
    out.number(ur.undefined_line, 7);
    out.number(ur.negated ? -ur.referenced_line : ur.referenced_line, 7);
    out.number(static_cast<long long>(ur.name.size()), 3);
    out.put(' ');
    out.line(ur.name);
  }
  return out.close();
}

bool read_whole_file(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  content = buffer.str();
  return true;
}

GlhTextDocumentContent text_document(const std::string& content, bool chunked) {
  GlhTextDocumentContent doc;
  doc.chunked = chunked;
  if (chunked) {
    const size_t chunk = content.size() > kLargeText ? 65536 : 4096;
    for (size_t at = 0; at < content.size(); at += chunk) doc.entries.push_back(content.substr(at, chunk));
  } else {
    size_t at = 0;
    while (at < content.size()) {
      size_t end = content.find('\n', at);
      if (end == std::string::npos) end = content.size();
      doc.entries.push_back(content.substr(at, end - at));
      at = end + 1;
    }
  }
  return doc;
}

bool write_glq(GlhWriter& glh) {
  bool ok = glh.add_repository("GLQ_Repository", 6);
  for (int language : {2, 6}) {
    GlhRecordDocumentContent penalties;
    penalties.rows = encode_gl_records(glq_penalty_records(language));
    GlhRecordDocumentContent descriptions;
    descriptions.rows = encode_gl_records(glq_description_records(language));
    ok = ok &&
         glh.add_record_document("GLQ_Repository", language == 6 ? sorvi::kGlqCppPenalties : sorvi::kGlqCPenalties,
                                 penalties) &&
         glh.add_record_document("GLQ_Repository",
                                 language == 6 ? sorvi::kGlqCppModelDescriptions : sorvi::kGlqCModelDescriptions,
                                 descriptions);
  }
  return ok;
}

}  // namespace

bool write_sample_registry(const std::string& path, const std::vector<SampleRegistryRecord>& records) {
  TextOutput out(path);
  for (size_t i = 0; i < records.size(); ++i) {
    const SampleRegistryRecord& r = records[i];
    out.number(static_cast<long long>(i + 1), 5);
    out.number(r.checksum, 5);
    out.number(static_cast<long long>(r.base_name.size()), 5);
    out.format("%s %d %d\n", r.base_name.c_str(), 1, r.language);
  }
  return out.close();
}

bool write_sample_counts(const SampleModuleBuild& b, const std::string& path, int first_run, int last_run) {
  const SampleModule& m = b.module;
  const int w = m.line_width;
  TextOutput out(path);
  out.number(m.ref_lines, w);
  out.number(static_cast<long long>(m.branches.size()), w);
  out.number(last_run - first_run + 1, w);
  out.put('\n');
  for (int i = 0; i < m.ref_lines; ++i) {
    long long count = 0;
    const int block = b.block_of_line[static_cast<size_t>(i)];
    if (block >= 0 && m.ref_flags[static_cast<size_t>(i)] == 'T') {
      count = run_sum(m.blocks[static_cast<size_t>(block)], first_run, last_run);
    }
    out.number(count, 8);
    if (i % 10 == 9 || i + 1 == m.ref_lines) out.put('\n');
  }
  for (size_t i = 0; i < m.branches.size(); ++i) {
    out.number(run_sum(m.branches[i], first_run, last_run), 8);
    if (i % 10 == 9 || i + 1 == m.branches.size()) out.put('\n');
  }
  return out.close();
}

SampleRunCoverage sample_run_coverage(const SampleModuleBuild& b, int run) {
  const SampleModule& m = b.module;
  SampleRunCoverage c;
  for (int i = 0; i < m.ref_lines; ++i) {
    const int block = b.block_of_line[static_cast<size_t>(i)];
    if (block >= 0 && m.ref_flags[static_cast<size_t>(i)] == 'T' &&
        m.blocks[static_cast<size_t>(block)].runs[run] > 0) {
      ++c.lines;
    }
  }
  for (const SampleBranch& br : m.branches) {
    if (br.runs[run] > 0) ++c.branches;
  }
  return c;
}

bool write_sample_work_files(SampleModuleBuild& b, const std::string& work_dir, unsigned files, std::string& error) {
  SampleModule& m = b.module;
  const std::string stem = work_dir + m.stem;
  struct Job {
    unsigned bit;
    std::string path;
    bool (*write)(const SampleModuleBuild&, const std::string&);
  };
  const std::vector<Job> jobs = {
      {kSampleRef, stem + ".ref", write_ref},           {kSampleProcedureCode, stem + ".xtx", write_procedure_code},
      {kSampleIndex, stem + ".ndx", write_index},
      {kSampleIndex, stem + ".smi", write_source_map},  {kSampleBlocks, stem + ".blk", write_blocks},
      {kSampleFlags, stem + ".stb", write_flags},       {kSampleProcedures, stem + ".sf1", write_procedures},
      {kSampleDataflow, stem + ".sf3", write_dataflow},
  };
  for (const Job& job : jobs) {
    if (!(files & job.bit)) continue;
    if (!job.write(b, job.path)) {
      error = "cannot write " + job.path;
      return false;
    }
    m.files.push_back(job.path);
  }
  if (files & kSampleViolations) {
    for (const char* ext : {".sif", ".pf1"}) {
      const std::string path = stem + ext;
      if (!write_violations(b, path, ext)) {
        error = "cannot write " + path;
        return false;
      }
      m.files.push_back(path);
    }
  }
  if (files & kSampleCounts) {
    struct Counts {
      std::string path;
      int last_run;
    };
    const std::vector<Counts> counts = {
        {stem + ".pol", kSampleRuns - 1}, {stem + ".pol.001", 0}, {stem + ".pol.002", 1}, {stem + ".pol.003", 2}};
    for (const Counts& c : counts) {
      if (!write_sample_counts(b, c.path, 0, c.last_run)) {
        error = "cannot write " + c.path;
        return false;
      }
      m.files.push_back(c.path);
    }
  }
  return true;
}

bool write_sample_glh(SampleModuleBuild& b, const SampleGlhInputs& in, std::string& error) {
  SampleModule& m = b.module;
  GlhWriter glh(in.glh_path);
  bool ok = glh.ok() && write_glq(glh);
  // Work files: the larger kinds in chunks, the others line by line (a
  // text of more than 4 MB always in chunks: one string per line costs the
  // HDF5 file more than the text itself).
  const std::vector<std::pair<std::string, bool>> copies = {
      {".ref", true},  {".ndx", false},     {".smi", false},     {".blk", true},      {".stb", true},
      {".pol", true},  {".pol.001", false}, {".pol.002", false}, {".pol.003", false}, {".sf1", false},
      {".sif", false}, {".pf1", true},      {".sf3", true}};
  for (const auto& copy : copies) {
    const std::string name = m.stem + copy.first;
    std::string content;
    if (!sorvi::is_regular_file(in.work_dir + name) || !read_whole_file(in.work_dir + name, content)) continue;
    const bool chunked = copy.second || content.size() > kLargeText;
    ok = ok && glh.add_work_file(m.source_path, name, text_document(content, chunked));
    m.glh_documents.push_back(name);
  }
  std::string registry;
  if (!in.registry_path.empty() && read_whole_file(in.registry_path, registry)) {
    ok = ok && glh.add_work_file("$$CFG_REPOSITORY$$", "staticid", text_document(registry, false));
  }
  if (!in.test_case_files.empty()) {
    const std::string group = "$$SEQUENCE$$" + in.sequence;
    ok = ok && glh.add_group(group, std::vector<int>{0, 9});
    for (size_t i = 0; i < in.test_case_files.size(); ++i) {
      std::string content;
      if (!read_whole_file(in.test_case_files[i], content)) continue;
      const std::string name =
          format_text("TC%d?%s?%s.pol", static_cast<int>(i + 1), m.source_path.c_str(), m.stem.c_str());
      ok = ok && glh.add_text_document(group, name, text_document(content, false));
    }
  }
  ok = glh.close() && ok;
  if (!ok) error = "cannot write " + in.glh_path;
  return ok;
}

}  // namespace sorvi_sample
