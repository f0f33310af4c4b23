#include "workfiles/coverage_counts.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>

#include "base/fatal_report.h"
#include "base/text_reader.h"
#include "workfiles/reader_memory.h"
#include "workfiles/record_line.h"
#include "workfiles/stem_files.h"
#include "workfiles/work_file_names.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

constexpr int kFlagsPerLine = 80;
constexpr int kBranchesPerLine = 8;
constexpr int kCountsPerLine = 10;
constexpr int kCountWidth = 8;
// The ".stb" lines are read into a buffer of this size (519 characters).
constexpr int kStbLineSize = 520;
// Branch records reserved before the file proves it holds more.
constexpr size_t kBranchReserveMax = 4096;

int clamp_to_int(int64_t v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

// The block walk over a block table: which block the next qualifying line
// or end line settles, and the slot of that block in the count arrays.
class BlockWalk {
 public:
  explicit BlockWalk(const std::vector<ProcedureBlocks>& procedures) : procedures_(procedures) { settle_position(); }

  bool complete() const { return procedure_ >= procedures_.size(); }

  // Offers reformatted line `line`. When it settles the current block,
  // calls settled(procedure index, block index, slot, qualified) and moves
  // to the next block.
  template <typename Settled>
  void offer(int line, bool qualifies, Settled settled) {
    if (complete()) return;
    const BlockSpan& span = procedures_[procedure_].blocks[block_];
    const bool inside = line >= span.startLine && line <= span.endLine;
    if ((qualifies && inside) || line == span.endLine) {
      settled(procedure_, block_, base_ + block_, qualifies && inside);
      ++block_;
      settle_position();
    }
  }

 private:
  // Moves past the blocks the walk does not settle: block 0 of a procedure
  // with a dummy start node, the last block of one with a dummy exit node,
  // and the end of each procedure.
  void settle_position() {
    while (procedure_ < procedures_.size()) {
      const ProcedureBlocks& p = procedures_[procedure_];
      const size_t count = p.blocks.size();
      if (block_ == 0 && p.hasDummyStart) block_ = 1;
      if (block_ < count && !(p.hasDummyExit && block_ + 1 == count)) return;
      base_ += count;
      ++procedure_;
      block_ = 0;
    }
  }

  const std::vector<ProcedureBlocks>& procedures_;
  size_t procedure_ = 0;
  size_t block_ = 0;
  size_t base_ = 0;
};

// True when the stream is at its end (nothing more to read).
bool at_end_of_file(FILE* stream) {
  const int c = std::getc(stream);
  if (c == EOF) return true;
  std::ungetc(c, stream);
  return false;
}

// Reads one ".stb" line; on failure writes the error block and returns false.
bool read_stb_line(FILE* stream, char* buffer, std::string& line) {
  int rc = 0;
  if (!at_end_of_file(stream)) {
    rc = read_line_from_file(stream, buffer, kStbLineSize, false);
    if (rc >= 0) {
      line.assign(buffer, static_cast<size_t>(rc));
      return true;
    }
  }
  channel_b(kReportOpenProblem);
  report_printf("Return code from read_line_from_file is %d\n", rc);
  report_printf("Error found reading in line from stb file");
  channel_b(kReportClose);
  return false;
}

// Reads lines of fixed-width fields, a given number to a line.
class FieldLines {
 public:
  FieldLines(FILE* stream, int per_line, int width) : stream_(stream), per_line_(per_line), width_(width) {}

  // The next field; false when the file ended before it or its line ends
  // before the field starts.
  bool next(int* value) {
    if (used_ == 0 || used_ >= per_line_) {
      // The line stays in place until the next one is read.
      if (!read_record_line(stream_, text_, &data_, &size_)) return false;
      used_ = 0;
    }
    if (static_cast<size_t>(used_) * static_cast<size_t>(width_) >= size_) return false;
    RecordLine line(data_, size_);
    line.skip(used_ * width_);
    *value = line.fixed(width_);
    ++used_;
    return true;
  }

  // The next field starts on a new line.
  void new_line() { used_ = 0; }

 private:
  FILE* stream_;
  int per_line_;
  int width_;
  int used_ = 0;
  std::string text_;
  const char* data_ = nullptr;
  size_t size_ = 0;
};

bool is_whole_file(int procedure) { return procedure < 1; }

}  // namespace

size_t count_slot_total(const std::vector<ProcedureBlocks>& procedures) {
  size_t total = 0;
  for (const ProcedureBlocks& p : procedures) total += p.blocks.size();
  return total;
}

// ---- ".stb" ------------------------------------------------------------------

bool read_block_flags(const char* stem, const char* glh_file, const char* repository_name, int procedure,
                      std::vector<ProcedureBlocks>& procedures, std::vector<BranchRecord>& branches) {
  WorkFile file = open_stem_work_file(stem, ".stb", glh_file, repository_name);
  FILE* stream = work_file_stream(file.get());
  if (!stream) return false;
  return read_block_flags(stream, procedure, procedures, branches);
}

bool read_block_flags(FILE* stream, int procedure, std::vector<ProcedureBlocks>& procedures,
                      std::vector<BranchRecord>& branches) {
  if (!stream) return false;
  const int w = line_number_width();
  char buffer[kStbLineSize];
  std::string line;
  try {
    if (!read_stb_line(stream, buffer, line)) return false;
    RecordLine header(line);
    const int flag_count = std::max(0, header.fixed(w));
    const int branch_count = std::max(0, header.fixed(w));
    header.fixed(w);
    if (header.failed()) return false;

    BlockWalk walk(procedures);
    for (int done = 0; done < flag_count;) {
      if (!read_stb_line(stream, buffer, line)) return false;
      const int on_line = std::min(kFlagsPerLine, flag_count - done);
      for (int i = 0; i < on_line; ++i) {
        const bool executable = static_cast<size_t>(i) < line.size() && line[static_cast<size_t>(i)] == 'T';
        walk.offer(done + i + 1, executable, [&](size_t p, size_t b, size_t, bool qualified) {
          procedures[p].blocks[b].instrumented = qualified;
        });
      }
      done += on_line;
    }

    // The flags were read: the branch records replace the previous ones.
    branches.clear();
    if (reader_allocation_fails()) {
      report_reader_cannot_execute();
      return false;
    }
    try {
      branches.reserve(std::min(static_cast<size_t>(branch_count) + 1, kBranchReserveMax));
    } catch (const std::bad_alloc&) {
      report_reader_cannot_execute();
      return false;
    }
    bool ok = true;
    for (int done = 0; done < branch_count;) {
      if (!read_stb_line(stream, buffer, line)) {
        ok = false;
        break;
      }
      RecordLine fields(line);
      const int on_line = std::min(kBranchesPerLine, branch_count - done);
      // A record whose place lies beyond the end of its line is not there.
      const size_t present = line.size() / (2 * static_cast<size_t>(w)) +
                             (line.size() % (2 * static_cast<size_t>(w)) != 0 ? 1 : 0);
      for (int i = 0; i < on_line && static_cast<size_t>(i) < present; ++i) {
        BranchRecord record;
        record.from = fields.fixed(w);
        record.to = fields.fixed(w);
        branches.push_back(record);
      }
      done += on_line;
    }
    branches.push_back(BranchRecord{});
    return ok && (!is_whole_file(procedure) || walk.complete());
  } catch (const std::bad_alloc&) {
    branches.clear();
    report_reader_cannot_execute();
    return false;
  }
}

// ---- ".pol" ------------------------------------------------------------------

bool read_count_file(FILE* stream, int procedure, const std::vector<ProcedureBlocks>& procedures,
                     bool read_branch_counts, std::vector<int>& slots, std::vector<int>& branch_counts) {
  slots.clear();
  branch_counts.clear();
  if (!stream) return false;
  const int w = line_number_width();
  try {
    std::string line;
    if (!read_record_line(stream, line)) return false;
    RecordLine header(line);
    const int line_count = std::max(0, header.fixed(w));
    const int branch_count = std::max(0, header.fixed(w));
    header.fixed(w);
    if (header.failed()) return false;

    slots.assign(count_slot_total(procedures), 0);
    BlockWalk walk(procedures);
    FieldLines counts(stream, kCountsPerLine, kCountWidth);
    for (int i = 0; i < line_count; ++i) {
      int count = 0;
      if (!counts.next(&count)) {
        slots.clear();
        return false;
      }
      walk.offer(i + 1, count >= 1, [&](size_t, size_t, size_t slot, bool qualified) {
        slots[slot] = qualified ? count : 0;
      });
    }
    if (read_branch_counts) {
      counts.new_line();
      for (int i = 0; i < branch_count; ++i) {
        int count = 0;
        if (!counts.next(&count)) {
          slots.clear();
          branch_counts.clear();
          return false;
        }
        branch_counts.push_back(count);
      }
    }
    if (is_whole_file(procedure) && !walk.complete()) {
      slots.clear();
      branch_counts.clear();
      return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    slots.clear();
    branch_counts.clear();
    return false;
  }
}

bool read_execution_counts(const char* stem, const char* glh_file, const char* repository_name, int procedure,
                           const std::vector<ProcedureBlocks>& procedures, const TestCaseSelection& test_case,
                           std::vector<BranchRecord>& branches, std::vector<int>& combined,
                           std::vector<int>& current) {
  combined.clear();
  current.clear();
  try {
    const std::string pol = stem_file(stem, ".pol");
    if (pol.empty()) return false;

    WorkFile file;
    bool from_test_case = false;
    if (test_case.number > 0 && !test_case.result_directory.empty() && !test_case.sequence.empty()) {
      file = open_test_case_work_file(pol.c_str(), test_case.number, test_case.result_directory.c_str(),
                                      test_case.sequence.c_str(), repository_name, glh_file);
      from_test_case = work_file_stream(file.get()) != nullptr;
    }
    if (!from_test_case) {
      file = open_work_file(pol.c_str(), glh_file, repository_name, nullptr, kOpenRepositoryFirst);
    }
    FILE* stream = work_file_stream(file.get());
    if (!stream) return false;

    const bool with_branches = !branches.empty();
    std::vector<int> branch_counts;
    if (!read_count_file(stream, procedure, procedures, with_branches, combined, branch_counts)) return false;
    close_work_file(file);

    // A branch array ends with its end record, which takes no count.
    const size_t branch_total = with_branches ? branches.size() - 1 : 0;
    for (size_t i = 0; i < branch_total; ++i) {
      branches[i].combinedCount = i < branch_counts.size() ? branch_counts[i] : 0;
      branches[i].currentCount = 0;
    }

    if (from_test_case || !work_file_exists((pol + ".002").c_str(), glh_file, repository_name)) return true;

    // The next-to-last history file: K files "<stem>.pol.001" ... in a row.
    int history_count = 0;
    char suffix[16];
    for (;;) {
      std::snprintf(suffix, sizeof suffix, ".%03d", history_count + 1);
      if (!work_file_exists((pol + suffix).c_str(), glh_file, repository_name)) break;
      ++history_count;
    }
    std::snprintf(suffix, sizeof suffix, ".%03d", history_count <= 1 ? 1 : history_count - 1);
    const std::string history_path = pol + suffix;
    WorkFile history = open_work_file(history_path.c_str(), glh_file, repository_name, nullptr, kOpenRepositoryFirst);
    std::vector<int> history_slots;
    std::vector<int> history_branches;
    if (!read_count_file(work_file_stream(history.get()), procedure, procedures, with_branches, history_slots,
                         history_branches)) {
      return true;
    }
    current.resize(combined.size());
    for (size_t i = 0; i < combined.size(); ++i) {
      current[i] = clamp_to_int(int64_t{combined[i]} - history_slots[i]);
    }
    for (size_t i = 0; i < branch_total; ++i) {
      const int64_t before = i < history_branches.size() ? history_branches[i] : 0;
      branches[i].currentCount = clamp_to_int(int64_t{branches[i].combinedCount} - before);
    }
    return true;
  } catch (const std::bad_alloc&) {
    combined.clear();
    current.clear();
    return false;
  }
}

}  // namespace sorvi
