// The annotated text: an ordered sequence of (style, text) lines stored in
// chunks of 100. A consumer may take the lines chunk by chunk while they are
// produced (a sink), so a long file never needs the whole text in memory.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace sorvi {

// Line styles, shared by the generator and the writers that colour them.
enum LineStyle : int {
  kStyleCode = 0,             // code lines and plain text
  kStyleProcedureRule = 1,    // 78 "="
  kStyleBlockRule = 2,        // 78 "-"
  kStyleNoteRule = 3,         // 39 "- "
  kStyleExecutedNote = 4,     // coverage note of an executed block
  kStyleNotExecuted = 5,      // not executed (note, or highlighted line)
  kStyleViolation = 6,        // violations, cross-references, UR anomalies; highlighted executed
  kStyleProcViolation = 7,    // procedure-level violations; partly covered block end
  kStyleNotInstrumented = 8,  // highlighted line of a block not executed and not instrumented
  kStyleDataflow = 9,         // data-flow headings and names; pass/fail executed
  kStylePassFailPartly = 10,  // pass/fail partly covered block end
};

struct AnnotatedLine {
  int style = kStyleCode;
  std::string text;
  // A line the walk places between the code lines (counted as inserted),
  // as against a code line or plain text.
  bool note = false;
};

using AnnotatedChunk = std::vector<AnnotatedLine>;

// Receives full chunks as the list fills, and the last partial one at close.
class AnnotatedLineSink {
 public:
  virtual ~AnnotatedLineSink() = default;
  virtual void take(AnnotatedChunk&& chunk) = 0;
  // A sink that copies each line at once may take the lines one by one
  // instead of in chunks; the list then keeps no chunk of its own.
  virtual bool takes_single_lines() const { return false; }
  virtual void take_line(int /*style*/, std::string_view /*text*/, bool /*note*/) {}
};

// Receives the lines one at a time without keeping them: a writer that
// turns each into output at once.
class AnnotatedLineWriter {
 public:
  virtual ~AnnotatedLineWriter() = default;
  virtual void write(int style, const char* text, size_t size, bool note) = 0;
};

class AnnotatedLineList {
 public:
  static constexpr size_t kChunkSize = 100;

  // With a sink every full chunk goes to it at once instead of being kept.
  explicit AnnotatedLineList(AnnotatedLineSink* sink = nullptr)
      : sink_(sink), single_lines_(sink && sink->takes_single_lines()) {}

  void add(int style, std::string text, bool note = false);
  // The same for a text the caller keeps: a sink that copies each line at
  // once takes it without a copy of its own being made first.
  void add_view(int style, std::string_view text, bool note = false);
  // Hands the last partial chunk to the sink (nothing without one).
  void close();

  // Lines added so far (including those handed to a sink).
  size_t size() const { return count_; }
  // Takes the first kept chunk out; empty when none is left.
  AnnotatedChunk take_chunk();
  // All kept lines in order (for tests and small texts).
  std::vector<AnnotatedLine> lines() const;

 private:
  AnnotatedLineSink* sink_;
  bool single_lines_;
  std::deque<AnnotatedChunk> chunks_;
  size_t count_ = 0;
};

}  // namespace sorvi
