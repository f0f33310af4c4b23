#include "annotate/document_reports.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

#include "annotate/annotation_generator.h"
#include "annotate/pipelined_sink.h"
#include "base/file_utils.h"
#include "base/safe_output.h"
#include "config/display_settings.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "standards/violation_rows.h"

namespace sorvi {
RtfFont report_font() {
  const ViewFont v = plain_source_view_font();
  const CharFormat f = font_to_char_format(v.font, v.colour, v.font.Height);
  RtfFont font;
  font.face = f.face;
  font.height_twips = f.height_twips;
  font.text_colour = f.colour;
  return font;
}

namespace {

std::string violation_rows_text(const AnnotationContext& context) {
  const int lines = count_source_lines(context.sourcePath);
  const std::vector<ViolationRow> rows =
      build_violation_rows(context.lineViolations, context.procedureViolations, lines,
                           context.blocksLoaded ? &context.procedures : nullptr, context.language);
  std::string text;
  for (size_t i = 0; i < rows.size(); ++i) text += violation_row_line(static_cast<int>(i), rows[i]);
  return text;
}

// Writes the rows into a lasting report through a temporary file.
ReportResult write_violation_rows_report(const AnnotationContext& context, const std::string& path) {
  ReportResult result;
  ReportOutput out;
  if (!out.open(path)) {
    result.error = out.error_message();
    return result;
  }
  const std::string text = violation_rows_text(context);
  const bool written = std::fwrite(text.data(), 1, text.size(), out.stream()) == text.size();
  if (out.commit(written, written ? 0 : errno)) {
    result.path = path;
  } else {
    result.error = out.error_message();
  }
  return result;
}

}  // namespace

bool write_violation_rows_file(const AnnotationContext& context, const std::string& path) {
  if (!is_clean_path(path)) return false;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const std::string text = violation_rows_text(context);
  const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && ok;
}

RichTextResult write_rich_text(AnnotationContext* context, const RtfFont& font, int caret_line, bool vmode) {
  RichTextResult result;
  const StartupOptions& o = startup_options();
  result.lasting = vmode && !context->listingStandards;
  result.path = result.lasting ? batch_rtf_path(context->workFile, context->sourcePath, o.IncludeLines[0] > 0,
                                                context->listing, o.CoverageMode)
                               : temporary_file_name("", "sorvi");
  if (result.path.empty()) return result;
  // A lasting report goes through a temporary file that replaces it whole.
  ReportOutput lasting;
  std::FILE* out = nullptr;
  if (result.lasting) {
    if (lasting.open(result.path)) out = lasting.stream();
  } else {
    out = std::fopen(result.path.c_str(), "wb");
  }
  if (!out) {
    result.error = lasting.error_message();
    return result;
  }
  RtfStreamWriter writer(out, font, just_switched_on(), caret_line);
  // A lasting report is synced before it takes its name; its pages go to
  // disk while it is written, so that the sync has little left to do.
  if (result.lasting) writer.write_back_every(size_t{8} << 20);
  bool all_written = true;
  {
    // The text is written on a second thread while the walk goes on.
    PipelinedSink pipe(writer, parallel_reading());
    AnnotatedLineList lines(&pipe);
    if (GenerateAnnotatedLines(context, lines)) lines.close();
    try {
      pipe.finish();
    } catch (...) {
      all_written = false;
    }
    if (pipe.failed()) all_written = false;
  }
  result.ok = writer.finish() && all_written;
  if (result.lasting) {
    result.ok = lasting.commit(result.ok, writer.error());
    result.error = lasting.error_message();
  } else {
    result.ok = std::fclose(out) == 0 && result.ok;
  }
  result.caret_line = writer.caret_line();
  clear_just_switched_on();
  return result;
}

bool use_rich_text_path(const AnnotationContext& context) {
  return get_profile_bool(context.annotated ? "STREAM_ANNOTATED_REF" : "STREAM_NORMAL_REF", true, false);
}

bool annotated_view_read_only(const AnnotationContext& context) {
  return !get_profile_bool("WRITE_SORVI", context.listingStandards, false);
}

ReportResult write_ref_document_report(RefDocument& doc) {
  ReportResult result;
  AnnotationContext* c = doc.context;
  if (!c) return result;
  const RichTextResult text = write_rich_text(c, report_font(), 0, true);
  if (!text.lasting) {
    // The listing of violations is only shown; its rows are what batch
    // mode keeps.
    if (!text.path.empty()) delete_file(text.path);
    return write_violation_rows_report(*c, violation_rows_path(c->sourcePath));
  }
  if (text.ok) {
    result.path = text.path;
  } else {
    result.error = text.error.empty() ? "cannot write report \"" + text.path + "\"" : text.error;
  }
  return result;
}

ReportResult write_xtx_document_report(XtxDocument& doc) {
  ReportResult result;
  AnnotationContext* c = doc.context;
  if (!c) return result;
  const PathParts parts = split_path(c->workFile);
  const std::string path =
      parts.directory + parts.base_name + (startup_options().CoverageMode ? ".cxtx.rtf" : ".axtx.rtf");
  // The lines are generated first: without a procedure record the text stays empty.
  ReportOutput out;
  if (!out.open(path)) {
    result.error = out.error_message();
    return result;
  }
  RtfStreamWriter writer(out.stream(), report_font(), SwitchedOn(), 0);
  std::unique_ptr<AnnotatedLineList> lines = GenerateAnnotatedLines(c);
  if (lines && !c->procedures.empty()) {
    for (AnnotatedChunk chunk = lines->take_chunk(); !chunk.empty(); chunk = lines->take_chunk()) {
      writer.take(std::move(chunk));
    }
  }
  const bool written = writer.finish();
  if (out.commit(written, writer.error())) {
    result.path = path;
  } else {
    result.error = out.error_message();
  }
  return result;
}

}  // namespace sorvi
