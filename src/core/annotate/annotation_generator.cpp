#include "annotate/annotation_generator.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <thread>

#include "annotate/line_texts.h"
#include "base/dynamic_string.h"
#include "base/file_utils.h"
#include "base/text_reader.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "glh/glh_util.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards/standards_models.h"
#include "workfiles/module_registry.h"
#include "workfiles/reader_memory.h"
#include "workfiles/sf1_reader.h"
#include "workfiles/stem_files.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

// The longest code text a line keeps, the longest code-line text, and the
// part of the code a code line shows.
constexpr size_t kCodeTextMax = 519;
constexpr size_t kCodeLineMax = 519;
constexpr size_t kStatementMax = 230;
// Highlighted views leave out the reformatted file's header lines.
constexpr int kHighlightFirstLine = 7;

std::optional<bool>& colour_set_slot() {
  static std::optional<bool> pass_fail;
  return pass_fail;
}

const char* text_or_null(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

AnnotationStepObserver& step_observer() {
  static AnnotationStepObserver observer = nullptr;
  return observer;
}

void step_done(const char* step) {
  if (AnnotationStepObserver observer = step_observer()) observer(step);
}

bool& parallel_reading_slot() {
  static bool parallel = true;
  return parallel;
}

// The data-flow file of a module, set aside: found, extracted when the
// module keeps it in its GLH file, and parsed on a second thread while the
// caller reads the other work files. The second thread touches nothing but
// its own handle, stream and lists; the file's name is made here, as it
// depends on the work directory. When the HDF5 library does not serialise
// its own calls, the file is opened here and only the parse goes aside;
// without a second thread everything happens at once.
class BackgroundDataflow {
 public:
  BackgroundDataflow() = default;
  BackgroundDataflow(const BackgroundDataflow&) = delete;
  BackgroundDataflow& operator=(const BackgroundDataflow&) = delete;
  ~BackgroundDataflow() { join(); }

  void start(const std::string& stem, const char* glh, const char* key, int procedure, bool aside) {
    try {
      path_ = stem_file(stem.c_str(), ".sf3");
      glh_ = glh ? glh : "";
      key_ = key ? key : "";
    } catch (const std::bad_alloc&) {
      return;
    }
    if (path_.empty()) return;
    procedure_ = procedure;
    ur_anomalies_ = get_profile_bool("SORVI_UR_ANOMS", true, false);
    const bool open_aside = aside && glh_ready_for_a_second_thread();
    if (!open_aside) open();
    if (aside) {
      try {
        thread_ = std::thread([this, open_aside] {
          if (open_aside) {
            glh_quiet_this_thread();
            open();
          }
          parse();
        });
        return;
      } catch (...) {
        // No second thread: read here.
      }
    }
    if (open_aside) open();
    parse();
  }

  // Waits for the parse and reports, here, a memory overflow it met; true
  // when the file was read.
  bool finish() {
    join();
    file_.reset();
    if (unreported_) report_reader_memory_overflow(unreported_);
    return ok_;
  }

  DataflowLists& lists() { return lists_; }

 private:
  // Nothing leaves the second thread: a failure leaves the file unopened.
  void open() {
    try {
      file_ = open_work_file(path_.c_str(), glh_.empty() ? nullptr : glh_.c_str(),
                             key_.empty() ? nullptr : key_.c_str(), nullptr, kOpenRepositoryFirst);
    } catch (...) {
      file_.reset();
    }
  }

  void parse() {
    FILE* stream = work_file_stream(file_.get());
    if (!stream) return;
    try {
      ok_ = read_dataflow_file(stream, procedure_, ur_anomalies_, lists_, &unreported_);
    } catch (...) {
      ok_ = false;
    }
  }

  void join() {
    if (thread_.joinable()) thread_.join();
  }

  std::string path_;
  std::string glh_;
  std::string key_;
  int procedure_ = -1;
  bool ur_anomalies_ = true;
  WorkFile file_;
  DataflowLists lists_;
  bool ok_ = false;
  const char* unreported_ = nullptr;
  std::thread thread_;
};

void code_line_layout(const AnnotationContext& c, const CodeLine& l, std::string& text);

// The text of a code line into `text` (emptied first; empty when memory ran
// out), so that a walk can use one string for every line.
void code_line_into(const AnnotationContext& c, const CodeLine& l, std::string& text) {
  try {
    code_line_layout(c, l, text);
  } catch (...) {
    text.clear();
  }
}

// A plain file opened for reading; null for a path the platform would refuse.
FILE* open_plain_file(const std::string& path) {
  if (path.empty() || path.size() > kMaxPath) return nullptr;
  return std::fopen(path.c_str(), "rb");
}

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using PlainFile = std::unique_ptr<FILE, FileCloser>;

// The number field of a ".ref" line as Readfixedint reads it: each of the
// first `width` characters weighs by its place, a blank counting as 0; a
// shorter line ends the field.
int line_number_field(const std::string& line, int width) {
  // The characters read taken as one number, then shifted by the places a
  // short line left out.
  const size_t taken = std::min(static_cast<size_t>(width), line.size());
  long long value = 0;
  for (size_t i = 0; i < taken; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    value = value * 10 + (c == ' ' ? 0 : static_cast<long long>(c) - '0');
  }
  for (size_t i = taken; i < static_cast<size_t>(width); ++i) value *= 10;
  return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

// Puts the value at `out` as "%*d" writes it with the width: right-aligned
// in blanks, wider when it needs more characters. Returns the end.
char* put_number(char* out, int value, int width) {
  char digits[16];
  int n = 0;
  long long v = value;
  const bool negative = v < 0;
  if (negative) v = -v;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v > 0);
  if (negative) digits[n++] = '-';
  for (; width > n; --width) *out++ = ' ';
  while (n > 0) *out++ = digits[--n];
  return out;
}

// Every standard reported under no model, as when report.dat is missing.
void report_every_standard(int language) {
  ReportConfiguration* cfg = report_configuration(language);
  if (!cfg) return;
  cfg->model = kNoModelName;
  for (ReportEntry& entry : cfg->entries) entry.reported = 1;
  cfg->loaded = true;
}

// Loads what the switched-on annotations need and is not loaded yet.
void load_analysis_data(AnnotationContext& c) {
  const std::string stem = context_stem(c);
  const char* glh = text_or_null(c.repository);
  const char* key = text_or_null(c.repositoryKey);
  const int procedure_filter = c.procedure > 0 ? c.procedure : -1;

  // The language of the source file recorded in the ".sf1" file.
  if (c.language == 0) {
    DynamicString name;
    read_sf1_file(stem.c_str(), name, nullptr, nullptr, nullptr, true, nullptr, false);
    if (name && !name->empty()) {
      c.language = language_code_of(name->c_str(), glh);
      if (c.language != 0) load_penalty_catalogue(c.language, nullptr, false, false, nullptr);
    }
  }

  step_done("sf1");

  // The readers find the module's work files beside the walked file.
  set_work_directory(directory_part(full_path(c.workFile)).c_str());

  const bool index_wanted = c.listing || c.showStandards || c.showSrcLines;
  if (index_wanted && !c.indexLoaded && c.index) {
    // Read when the document was opened: taken as read here.
    if (c.ndxIncludes) merge_includes(c.includeList, *c.index);
    c.indexLoaded = true;
  }
  if (index_wanted && !c.indexLoaded) {
    DynamicString name;
    if (key) name = std::string(key);
    Sf1Reading reading;
    if (read_sf1_file(stem.c_str(), name, nullptr, nullptr, nullptr, true, glh, true, &reading) && reading.index) {
      if (c.index && c.index != reading.index) free_index_record(c.index);
      c.index = reading.index;
      if (c.ndxIncludes) merge_includes(c.includeList, *c.index);
      c.indexLoaded = true;
    }
  }

  step_done("index");

  if ((c.language == 6 || c.language == 13) && c.mainStart == -1) {
    DynamicString name;
    if (key) name = std::string(key);
    read_sf1_file(stem.c_str(), name, &c.mainStart, &c.mainName, nullptr, true, glh, false);
  }

  if (!c.blocksLoaded) {
    std::vector<ProcedureBlocks> procedures;
    read_block_file(stem.c_str(), glh, key, procedure_filter, procedures);
    if (c.listing && c.index) {
      fill_procedure_source_lines(procedures, c.index->module_number, c.sourcePath.c_str());
    }
    c.procedures.swap(procedures);
    c.procedureCount = static_cast<int>(c.procedures.size());
    if (!c.procedures.empty()) {
      c.blocksLoaded = true;
      if (place_main_procedure(c.procedures, c.mainName, c.mainStart)) c.mainMoved = true;
    }
  }
  if (c.procedures.empty()) {
    c.showBlocks = false;
    c.showProcNums = false;
    c.showBlockNums = false;
  }

  step_done("blocks");

  // With a second thread the data-flow file is parsed while the violations
  // and the counts are read; otherwise in turn after the violations.
  const bool dataflow_wanted = c.blocksLoaded && c.showDataflow && !c.dataflowLoaded;
  const bool dataflow_aside = parallel_reading_slot();
  BackgroundDataflow dataflow;
  auto take_dataflow = [&] {
    if (dataflow.finish()) {
      DataflowLists& lists = dataflow.lists();
      c.firstUses.swap(lists.firstUses);
      c.lastDefs.swap(lists.lastDefs);
      c.urAnomalies.swap(lists.urAnomalies);
      c.dataflowLoaded = true;
    }
    step_done("dataflow");
  };
  if (dataflow_wanted && dataflow_aside) dataflow.start(stem, glh, key, procedure_filter, true);

  if ((c.showStandards || c.listingStandards) && !c.violationsLoaded) {
    if (c.language != 0) load_penalty_catalogue(c.language, nullptr, false, false, nullptr);
    const int status =
        load_report_configuration(nullptr, c.language, text_or_null(startup_options().StandardsModel), glh);
    const ReportConfiguration* cfg = report_configuration(c.language);
    if (status != kReportLoaded || !cfg) {
      c.modelName = kNoModelName;
      report_every_standard(c.language);
    } else {
      c.modelName = cfg->model;
    }
    ViolationReadContext rc;
    rc.language = c.language;
    rc.glh_file = glh;
    rc.repository_name = key;
    rc.procedures = &c.procedures;
    bool read = false;
    if (!c.listing) {
      read = read_violations(stem.c_str(), c.lineViolations, c.procedureViolations, procedure_filter,
                             c.indexLoaded ? c.index : nullptr, nullptr, text_or_null(c.xrefSet), rc);
    } else if (c.indexLoaded) {
      read = read_violations(stem.c_str(), c.lineViolations, c.procedureViolations, procedure_filter, c.index,
                             c.sourcePath.c_str(), text_or_null(c.xrefSet), rc);
    }
    if (read) c.violationsLoaded = true;
  }

  step_done("violations");

  if (dataflow_wanted && !dataflow_aside) {
    dataflow.start(stem, glh, key, procedure_filter, false);
    take_dataflow();
  }

  if (c.blocksLoaded && c.showCoverage && !c.coverageLoaded) {
    read_block_flags(stem.c_str(), glh, key, procedure_filter, c.procedures, c.branchRecords);
    TestCaseSelection test_case;
    test_case.number = c.testCase;
    test_case.result_directory = c.seqWork;
    test_case.sequence = c.seq;
    if (read_execution_counts(stem.c_str(), glh, key, procedure_filter, c.procedures, test_case, c.branchRecords,
                              c.combinedCounts, c.currentCounts)) {
      c.coverageLoaded = true;
    }
  }
  step_done("counts");

  if (dataflow_wanted && dataflow_aside) {
    take_dataflow();
  } else {
    step_done("dataflow");
  }
}

// ---- the annotated walk ------------------------------------------------------------

class AnnotatedWalk {
 public:
  AnnotatedWalk(AnnotationContext& c, NoteOutput& out)
      : c_(c),
        out_(out),
        pm_(c.procedure > 0),
        ur_undefined_(c.urAnomalies, UrPass::kUndefined),
        ur_referenced_(c.urAnomalies, UrPass::kReferenced) {
    for (const BranchRecord& r : c_.branchRecords) {
      if (r.from == -1) break;
      ++real_branches_;
    }
  }

  void run(FILE* stream) {
    const ProcedureBlocks* first = c_.blocksLoaded && !c_.procedures.empty() ? &c_.procedures[0] : nullptr;
    skip_unenterable();

    // The dummy start node of a procedure shown from its first block.
    if (pm_ && first && first->hasDummyStart && c_.firstBlock == 1 && !first->blocks.empty()) {
      dummy_node(1, first->blocks[0].startLine, " /* Dummy Start Node */");
      out_.code(kStyleBlockRule, block_rule_text());
    }

    const int width = line_number_width();
    if (width < 1 || width > kMaxFixedIntWidth) {
      // The fixed-width reader refuses the width (and says so).
      bool end_of_file = false;
      Readfixedint(stream, width, &end_of_file);
    } else {
      const size_t head = static_cast<size_t>(width) + (pm_ ? 0 : 1);
      std::string raw;
      std::string code;
      raw.reserve(head + kCodeTextMax);
      bool terminated = false;
      while (read_bounded_line(stream, raw, head + kCodeTextMax, &terminated)) {
        // The end of the file in the number or the flag ends the walk.
        if (!terminated && raw.size() < head) break;
        const int line = line_number_field(raw, width);
        char flag = ' ';
        if (!pm_ && raw.size() > static_cast<size_t>(width)) flag = raw[static_cast<size_t>(width)];
        code.assign(raw, std::min(head, raw.size()), std::string::npos);
        if (!process_line(line, flag, code) || !terminated) break;
      }
    }

    // The dummy exit node, when the blocks shown reach the last one.
    if (pm_ && first && first->hasDummyExit && !first->blocks.empty() &&
        (c_.firstBlock == -1 || c_.firstBlock + c_.blockCount - 1 == first->blockCount)) {
      const int n = static_cast<int>(first->blocks.size());
      dummy_node(n, first->blocks[static_cast<size_t>(n) - 1].startLine, " /* Dummy Exit Node */");
      if (c_.showStandards && c_.violationsLoaded) procedure_violations(c_.procedure);
    }
    out_.code(kStyleCode, " ");
  }

 private:
  const ProcedureBlocks* record() const {
    return c_.blocksLoaded && p_ < c_.procedures.size() ? &c_.procedures[p_] : nullptr;
  }

  static const BlockSpan* span(const ProcedureBlocks* r, int index) {
    if (!r || index < 0 || static_cast<size_t>(index) >= r->blocks.size()) return nullptr;
    return &r->blocks[static_cast<size_t>(index)];
  }

  int number_of(const ProcedureBlocks* r) const { return pm_ ? c_.procedure : (r ? r->number : -1); }

  bool in_range(int block) const {
    return c_.firstBlock < 1 || (block >= c_.firstBlock && block <= c_.firstBlock + c_.blockCount - 1);
  }

  // Records that have no block to enter are passed over, their blocks
  // still counted, so the walk goes on with the next procedure.
  void skip_unenterable() {
    while (c_.blocksLoaded && p_ < c_.procedures.size()) {
      const ProcedureBlocks& r = c_.procedures[p_];
      if (r.blocks.size() >= (r.hasDummyStart ? 2u : 1u)) return;
      t_ += static_cast<int>(r.blocks.size());
      ++p_;
    }
  }

  void dummy_node(int block, int line, const char* text) {
    const std::string code = text;
    CodeLine l;
    l.inside = true;
    l.procedure = c_.procedure;
    l.block = block;
    l.line = line;
    l.source_line = 0;
    l.flag = 'F';
    l.code = &code;
    l.running_count = t_;
    std::string s = code_line_text(c_, l);
    if (!s.empty()) out_.code(kStyleCode, std::move(s));
  }

  // One line of the file; false when the walk ends after it.
  bool process_line(int line, char flag, const std::string& code) {
    if (!start_moved_ && out_.inserted() >= 1 && is_start_line(line)) {
      move_start_line(static_cast<int>(std::min<long long>(INT_MAX, static_cast<long long>(line) + out_.inserted())));
      start_moved_ = true;
    }

    // Block tracking.
    const ProcedureBlocks* r = record();
    bool block_start = false;
    bool ends_procedure = false;
    bool ends_block = false;
    bool exit_case = false;
    if (r) {
      if (!inside_) {
        if (!r->hasDummyStart) {
          const BlockSpan* s = span(r, 0);
          if (s && s->startLine == line) block_start = true;
        } else {
          const BlockSpan* s = span(r, 1);
          if (s && s->startLine == line) {
            block_start = true;
            b_ = 1;
            ++t_;
          }
        }
        if (block_start) inside_ = true;
      }
      if (inside_) {
        const int n = static_cast<int>(r->blocks.size());
        if (!pm_) {
          const BlockSpan* last = span(r, r->hasDummyExit ? n - 2 : n - 1);
          ends_procedure = last && line == last->endLine;
        } else {
          const BlockSpan* last = span(r, n - 1);
          if (last && last->endLine <= line) {
            ends_procedure = true;
            if (r->hasDummyExit) {
              exit_case = true;
              inside_ = false;
            }
          }
        }
        if (!ends_procedure) {
          const BlockSpan* s = span(r, b_);
          ends_block = s && line == s->endLine;
        }
      }
    }

    // In procedure mode only the procedure's blocks in range are shown;
    // the line that closes it through its dummy exit node is shown too.
    bool shown = true;
    if (pm_ && !exit_case) shown = inside_ && in_range(b_ + 1);

    if (shown) {
      if (inside_ && c_.coverageLoaded && real_branches_ > 0) {
        const BlockSpan* s = span(r, b_);
        if (s && line == s->startLine) branch_check(*r, b_);
      }
      if (block_start && !pm_ && c_.showBlocks) {
        out_.note(kStyleProcedureRule, procedure_rule_text());
      } else if (exit_case && c_.showBlocks) {
        closing_notes(r, true);
      }
      if (block_start && c_.showDataflow && c_.dataflowLoaded) first_uses(number_of(r), b_ + 1);

      code_line(r, line, flag, code);

      if (c_.showStandards && c_.violationsLoaded) {
        line_violations_ = emit_line_violations(out_, c_.lineViolations, line_violations_, line, false, nullptr,
                                                false, c_.language);
      }
      if (c_.dataflowLoaded && (c_.showDataflow || c_.showStandards) && !c_.urAnomalies.empty()) {
        const bool map = c_.showSrcLines && !c_.showRefLines;
        ur_undefined_cursor_ = emit_ur_anomalies(out_, c_.urAnomalies, ur_undefined_cursor_, line, UrPass::kUndefined,
                                                 map, c_.index, &ur_undefined_);
        ur_referenced_cursor_ = emit_ur_anomalies(out_, c_.urAnomalies, ur_referenced_cursor_, line,
                                                  UrPass::kReferenced, map, c_.index, &ur_referenced_);
      }

      if (ends_procedure && c_.showBlocks && !exit_case) {
        closing_notes(r, true);
        if (!pm_) out_.note(kStyleProcedureRule, procedure_rule_text());
      } else if (ends_block && c_.showBlocks) {
        closing_notes(r, false);
        out_.note(kStyleBlockRule, block_rule_text());
      }
    }

    // Advancing.
    if (ends_procedure) {
      b_ = 0;
      t_ += r->hasDummyExit ? 2 : 1;
      ++p_;
      inside_ = false;
      if (pm_) return false;
      skip_unenterable();
    } else if (ends_block) {
      ++b_;
      ++t_;
      if (c_.showDataflow && c_.dataflowLoaded) {
        const ProcedureBlocks& r0 = c_.procedures[0];
        const bool dummy_exit_next = pm_ && r0.hasDummyExit && b_ + 1 == r0.blockCount;
        if (!dummy_exit_next && in_range(b_ + 1)) first_uses(number_of(r), b_ + 1);
      }
    }
    return true;
  }

  void code_line(const ProcedureBlocks* r, int line, char flag, const std::string& code) {
    if (c_.highlight && line < kHighlightFirstLine) return;
    CodeLine l;
    l.inside = inside_;
    l.procedure = inside_ ? number_of(r) : -1;
    l.block = b_ + 1;
    l.line = line;
    if (c_.showSrcLines && line >= 1) {
      if (map_reformatted_line(c_.index, line, &l.source_line, nullptr) < 0) l.source_line = 0;
    }
    l.flag = flag;
    l.code = &code;
    l.running_count = t_;
    code_line_into(c_, l, code_text_);
    if (code_text_.empty()) return;
    out_.code(c_.highlight ? highlight_style(r, line) : kStyleCode, code_text_);
  }

  int highlight_style(const ProcedureBlocks* r, int line) const {
    const bool pass_fail = highlight_colour_set_is_pass_fail(c_.passFail);
    if (!(c_.showCoverage && c_.coverageLoaded && inside_)) return kStyleCode;
    const std::vector<int>& counts = c_.useCurrent == 1 ? c_.currentCounts : c_.combinedCounts;
    if (t_ < 0 || static_cast<size_t>(t_) >= counts.size()) return kStyleCode;
    const int n = counts[static_cast<size_t>(t_)];
    const BlockSpan* s = span(r, b_);
    const bool instrumented = s ? s->instrumented : true;
    if (n == 0) {
      if (!instrumented) return kStyleNotInstrumented;
      return pass_fail ? kStyleViolation : kStyleNotExecuted;
    }
    const bool all_taken = s ? s->allBranchesTaken : true;
    if (all_taken || !s || line != s->endLine) return pass_fail ? kStyleDataflow : kStyleViolation;
    return pass_fail ? kStylePassFailPartly : kStyleProcViolation;
  }

  // Whether every branch leaving block b's end line inside the procedure
  // was taken in the results in use.
  void branch_check(const ProcedureBlocks& r, int b) {
    BlockSpan& s = c_.procedures[p_].blocks[static_cast<size_t>(b)];
    s.allBranchesTaken = true;
    const std::vector<BranchRecord>& branches = c_.branchRecords;
    while (branch_ + 1 < real_branches_ && branches[branch_].from < s.endLine) ++branch_;
    const int first_start = r.blocks.front().startLine;
    for (size_t i = branch_; i < real_branches_ && branches[i].from == s.endLine; ++i) {
      const BranchRecord& br = branches[i];
      if (br.to > first_start && br.to <= r.lastLine) {
        const int count = c_.useCurrent == 1 ? br.currentCount : br.combinedCount;
        if (count < 1) s.allBranchesTaken = false;
      }
    }
  }

  // The notes that close block b+1, and with `procedure_end` the
  // procedure-level violations.
  void closing_notes(const ProcedureBlocks* r, bool procedure_end) {
    const int block = b_ + 1;
    if (c_.showDataflow && c_.dataflowLoaded) last_definitions(number_of(r), block);
    if (c_.showCoverage && c_.coverageLoaded && !c_.highlight) {
      const BlockSpan* s = span(r, b_);
      emit_coverage_notes(out_, block, t_, s ? s->instrumented : true, c_.currentCounts, c_.combinedCounts);
    }
    if (procedure_end && c_.showStandards && c_.violationsLoaded) procedure_violations(number_of(r));
  }

  // With the main procedure moved, procedure-level violations are found
  // from the head of their list, and the data-flow notes of procedure 1.
  void procedure_violations(int procedure) {
    const violation_list& list = c_.procedureViolations;
    if (c_.mainMoved) {
      emit_procedure_violations(out_, list, procedure_violations_start(list, procedure), procedure, false, false,
                                c_.language);
    } else {
      procedure_cursor_ = emit_procedure_violations(out_, list, procedure_cursor_, procedure, false, false,
                                                    c_.language);
    }
  }

  void first_uses(int procedure, int block) {
    dataflow_notes(c_.firstUses, first_use_cursor_, DataflowNotes::kFirstUses, procedure, block);
  }

  void last_definitions(int procedure, int block) {
    dataflow_notes(c_.lastDefs, last_definition_cursor_, DataflowNotes::kLastDefinitions, procedure, block);
  }

  void dataflow_notes(const dataflow_list& list, size_t& cursor, DataflowNotes kind, int procedure, int block) {
    if (c_.mainMoved && procedure == 1) {
      emit_dataflow_notes(out_, list, dataflow_notes_start(list, procedure, block), kind, procedure, block);
    } else {
      cursor = emit_dataflow_notes(out_, list, cursor, kind, procedure, block);
    }
  }

  AnnotationContext& c_;
  NoteOutput& out_;
  const bool pm_;
  size_t p_ = 0;
  int b_ = 0;
  int t_ = 0;
  bool inside_ = false;
  bool start_moved_ = false;
  size_t line_violations_ = 0;
  size_t procedure_cursor_ = 0;
  size_t first_use_cursor_ = 0;
  size_t last_definition_cursor_ = 0;
  size_t ur_undefined_cursor_ = 0;
  size_t ur_referenced_cursor_ = 0;
  const UrLineIndex ur_undefined_;
  const UrLineIndex ur_referenced_;
  size_t branch_ = 0;
  size_t real_branches_ = 0;
  std::string code_text_;  // the code line being made, its room kept for the next
};

bool annotated_walk(AnnotationContext& c, AnnotatedLineList& lines) {
  WorkFile file =
      open_work_file(c.workFile.c_str(), text_or_null(c.repository), text_or_null(c.repositoryKey), nullptr,
                     kOpenPlainFirst);
  FILE* stream = work_file_stream(file.get());
  if (!stream) return false;
  NoteOutput out(lines);
  AnnotatedWalk walk(c, out);
  walk.run(stream);
  return true;
}

// ---- the source listing --------------------------------------------------------------

bool listing_walk(AnnotationContext& c, AnnotatedLineList& lines) {
  PlainFile source(open_plain_file(c.sourcePath));
  if (!source) return false;
  NoteOutput out(lines);

  const bool violations = c.showStandards && c.violationsLoaded;
  WorkFile ref_file;
  RefQuote ref;
  if (violations) {
    const std::string ref_path = context_stem(c) + ".ref";
    ref_file = open_work_file(ref_path.c_str(), text_or_null(c.repository), text_or_null(c.repositoryKey), nullptr,
                              kOpenPlainFirst);
    ref.stream = work_file_stream(ref_file.get());
  }

  // The procedures that end in the listed file, by their last source line
  // (the first in record order for each line).
  std::vector<std::pair<int, size_t>> ends;
  if (violations && c.blocksLoaded) {
    for (size_t i = 0; i < c.procedures.size(); ++i) {
      if (c.procedures[i].endsInSourceFile) ends.emplace_back(c.procedures[i].lastSourceLine, i);
    }
    std::stable_sort(ends.begin(), ends.end(),
                     [](const std::pair<int, size_t>& a, const std::pair<int, size_t>& b) { return a.first < b.first; });
  }

  size_t line_cursor = 0;
  size_t procedure_cursor = 0;
  size_t ends_cursor = 0;
  bool start_moved = false;
  std::string text;
  for (int n = 1; read_any_line(source.get(), text); n = n < INT_MAX ? n + 1 : n) {
    if (!start_moved && out.inserted() >= 1 && is_start_line(n)) {
      move_start_line(static_cast<int>(std::min<long long>(INT_MAX, static_cast<long long>(n) + out.inserted())));
      start_moved = true;
    }
    if (!c.showCode) {
      out.code(kStyleCode, "\n");
    } else if (c.showSrcLines) {
      CodeLine l;
      l.line = 1;
      l.source_line = n;
      l.code = &text;
      std::string s = code_line_text(c, l);
      if (!s.empty()) out.code(kStyleCode, std::move(s));
    } else {
      out.code(kStyleCode, text);
    }
    if (!violations) continue;
    line_cursor = emit_line_violations(out, c.lineViolations, line_cursor, n, true, &ref, true, c.language);
    while (ends_cursor < ends.size() && ends[ends_cursor].first < n) ++ends_cursor;
    if (ends_cursor < ends.size() && ends[ends_cursor].first == n) {
      const int number = c.procedures[ends[ends_cursor].second].number;
      const violation_list& list = c.procedureViolations;
      if (c.mainMoved) {
        emit_procedure_violations(out, list, procedure_violations_start(list, number), number, true, true, c.language);
      } else {
        procedure_cursor = emit_procedure_violations(out, list, procedure_cursor, number, true, true, c.language);
      }
      while (ends_cursor < ends.size() && ends[ends_cursor].first == n) ++ends_cursor;
    }
  }
  out.code(kStyleCode, " ");
  return true;
}

// ---- the plain text ------------------------------------------------------------------

bool plain_text(AnnotationContext& c, AnnotatedLineList& lines) {
  WorkFile work;
  PlainFile source;
  FILE* stream = nullptr;
  if (c.listing) {
    source.reset(open_plain_file(c.sourcePath));
    stream = source.get();
  } else {
    work = open_work_file(c.workFile.c_str(), text_or_null(c.repository), text_or_null(c.repositoryKey), nullptr,
                          kOpenPlainFirst);
    stream = work_file_stream(work.get());
  }
  if (!stream) return false;
  std::string text;
  bool terminated = false;
  while (read_bounded_line(stream, text, kCodeTextMax, &terminated)) lines.add(kStyleCode, text);
  return true;
}

}  // namespace

std::string code_line_text(const AnnotationContext& c, const CodeLine& l) {
  std::string text;
  code_line_into(c, l, text);
  return text;
}

namespace {

void code_line_layout(const AnnotationContext& c, const CodeLine& l, std::string& text) {
  text.clear();
  if (l.line < 1) return;
  const size_t code_size = l.code ? std::min(l.code->size(), kStatementMax) : 0;
  // The columns take at most 11 + 11 + 11 + 11 + 11 + 3 + 1 characters.
  char columns[64];
  char* p = columns;
  if (c.showRefLines) p = put_number(p, l.line, 6);
  if (c.showSrcLines) {
    if (l.source_line == 0) {
      std::memcpy(p, "    --", 6);
      p += 6;
    } else {
      p = put_number(p, l.source_line, 6);
    }
  }
  if (c.showProcNums) {
    if (l.inside) {
      p = put_number(p, l.procedure, 5);
    } else {
      std::memcpy(p, "     ", 5);
      p += 5;
    }
  }
  if (c.showTotalBlockNums) {
    if (l.inside) {
      p = put_number(p, l.running_count, 5);
    } else {
      std::memcpy(p, "      ", 6);
      p += 6;
    }
  }
  if (c.showBlockNums) {
    if (l.inside) {
      p = put_number(p, l.block, 6);
    } else {
      std::memcpy(p, "      ", 6);
      p += 6;
    }
  }
  if (c.showExeFlag) {
    *p++ = ' ';
    *p++ = l.flag;
    *p++ = ' ';
  }
  if (c.showCode) *p++ = ' ';
  const size_t column_size = static_cast<size_t>(p - columns);
  const size_t shown_code = c.showCode ? code_size : 0;
  text.reserve(std::min(column_size + shown_code, kCodeLineMax));
  text.append(columns, column_size);
  if (shown_code > 0) text.append(*l.code, 0, shown_code);
  if (text.size() > kCodeLineMax) text.resize(kCodeLineMax);
}

}  // namespace

bool place_main_procedure(std::vector<ProcedureBlocks>& procedures, const std::string& main_name, int main_start) {
  if (procedures.empty()) return false;
  if (procedures[0].name != (main_name.empty() ? "main" : main_name.c_str())) return false;

  const ProcedureBlocks& main = procedures[0];
  const int main_end = main.blocks.empty() ? -1 : main.blocks.back().endLine;
  size_t target = procedures.size() - 1;
  for (size_t i = 1; i < procedures.size(); ++i) {
    if (!procedures[i].blocks.empty() && procedures[i].blocks.front().startLine > main_end) {
      target = i - 1;
      break;
    }
  }
  auto first_real_block = [](ProcedureBlocks& p) -> BlockSpan* {
    const size_t i = p.hasDummyStart ? 1 : 0;
    return i < p.blocks.size() ? &p.blocks[i] : nullptr;
  };
  if (target > 0) {
    if (main_start == -1) {
      const ProcedureBlocks& before = procedures[target];
      BlockSpan* start = first_real_block(procedures[0]);
      if (start && !before.blocks.empty()) start->startLine = before.blocks.back().endLine + 1;
    }
    std::rotate(procedures.begin(), procedures.begin() + 1, procedures.begin() + static_cast<long>(target) + 1);
  }
  if (main_start != -1) {
    BlockSpan* start = first_real_block(procedures[target]);
    if (start) start->startLine = main_start;
  }
  return target > 0 || main_start != -1;
}

bool highlight_colour_set_is_pass_fail(bool pass_fail) {
  std::optional<bool>& slot = colour_set_slot();
  if (!slot) slot = pass_fail;
  return *slot;
}

void set_annotation_step_observer(AnnotationStepObserver observer) { step_observer() = observer; }

void set_parallel_reading(bool parallel) { parallel_reading_slot() = parallel; }
bool parallel_reading() { return parallel_reading_slot(); }

void reset_annotation_state() {
  colour_set_slot().reset();
  reset_line_text_state();
}

bool GenerateAnnotatedLines(AnnotationContext* context, AnnotatedLineList& lines) {
  if (!context) return false;
  bool made = false;
  try {
    AnnotationContext& c = *context;
    if (c.annotated) load_analysis_data(c);
    if (c.listing && c.annotated) {
      made = listing_walk(c, lines);
    } else if (c.annotated) {
      made = annotated_walk(c, lines);
    } else {
      made = plain_text(c, lines);
    }
  } catch (...) {
    made = false;
  }
  try {
    lines.close();
  } catch (...) {
    made = false;
  }
  return made;
}

void LoadAnnotationData(AnnotationContext* context) {
  if (!context || !context->annotated) return;
  try {
    load_analysis_data(*context);
  } catch (...) {
    // The generation tries again and fails as it would have.
  }
}

std::unique_ptr<AnnotatedLineList> GenerateAnnotatedLines(AnnotationContext* context) {
  std::unique_ptr<AnnotatedLineList> lines(new (std::nothrow) AnnotatedLineList());
  if (!lines || !GenerateAnnotatedLines(context, *lines)) return nullptr;
  return lines;
}

}  // namespace sorvi
