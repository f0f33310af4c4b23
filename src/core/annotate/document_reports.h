// The rich-text reports batch mode writes beside the documents it opens:
// ".aref.rtf", ".cref.rtf" or ".asrc.rtf" for a whole-file document (and
// ".vsrc.rtf", the violation rows, for a document of source and
// violations), ".axtx.rtf" or ".cxtx.rtf" for a procedure-code document.
#pragma once

#include <string>

#include "annotate/ref_document.h"
#include "annotate/rtf_writer.h"

namespace sorvi {

// What the rich-text path did: the file written, whether it is a lasting
// batch report (otherwise a temporary file the caller loads and deletes),
// and the caret line mapped to the new text.
struct RichTextResult {
  bool ok = false;
  std::string path;
  bool lasting = false;
  int caret_line = 0;
  // Why a lasting report could not be written (empty otherwise).
  std::string error;
};

// What a batch report came to: the lasting file written, or a one-line
// message naming the file and the system error when it could not be
// written. Both are empty when there was nothing to write.
struct ReportResult {
  std::string path;
  std::string error;
};

// The rich-text path for an annotated context: a temporary file outside
// batch mode (and for a listing of violations), otherwise the lasting
// batch name; the lines are generated straight into it with the
// just-switched-on flags, which are cleared afterwards. `ok` is false when
// the file cannot be created (the caller then streams the lines).
RichTextResult write_rich_text(AnnotationContext* context, const RtfFont& font, int caret_line, bool vmode);

// Whether the view is filled through a rich-text file: "STREAM_ANNOTATED_REF"
// for an annotated context, "STREAM_NORMAL_REF" otherwise (both default on).
bool use_rich_text_path(const AnnotationContext& context);
// Whether the annotated view is read-only: unless "WRITE_SORVI", whose
// default is on for a listing of violations.
bool annotated_view_read_only(const AnnotationContext& context);

// The font reports are written in: the plain source view's font from the
// settings store ("Font", unless "USE_DEFAULT_FONT"), its height in twips
// twice the stored height, and its colour.
RtfFont report_font();

// Writes the report of a whole-file document under its lasting batch name
// (a listing of violations goes to a temporary file that is deleted, and
// its violation rows to "<listed source>.vsrc.rtf"). The content goes to a
// temporary file that replaces the report only when complete.
ReportResult write_ref_document_report(RefDocument& doc);

// Writes the report of a procedure-code document: "<stem>.axtx.rtf", or
// ".cxtx.rtf" under CoverageMode; an empty text when the procedure was not
// found. Written like the whole-file report.
ReportResult write_xtx_document_report(XtxDocument& doc);

// Writes the violation rows of a listing of violations into `path`; true
// when the file was written (an empty list leaves an empty file).
bool write_violation_rows_file(const AnnotationContext& context, const std::string& path);

}  // namespace sorvi
