#include "export/module_export.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "annotate/annotation_generator.h"
#include "annotate/line_texts.h"
#include "annotate/ref_document.h"
#include "base/file_utils.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "export/export_text.h"
#include "export/html_writer.h"
#include "help/help_links.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards/standards_models.h"
#include "standards/violation_rows.h"
#include "workfiles/block_file.h"
#include "workfiles/index_file.h"
#include "workfiles/module_registry.h"
#include "workfiles/work_file_names.h"
#include "workfiles/work_file_opener.h"

namespace sorvi_export {

using sorvi::AnnotationContext;
using sorvi::ProcedureBlocks;
using sorvi::Violation;

namespace {

// Every annotation on, as "-Flags=2047" asks.
constexpr int kAllAnnotations = 2047;

// The first and last real blocks of a procedure (dummy nodes left out).
int first_real_block(const ProcedureBlocks& p) { return p.hasDummyStart ? 1 : 0; }
int end_real_block(const ProcedureBlocks& p) { return p.blockCount - (p.hasDummyExit ? 1 : 0); }

// The flag character of every reformatted line of the ".ref" file
// (index i: line i + 1), read as the annotated walk reads it.
bool read_ref_flags(const AnnotationContext& c, std::string& flags) {
  sorvi::WorkFile ref = sorvi::open_work_file(c.workFile.c_str(), c.repository.c_str(), c.repositoryKey.c_str(),
                                              nullptr, sorvi::kOpenPlainFirst);
  FILE* in = sorvi::work_file_stream(ref.get());
  if (!in) return false;
  const int width = sorvi::line_number_width();
  std::string line;
  bool terminated = false;
  while (sorvi::read_bounded_line(in, line, static_cast<size_t>(width) + 1, &terminated)) {
    const int number = std::atoi(line.substr(0, static_cast<size_t>(width)).c_str());
    if (number < 1 || number > (1 << 28)) continue;
    if (flags.size() < static_cast<size_t>(number)) flags.resize(static_cast<size_t>(number), ' ');
    flags[static_cast<size_t>(number) - 1] = line.size() > static_cast<size_t>(width) ? line[width] : ' ';
  }
  return true;
}

struct Place {
  std::string file;
  int line = 0;  // 0: the file as a whole
};

Place place_of(const AnnotationContext& c, int reformatted_line) {
  Place p;
  if (reformatted_line < 1 || sorvi::map_reformatted_line(c.index, reformatted_line, &p.line, &p.file) < 0) {
    p.file = c.repositoryKey;
    p.line = 0;
  }
  if (p.file.empty()) p.file = c.repositoryKey;
  return p;
}

// The procedures of a block table by number.
using ProcedureIndex = std::unordered_map<int, const ProcedureBlocks*>;
ProcedureIndex procedures_by_number(const AnnotationContext& c) {
  ProcedureIndex index;
  for (const ProcedureBlocks& p : c.procedures) index.emplace(p.number, &p);
  return index;
}

std::string location_json(const Place& p, const std::string& message) {
  std::string j = "\"physicalLocation\":{\"artifactLocation\":{\"uri\":" + json_string(file_uri(p.file)) + "}";
  if (p.line > 0) j += ",\"region\":{\"startLine\":" + std::to_string(p.line) + "}";
  j += "}";
  if (!message.empty()) j += ",\"message\":{\"text\":" + json_string(message) + "}";
  return j;
}

// The standards model a reference of the catalogue cites ("MISRA-C2 13.1"
// cites MISRA-C:2004 with the reference "13.1").
bool split_reference(const std::string& reference, std::string& model, std::string& id) {
  const size_t blank = reference.find(' ');
  if (blank == std::string::npos) return false;
  const std::string token = reference.substr(0, blank);
  id = reference.substr(reference.find_first_not_of(' ', blank));
  model = token;
  for (int row = 0; row < sorvi::kStandardsModelCount; ++row) {
    if (sorvi::model_reference_token(row) == token) {
      model = sorvi::standards_models()[static_cast<size_t>(row)].name;
      break;
    }
  }
  return !id.empty();
}

// The category letter a violation is reported under.
char category_letter_of(int language, int entry) {
  const sorvi::ReportEntry* r = sorvi::report_entry(language, entry);
  char letter = r ? r->category_letter : ' ';
  if (letter == ' ' && r) letter = r->default_category_letter;
  char resolved = 'M';
  sorvi::category_from_letter(letter, &resolved);
  return letter == ' ' ? 'M' : resolved;
}

void add_rule(const AnnotationContext& c, const Violation& v, int entry, char category, const std::string& id,
              ModuleExport& out) {
  if (out.rules.count(id)) return;
  const int language = c.language;
  const sorvi::PenaltyEntry* pe = entry >= 0 && entry < 1000 ? sorvi::penalty_entry(language, entry) : nullptr;
  const std::string text = pe && !pe->text.empty() ? pe->text : "Unknown Penalty";
  const std::string help = file_uri(sorvi::suite_file_path(sorvi::standards_help_page().c_str())) + "#standard_" +
                           static_cast<char>(std::tolower(static_cast<unsigned char>(v.letter))) +
                           std::to_string(v.standard_number);
  const std::string category_name = sorvi::category_title(language, sorvi::category_from_letter(category));
  std::string rule = "{\"id\":" + json_string(id) + ",\"name\":" +
                     json_string(std::string("Standard") + std::to_string(v.standard_number) + v.letter) +
                     ",\"shortDescription\":{\"text\":" + json_string(text) + "}";
  if (pe && !pe->standards_text.empty()) rule += ",\"fullDescription\":{\"text\":" + json_string(text + " (" + pe->standards_text + ")") + "}";
  rule += ",\"helpUri\":" + json_string(help) + ",\"defaultConfiguration\":{\"level\":\"" + sarif_level(category) +
          "\"},\"properties\":{\"analysis\":" + json_string(sorvi::violation_analysis_name(v.letter)) +
          ",\"category\":" + json_string(category_name) + "}";
  const sorvi::charlist* refs = pe ? sorvi::penalty_references(language, entry) : nullptr;
  std::string relations;
  if (refs) {
    for (const std::string& ref : *refs) {
      std::string model, taxon;
      if (!split_reference(ref, model, taxon)) continue;
      out.taxa.insert({model, taxon});
      if (!relations.empty()) relations += ",";
      relations += "{\"target\":{\"id\":" + json_string(taxon) + ",\"toolComponent\":{\"name\":" + json_string(model) +
                   "}},\"kinds\":[\"relevant\"]}";
    }
  }
  if (!relations.empty()) rule += ",\"relationships\":[" + relations + "]";
  out.rules[id] = rule + "}";
}

void add_violation(const AnnotationContext& c, const ProcedureIndex& procedures, const Violation& v, bool procedure_level,
                   bool sarif, ModuleExport& out) {
  if (v.has_follow_up || v.excluded_mark == -1) return;
  const int language = c.language;
  const int entry = sorvi::find_penalty_entry(v.letter, v.standard_number, language);
  const char category = category_letter_of(language, entry);
  ++out.summary.violations[sorvi::category_from_letter(category) - 1];
  if (!sarif) return;
  const std::string id = std::to_string(v.standard_number) + v.letter;
  add_rule(c, v, entry, category, id, out);

  const auto found = v.procedure_number > 0 ? procedures.find(v.procedure_number) : procedures.end();
  const ProcedureBlocks* proc = found != procedures.end() ? found->second : nullptr;
  Place at;
  if (procedure_level && proc && first_real_block(*proc) < proc->blockCount) {
    at = place_of(c, proc->blocks[static_cast<size_t>(first_real_block(*proc))].startLine);
  } else {
    at = place_of(c, v.line > 5 ? v.line : 0);
  }
  std::string r = "{\"ruleId\":" + json_string(id) + ",\"level\":\"" + sarif_level(category) +
                  "\",\"message\":{\"text\":" + json_string(sorvi::violation_text(v, language, nullptr, false)) +
                  "},\"locations\":[{" + location_json(at, std::string());
  if (proc) r += ",\"logicalLocations\":[{\"name\":" + json_string(proc->name) + ",\"kind\":\"function\"}]";
  r += "}]";
  if (!v.related.empty()) {
    // The place the cross-reference line names, found as that line finds it.
    const sorvi::RelatedLocation& rel = v.related.front();
    int module = rel.place_module != 0 ? rel.place_module : rel.module_number;
    int line = rel.place_line;
    if (module == v.module_number && line == v.line) {
      module = rel.module_number;
      line = rel.first_line;
    }
    const std::string text = sorvi::cross_reference_text(v, false, false);
    r += ",\"relatedLocations\":[{\"id\":1,";
    if (line > 0 && module == c.index->module_number) {
      r += location_json(place_of(c, line), text.substr(text.find_first_not_of(' ')));
    } else {
      r += "\"message\":{\"text\":" + json_string(text.substr(text.find_first_not_of(' '))) + "}";
    }
    r += "}]";
  }
  out.results.push_back(r + "}");
}

std::string module_stem_name(const std::string& stem_path) { return sorvi::split_path(stem_path).base_name; }

}  // namespace

const char* sarif_level(char category_letter) {
  switch (category_letter) {
    case 'M': return "error";
    case 'C':
    case 'I': return "note";
    default: return "warning";
  }
}

CoverageMap coverage_of(const AnnotationContext& c, const std::string& ref_flags) {
  CoverageMap map;
  const std::vector<int>& counts = c.combinedCounts;
  // The count slot of every reformatted line inside a real block.
  std::vector<int> slot_of(ref_flags.size() + 1, -1);
  int base = 0;
  for (const ProcedureBlocks& p : c.procedures) {
    for (int b = first_real_block(p); b < end_real_block(p); ++b) {
      const sorvi::BlockSpan& s = p.blocks[static_cast<size_t>(b)];
      for (int l = std::max(1, s.startLine); l <= s.endLine && l < static_cast<int>(slot_of.size()); ++l) {
        slot_of[static_cast<size_t>(l)] = base + b;
      }
    }
    base += p.blockCount;
  }
  auto count_at = [&](int slot) -> long long {
    if (slot < 0 || static_cast<size_t>(slot) >= counts.size()) return 0;
    return std::llabs(counts[static_cast<size_t>(slot)]);
  };
  auto slot_at = [&](int line) { return line >= 1 && line < static_cast<int>(slot_of.size()) ? slot_of[static_cast<size_t>(line)] : -1; };

  for (size_t i = 0; i < ref_flags.size(); ++i) {
    if (ref_flags[i] != 'T') continue;
    const Place p = place_of(c, static_cast<int>(i) + 1);
    if (p.line < 1) continue;
    // Reformatting may split one original line: it ran as often as its
    // most executed part.
    long long& n = map[p.file].lines[p.line];
    n = std::max(n, count_at(slot_at(static_cast<int>(i) + 1)));
  }
  for (const sorvi::BranchRecord& r : c.branchRecords) {
    if (r.from == -1) break;
    const Place p = place_of(c, r.from);
    if (p.line < 1) continue;
    const int slot = slot_at(r.from);
    const bool ran = slot < 0 || count_at(slot) > 0;
    map[p.file].branches.push_back({p.line, ran ? std::llabs(r.combinedCount) : -1});
  }
  base = 0;
  for (const ProcedureBlocks& p : c.procedures) {
    const int b = first_real_block(p);
    if (b < end_real_block(p)) {
      const Place at = place_of(c, p.blocks[static_cast<size_t>(b)].startLine);
      if (at.line > 0) map[at.file].functions.push_back({p.name, at.line, count_at(base + b)});
    }
    base += p.blockCount;
  }
  return map;
}

void merge_coverage(CoverageMap& into, const CoverageMap& from) {
  for (const auto& f : from) {
    FileCoverage& t = into[f.first];
    for (const auto& l : f.second.lines) t.lines[l.first] += l.second;
    // The same file seen from two modules (a shared header): the n-th
    // branch of a line is the same branch in both.
    std::map<std::pair<int, int>, size_t> known;
    std::map<int, int> ordinal;
    for (size_t i = 0; i < t.branches.size(); ++i) known[{t.branches[i].line, ordinal[t.branches[i].line]++}] = i;
    ordinal.clear();
    for (const BranchCoverage& b : f.second.branches) {
      const auto at = known.find({b.line, ordinal[b.line]++});
      if (at == known.end()) {
        t.branches.push_back(b);
        continue;
      }
      long long& taken = t.branches[at->second].taken;
      taken = taken < 0 ? b.taken : taken + std::max(0LL, b.taken);
    }
    for (const FunctionCoverage& fn : f.second.functions) {
      bool found = false;
      for (FunctionCoverage& g : t.functions) {
        if (g.name == fn.name && g.line == fn.line) {
          g.count += fn.count;
          found = true;
        }
      }
      if (!found) t.functions.push_back(fn);
    }
  }
}

CoverageTotals totals_of(const FileCoverage& f) {
  CoverageTotals t;
  t.lines = static_cast<long long>(f.lines.size());
  for (const auto& l : f.lines) t.lines_hit += l.second > 0;
  t.branches = static_cast<long long>(f.branches.size());
  for (const BranchCoverage& b : f.branches) t.branches_hit += b.taken > 0;
  t.functions = static_cast<long long>(f.functions.size());
  for (const FunctionCoverage& fn : f.functions) t.functions_hit += fn.count > 0;
  return t;
}

CoverageTotals totals_of(const CoverageMap& coverage) {
  CoverageTotals t;
  for (const auto& f : coverage) {
    const CoverageTotals x = totals_of(f.second);
    t.lines += x.lines;
    t.lines_hit += x.lines_hit;
    t.branches += x.branches;
    t.branches_hit += x.branches_hit;
    t.functions += x.functions;
    t.functions_hit += x.functions_hit;
  }
  return t;
}

std::string export_module(const ExportOptions& o, const std::string& stem_path, const std::string& html_root,
                          ModuleExport& out) {
  const std::string stem = module_stem_name(stem_path);
  sorvi::StartupOptions& so = sorvi::startup_options();
  so.Language = o.language;
  so.StandardsModel = o.standards_model;
  so.TC = o.test_case > 0 ? o.test_case : -1;
  so.Seq = o.sequence;
  so.Seqwrk = o.result_directory.empty() ? sorvi::directory_part(stem_path) : o.result_directory;
  // Only what the format shows is read: SARIF needs no counts, the
  // coverage formats no violations, neither the data flow.
  const int source_lines = sorvi::kFlagLineNums | sorvi::kFlagSourceLines | sorvi::kFlagCode;
  so.Flags = o.format == ExportFormat::kHtml    ? kAllAnnotations
             : o.format == ExportFormat::kSarif ? source_lines | sorvi::kFlagBlocks | sorvi::kFlagStandards
                                                : source_lines | sorvi::kFlagBlocks | sorvi::kFlagCoverage;
  so.VMODE = false;
  // The index the document reads becomes the context's, instead of being
  // read a second time by the generator.
  so.NDXIncludes = true;

  const std::string ref_path = stem_path + ".ref";
  std::unique_ptr<sorvi::RefDocument> doc = sorvi::build_ref_document(ref_path, false, false);
  if (!doc || !doc->context) return "cannot read " + stem + ".sf1";
  AnnotationContext* c = doc->context;
  sorvi::LoadAnnotationData(c);
  if (!c->indexLoaded || !c->index) return "cannot read the index " + stem + ".ndx";
  if (!c->blocksLoaded) return "cannot read the block file " + stem + ".blk";
  const bool coverage = o.format != ExportFormat::kSarif;
  const bool violations = o.format == ExportFormat::kSarif || o.format == ExportFormat::kHtml;
  // The generator reads the block flags without asking whether they were
  // there; without them every block would pass for instrumented.
  const bool flags_present =
      sorvi::work_file_exists((stem_path + ".stb").c_str(), c->repository.c_str(), c->repositoryKey.c_str());
  if (coverage && (!c->coverageLoaded || !flags_present)) return "cannot read the coverage (" + stem + ".stb, " + stem + ".pol)";
  if (coverage && o.test_case > 0) {
    // Without the test case's own results the reader falls back to the
    // combined counts; those must not pass for the test case's.
    sorvi::WorkFile tc = sorvi::open_test_case_work_file((stem_path + ".pol").c_str(), o.test_case,
                                                         so.Seqwrk.c_str(), o.sequence.c_str(),
                                                         c->repositoryKey.c_str(), c->repository.c_str());
    if (!sorvi::work_file_is_open(tc.get())) {
      return "no results of test case " + std::to_string(o.test_case) + " for " + stem;
    }
  }
  if (violations && !c->violationsLoaded) return "cannot read the violations (" + stem + ".sif)";

  std::string flags;
  if (coverage && !read_ref_flags(*c, flags)) return "cannot read " + stem + ".ref";

  ModuleSummary& s = out.summary;
  s.module_number = c->index->module_number;
  s.stem = stem;
  s.source = c->repositoryKey;
  s.ref_lines = static_cast<long long>(flags.size());
  if (coverage) {
    out.coverage = coverage_of(*c, flags);
    const CoverageTotals t = totals_of(out.coverage);
    s.executable_lines = t.lines;
    s.executed_lines = t.lines_hit;
    s.branches = t.branches;
    s.branches_taken = t.branches_hit;
    // The HTML index shows only the totals.
    if (o.format == ExportFormat::kHtml) out.coverage.clear();
  }
  if (violations) {
    const bool sarif = o.format == ExportFormat::kSarif;
    const ProcedureIndex procedures = procedures_by_number(*c);
    for (const Violation& v : c->lineViolations) add_violation(*c, procedures, v, false, sarif, out);
    for (const Violation& v : c->procedureViolations) add_violation(*c, procedures, v, true, sarif, out);
  }
  if (o.format == ExportFormat::kHtml) {
    std::string error;
    if (!write_module_pages(*c, s, html_root, error)) return error;
  }
  return std::string();
}

// ---- the part file ------------------------------------------------------------------
//
// One record per line, fields separated by tabs (no field holds a tab or a
// line end: paths and names come from fixed-width work files, JSON is
// escaped):
//   S  module number, stem, source, ref lines, executable, executed,
//      branches, taken, violations by category (4), page
//   F  path                      the file the next records belong to
//   L  line, count
//   B  line, taken
//   N  line, count, name
//   R  id, rule JSON
//   X  model, reference
//   V  result JSON

namespace {

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t at = 0;
  while (true) {
    const size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
    if (tab == std::string::npos) break;
    at = tab + 1;
  }
  return fields;
}

std::string no_tabs(std::string s) {
  for (char& ch : s) {
    if (ch == '\t' || ch == '\n' || ch == '\r') ch = ' ';
  }
  return s;
}

}  // namespace

bool write_module_part(std::FILE* out, const ModuleExport& m) {
  const ModuleSummary& s = m.summary;
  std::fprintf(out, "S\t%d\t%s\t%s\t%lld\t%lld\t%lld\t%lld\t%lld", s.module_number, no_tabs(s.stem).c_str(),
               no_tabs(s.source).c_str(), s.ref_lines, s.executable_lines, s.executed_lines, s.branches,
               s.branches_taken);
  for (long long v : s.violations) std::fprintf(out, "\t%lld", v);
  std::fprintf(out, "\t%s\n", no_tabs(s.page).c_str());
  for (const auto& f : m.coverage) {
    std::fprintf(out, "F\t%s\n", no_tabs(f.first).c_str());
    for (const auto& l : f.second.lines) std::fprintf(out, "L\t%d\t%lld\n", l.first, l.second);
    for (const BranchCoverage& b : f.second.branches) std::fprintf(out, "B\t%d\t%lld\n", b.line, b.taken);
    for (const FunctionCoverage& fn : f.second.functions)
      std::fprintf(out, "N\t%d\t%lld\t%s\n", fn.line, fn.count, no_tabs(fn.name).c_str());
  }
  for (const auto& r : m.rules) std::fprintf(out, "R\t%s\t%s\n", r.first.c_str(), r.second.c_str());
  for (const auto& t : m.taxa) std::fprintf(out, "X\t%s\t%s\n", no_tabs(t.first).c_str(), no_tabs(t.second).c_str());
  for (const std::string& r : m.results) std::fprintf(out, "V\t%s\n", r.c_str());
  return std::fflush(out) == 0 && !std::ferror(out);
}

bool read_module_part(std::FILE* in, ModuleExport& m, bool keep_results) {
  FileCoverage* file = nullptr;
  bool summary = false;
  char* buffer = nullptr;
  size_t capacity = 0;
  ssize_t n;
  std::unique_ptr<char, decltype(&std::free)> owner(nullptr, &std::free);
  while ((n = getline(&buffer, &capacity, in)) >= 0) {
    owner.release();
    owner.reset(buffer);
    if (n > 0 && buffer[n - 1] == '\n') --n;
    if (n == 0) continue;
    if (!keep_results && buffer[0] == 'V' && n > 1 && buffer[1] == '\t') continue;
    const std::vector<std::string> f = split_tabs(std::string(buffer, static_cast<size_t>(n)));
    const std::string& tag = f[0];
    auto num = [&](size_t i) { return i < f.size() ? std::atoll(f[i].c_str()) : 0LL; };
    if (tag == "S" && f.size() >= 14) {
      ModuleSummary& s = m.summary;
      s.module_number = static_cast<int>(num(1));
      s.stem = f[2];
      s.source = f[3];
      s.ref_lines = num(4);
      s.executable_lines = num(5);
      s.executed_lines = num(6);
      s.branches = num(7);
      s.branches_taken = num(8);
      for (int k = 0; k < kCategoryCount; ++k) s.violations[k] = num(9 + static_cast<size_t>(k));
      s.page = f[13];
      summary = true;
    } else if (tag == "F" && f.size() >= 2) {
      file = &m.coverage[f[1]];
    } else if (tag == "L" && file && f.size() >= 3) {
      file->lines[static_cast<int>(num(1))] = num(2);
    } else if (tag == "B" && file && f.size() >= 3) {
      file->branches.push_back({static_cast<int>(num(1)), num(2)});
    } else if (tag == "N" && file && f.size() >= 4) {
      file->functions.push_back({f[3], static_cast<int>(num(1)), num(2)});
    } else if (tag == "R" && f.size() >= 3) {
      m.rules[f[1]] = f[2];
    } else if (tag == "X" && f.size() >= 3) {
      m.taxa.insert({f[1], f[2]});
    } else if (tag == "V" && f.size() >= 2) {
      m.results.push_back(f[1]);
    } else {
      return false;
    }
  }
  return summary && !std::ferror(in);
}

}  // namespace sorvi_export
