// The rich-text writer: turns annotated lines into an RTF file with a font
// table, a colour table and one colour switch wherever the line style
// changes. It also maps the caret line across annotations that were just
// switched on, names the batch report files and gives the column heading.
#pragma once

#include <cstdio>
#include <string>

#include "annotate/annotated_lines.h"
#include "annotate/caret_mapping.h"
#include "config/display_settings.h"

namespace sorvi {

// The view font the text is written in: face, height in twips, text colour.
struct RtfFont {
  std::string face = "Courier New";
  int height_twips = 200;
  PackedColour text_colour = 0;
};

// The colour-table entry a style is written in.
int rtf_colour_entry(int style);

// Writes the RTF text to a stream as the lines arrive. The header goes out
// at construction (with entry 5 of the status colour table set to the text
// colour); finish() writes the trailer unless a line was too long.
// Aligned to a cache line of its own: a pipelined writer (pipelined_sink.h)
// changes it at every line from another thread than its owner's.
class alignas(64) RtfStreamWriter : public AnnotatedLineSink, public AnnotatedLineWriter {
 public:
  // `caret_line` is the view's 1-based caret line (0: none).
  RtfStreamWriter(std::FILE* out, const RtfFont& font, const SwitchedOn& switched, int caret_line);
  void take(AnnotatedChunk&& chunk) override;
  void write(int style, const char* text, size_t size, bool note) override;
  // Ends the text; false when writing failed.
  bool finish();
  // The system error of the first failed write (0: none).
  int error() const { return error_; }
  // The caret line mapped to the new text.
  int caret_line() const { return caret_.caret_line(); }
  // True once a line too long for the view ended the text.
  bool truncated() const { return truncated_; }
  // Starts the writing to disk of the text written so far every `bytes`
  // bytes (0: never), for a report that is synced when it ends.
  void write_back_every(size_t bytes) { writeback_every_ = bytes; }

 private:
  void write_line(int style, const char* text, size_t size);
  void flush_buffer();

  std::FILE* out_;
  std::string buffer_;
  int previous_style_ = kStyleCode;
  bool truncated_ = false;
  bool failed_ = false;
  int error_ = 0;  // errno of the first failed write
  size_t writeback_every_ = 0;
  size_t since_writeback_ = 0;
  CaretMapper caret_;
};

// Writes a whole list into a new file; false when it cannot be created or
// written. The mapped caret line is stored through `caret_line` when given.
bool write_rtf_file(const std::string& path, AnnotatedLineList& lines, const RtfFont& font,
                    const SwitchedOn& switched, int* caret_line);

// The lasting name of a batch report: the work file without its extension
// (or, for an include-lines range, its directory, the source stem, "_" and
// the source extension), then ".asrc.rtf" for a listing, ".cref.rtf" under
// coverage mode, ".aref.rtf" otherwise.
std::string batch_rtf_path(const std::string& work_file, const std::string& source_path, bool include_range,
                           bool listing, bool coverage_mode);

// The switches the column heading depends on.
struct HeadingSwitches {
  bool annotated = false;
  bool listing = false;
  bool ref_lines = false;
  bool src_lines = false;
  bool proc_nums = false;
  bool total_block_nums = false;
  bool block_nums = false;
  bool exe_flag = false;
  bool code = false;
};
std::string ColumnHeading(const HeadingSwitches& s);

}  // namespace sorvi
