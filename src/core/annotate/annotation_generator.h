// The annotation generator: turns an analysed file into the styled lines
// every view and report shows. An annotated context walks the reformatted
// file (or, in a listing, the original source) once, emitting code lines
// with their number columns and, between them, rules, coverage notes,
// violation lines, data-flow notes and possible UR anomalies; a context
// that is not annotated gives the plain text of the file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "annotate/annotated_lines.h"
#include "annotate/annotation_context.h"

namespace sorvi {

// Generates the lines of a context into `lines`. A list with a sink hands
// each chunk of 100 lines to it as it fills, and the rest at the end, so a
// writer consumes the text while it is generated. Loads, the first time
// they are needed, the analysis data the switched-on annotations use. False
// (nothing added) when the file to walk cannot be opened.
bool GenerateAnnotatedLines(AnnotationContext* context, AnnotatedLineList& lines);

// The same into a new list; null when the file cannot be opened.
std::unique_ptr<AnnotatedLineList> GenerateAnnotatedLines(AnnotationContext* context);

// Loads what the switched-on annotations of an annotated context need, as
// a generation does first; a caller that hands the walk elsewhere reads
// the work files here, where their problems are reported.
void LoadAnnotationData(AnnotationContext* context);

// Called, when set, as each step of loading the analysis data ends, with
// the step's name: "sf1", "index", "blocks", "violations", "counts",
// "dataflow" (a step that had nothing to do is still named; the data-flow
// step is the wait for its second thread). Null: none.
using AnnotationStepObserver = void (*)(const char* step);
void set_annotation_step_observer(AnnotationStepObserver observer);

// Whether the data-flow file is parsed on a second thread while the other
// work files are read, and a report is written on a second thread while
// its lines are produced (the default), or all in turn.
void set_parallel_reading(bool parallel);
bool parallel_reading();

// ---- pieces of the walk (also used by the procedure document) ----------------

// The columns of one code line.
struct CodeLine {
  bool inside = false;      // inside a procedure
  int procedure = -1;       // the procedure's number
  int block = 0;            // the block number shown
  int line = 0;             // the reformatted line L
  int source_line = 0;      // the original line S (0: unknown)
  char flag = ' ';          // the executable-statement flag
  const std::string* code = nullptr;  // the code text (null: empty)
  int running_count = 0;    // the running block count t
};

// The text of a code line as the context's columns lay it out: Ref "%6d",
// Src "%6d" or "    --", Proc "%5d" or 5 blanks, BkCnt "%5d" or 6 blanks,
// Block "%6d" or 6 blanks, X " %c ", then " " and the first 230 characters
// of the code; at most 519 characters. Empty for a line number below 1.
std::string code_line_text(const AnnotationContext& context, const CodeLine& line);

// The main procedure placed at its place in the text: when record 0 is
// named `main_name` (empty: "main") it moves behind the records whose
// first block starts before its last block ends, its first real block
// starting after the record before it, or at `main_start` when that is not
// -1. True when it moved (always when `main_start` is known).
bool place_main_procedure(std::vector<ProcedureBlocks>& procedures, const std::string& main_name, int main_start);

// Whether highlighted lines use the pass/fail colour set: fixed for the
// process by the first highlighted line.
bool highlight_colour_set_is_pass_fail(bool pass_fail);

// Puts the generator's process-wide state back to its start: the
// highlight colour set and the violation-text switches read once.
void reset_annotation_state();

}  // namespace sorvi
