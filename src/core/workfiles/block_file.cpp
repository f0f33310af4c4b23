#include "workfiles/block_file.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <strings.h>

#include "base/text_reader.h"
#include "workfiles/index_file.h"
#include "workfiles/reader_memory.h"
#include "workfiles/record_line.h"
#include "workfiles/stem_files.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

constexpr int kDefaultLineNumberWidth = 6;

int& width_slot() {
  static int width = kDefaultLineNumberWidth;
  return width;
}

// The number of 16-entry lines that hold `highest` entries (none below 1).
int lines_for(int64_t highest) {
  if (highest < 1) return 0;
  const int64_t lines = (highest + 15) / 16;
  return lines > INT_MAX ? INT_MAX : static_cast<int>(lines);
}

bool is_dummy_flag(int c) { return c == 'T' || c == 't'; }

}  // namespace

// ---- the line-number width W ------------------------------------------------

int line_number_width() { return width_slot(); }
void set_line_number_width(int width) { width_slot() = width; }
void reset_line_number_width() { width_slot() = kDefaultLineNumberWidth; }

int detect_line_number_width(FILE* ref_stream) {
  if (!ref_stream) return width_slot();
  int spaces = 0;
  int c = std::getc(ref_stream);
  while (c == ' ') {
    if (spaces < INT_MAX - 1) ++spaces;
    c = std::getc(ref_stream);
  }
  if (c == '1') width_slot() = spaces + 1;
  return width_slot();
}

int detect_line_number_width(const char* ref_path, const char* glh_file, const char* repository_name) {
  WorkFile file = open_work_file(ref_path, glh_file, repository_name, nullptr, kOpenPlainFirst);
  return detect_line_number_width(work_file_stream(file.get()));
}

// ---- reading the block file -----------------------------------------------------

int read_block_file(const char* stem, const char* glh_file, const char* repository_name, int procedure,
                    std::vector<ProcedureBlocks>& procedures) {
  procedures.clear();
  WorkFile file = open_stem_work_file(stem, ".blk", glh_file, repository_name);
  FILE* stream = work_file_stream(file.get());
  if (!stream) return kBlockFileNotOpened;
  return read_block_file(stream, procedure, procedures);
}

int read_block_file(FILE* stream, int procedure, std::vector<ProcedureBlocks>& procedures) {
  procedures.clear();
  if (!stream) return kBlockFileNotOpened;
  const bool whole_file = procedure < 1;
  const int w = line_number_width();
  try {
    std::vector<ProcedureBlocks> kept;
    std::string line;
    bool end_of_file = false;
    skip_lines(stream, 2, &end_of_file);

    for (int number = 1;; ++number) {
      // The name line; the end of the file here ends the list.
      bool got = read_record_line(stream, line);
      while (got && line.empty()) got = read_record_line(stream, line);
      if (!got) break;

      const bool keep = whole_file || number == procedure;
      ProcedureBlocks entry;
      entry.number = number;
      RecordLine name_line(line);
      const int name_length = name_line.fixed(5);
      if (name_line.failed() || name_length < 0) return kBlockFileReadError;
      if (keep) entry.name = name_line.rest(static_cast<size_t>(name_length));

      // The block count and the two dummy-node flags.
      if (!read_record_line(stream, line)) return kBlockFileReadError;
      RecordLine count_line(line);
      const int block_count = count_line.fixed(5);
      if (count_line.failed() || block_count < 0) return kBlockFileReadError;
      count_line.skip_blanks();
      entry.hasDummyStart = is_dummy_flag(count_line.next_char());
      count_line.skip_blanks();
      entry.hasDummyExit = is_dummy_flag(count_line.next_char());

      // The block lines: a, b, start line, end line, e, f.
      int64_t highest_a = 0;
      int64_t highest_b = 0;
      for (int i = 0; i < block_count; ++i) {
        if (!read_record_line(stream, line)) return kBlockFileReadError;
        RecordLine block_line(line);
        const int a = block_line.fixed(w);
        const int b = block_line.fixed(w);
        const int start = block_line.fixed(w);
        const int end = block_line.fixed(w);
        const int e = block_line.fixed(w);
        const int f = block_line.fixed(w);
        if (block_line.failed()) return kBlockFileReadError;
        highest_a = std::max<int64_t>(highest_a, int64_t{a} + e - 1);
        highest_b = std::max<int64_t>(highest_b, int64_t{b} + f - 1);
        if (keep) {
          if (reader_allocation_fails()) return kBlockFileNoMemory;
          BlockSpan span;
          span.startLine = start;
          span.endLine = end;
          entry.blocks.push_back(span);
        }
      }
      skip_lines(stream, lines_for(highest_a), &end_of_file);
      skip_lines(stream, lines_for(highest_b), &end_of_file);

      if (keep) {
        if (reader_allocation_fails()) return kBlockFileNoMemory;
        entry.blockCount = block_count;
        const int last_real = entry.hasDummyExit ? block_count - 2 : block_count - 1;
        entry.lastLine = last_real >= 0 ? entry.blocks[static_cast<size_t>(last_real)].endLine : -1;
        kept.push_back(std::move(entry));
        if (!whole_file) break;
      }
      if (end_of_file) break;
    }
    procedures.swap(kept);
    return kBlockFileRead;
  } catch (const std::bad_alloc&) {
    procedures.clear();
    return kBlockFileNoMemory;
  }
}

void fill_procedure_source_lines(std::vector<ProcedureBlocks>& procedures, int module_number,
                                 const char* source_path) {
  const char* source = source_path ? source_path : "";
  for (ProcedureBlocks& p : procedures) {
    p.lastSourceLine = 0;
    p.endsInSourceFile = false;
    int original = 0;
    std::string file;
    if (get_original_line_and_file(p.lastLine, module_number, &original, &file, nullptr, false, nullptr) < 0) {
      continue;
    }
    p.lastSourceLine = original;
    p.endsInSourceFile = strcasecmp(file.c_str(), source) == 0;
  }
}

}  // namespace sorvi
