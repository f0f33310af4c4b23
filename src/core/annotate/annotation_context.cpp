#include "annotate/annotation_context.h"

#include <algorithm>

#include <new>

#include "annotate/rtf_writer.h"
#include "base/file_utils.h"
#include "config/profile.h"
#include "standards/standards_models.h"
#include "workfiles/stem_files.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

bool profile_switch(const char* name, bool def) { return get_profile_bool(name, def, false); }

const char* text_or_null(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

AnnotationSettings ResolveAnnotationSettings(bool procedure_mode, bool coverage_mode, bool violation_mode,
                                             int flags) {
  AnnotationSettings s;
  s.highlight = coverage_mode ? true : profile_switch("SORVI_COVERAGE_HIGHLIGHT", false);
  if (procedure_mode) {
    s.blocks = profile_switch("SORVI_APROC_BLOCKS", !s.highlight);
    s.code = profile_switch("SORVI_APROC_CODE", true);
    s.blockNums = coverage_mode ? false : profile_switch("SORVI_APROC_BLOCKNUMS", true);
    s.coverage = coverage_mode ? true : profile_switch("SORVI_APROC_COVERAGE", false);
    s.dataflow = coverage_mode ? false : profile_switch("SORVI_APROC_DATAFLOW", false);
    s.standards = coverage_mode ? false : profile_switch("SORVI_APROC_STANDARDS", false);
    s.tBlockNums = false;
    s.sourceLines = false;
    s.exeFlag = false;
    s.procNums = false;
    s.lineNums = !coverage_mode;
  } else if (flags > 0) {
    s.blocks = (flags & kFlagBlocks) != 0;
    s.lineNums = (flags & kFlagLineNums) != 0;
    s.sourceLines = (flags & kFlagSourceLines) != 0;
    s.procNums = (flags & kFlagProcNums) != 0;
    s.tBlockNums = (flags & kFlagTBlockNums) != 0;
    s.blockNums = (flags & kFlagBlockNums) != 0;
    s.exeFlag = (flags & kFlagExeFlag) != 0;
    s.code = (flags & kFlagCode) != 0;
    s.coverage = (flags & kFlagCoverage) != 0;
    s.standards = (flags & kFlagStandards) != 0;
    s.dataflow = (flags & kFlagDataflow) != 0;
  } else {
    s.sourceLines = profile_switch("SORVI_AREF_SOURCE_LINES", true);
    s.blockNums = profile_switch("SORVI_AREF_BLOCKNUMS", true);
    s.blocks = profile_switch("SORVI_AREF_BLOCKS", true);
    s.code = profile_switch("SORVI_AREF_CODE", true);
    s.coverage = profile_switch("SORVI_AREF_COVERAGE", false);
    s.dataflow = profile_switch("SORVI_AREF_DATAFLOW", false);
    s.exeFlag = profile_switch("SORVI_AREF_EXEFLAG", true);
    s.lineNums = profile_switch("SORVI_AREF_LINENUMS", true);
    s.standards = profile_switch("SORVI_AREF_STANDARDS", false);
    s.procNums = profile_switch("SORVI_AREF_PROCNUMS", true);
    s.tBlockNums = profile_switch("SORVI_AREF_TBLOCKNUMS", true);
  }
  // Coverage notes need block rules to stand between.
  if (!s.blocks && s.coverage) s.blocks = !s.highlight;
  if (violation_mode) s.standards = true;
  return s;
}

void merge_includes(include_list& includes, const IndexRecord& index) {
  for (size_t i = 1; i < index.file_limits.size(); ++i) {
    const FileLimits& f = index.file_limits[i];
    const bool present = std::any_of(includes.begin(), includes.end(), [&f](const FileLimits& g) {
      return g.start == f.start && g.end == f.end && g.file_name == f.file_name;
    });
    if (!present) includes.push_back(f);
  }
}

std::string context_stem(const AnnotationContext& context) {
  const PathParts parts = split_path(context.workFile);
  return parts.directory + parts.base_name;
}

AnnotationContext* CreateAnnotationContext(const std::string& document_path, int procedure, int first_block,
                                           const std::string& repository_key, const std::string& source_path,
                                           const include_list* includes, bool violations_kind, bool vmode,
                                           bool coverage_mode, bool violation_mode, bool ndx_includes,
                                           const std::string& repository, int flags, bool coverage_pass_fail) {
  AnnotationContext* context = nullptr;
  try {
    const PathParts parts = split_path(document_path);
    const std::string stem = parts.directory + parts.base_name;
    const std::string work_file = violations_kind ? stem + ".sif" : document_path;
    if (work_file.empty() || parts.file_name.empty()) return nullptr;

    context = new AnnotationContext;
    AnnotationContext& c = *context;
    c.workFile = work_file;
    c.modelName = kNoModelName;
    c.repository = repository;
    c.repositoryKey = repository_key;
    c.sourcePath = source_path;
    if (includes) c.includeList = *includes;
    c.ndxIncludes = ndx_includes;
    c.procedure = procedure;
    c.firstBlock = first_block;
    c.blockCount = first_block < 1 ? -1 : 1;

    // The line-number width of the module's work files.
    detect_line_number_width(stem_file(parts.base_name.c_str(), ".ref").c_str(), text_or_null(repository),
                             text_or_null(repository_key));

    const bool pm = procedure > 0;
    const bool lst = !source_path.empty();
    const bool viol = violations_kind;
    const bool cm = coverage_mode;
    const bool blk =
        work_file_exists((stem + ".blk").c_str(), text_or_null(repository), text_or_null(repository_key));
    const AnnotationSettings s = ResolveAnnotationSettings(pm, cm, violation_mode, flags);

    c.listing = lst;
    c.annotated = flags > 0 || pm || lst || (vmode && !viol) ? true : profile_switch("SORVI_AREF_ANNOTATED", false);
    c.showBlocks = s.blocks && blk && !lst;
    c.showRefLines = s.lineNums && !lst && !vmode;
    c.showSrcLines = s.sourceLines && !pm && (!lst || vmode);
    c.showProcNums = (s.procNums || vmode) && blk && !pm && !lst;
    c.showTotalBlockNums = s.tBlockNums && blk && !pm && !lst && profile_switch("SORVI_TBLOCKS", false);
    c.showBlockNums = (s.blockNums || vmode) && blk && !lst;
    c.showExeFlag = (s.exeFlag || vmode) && !pm && !lst;
    c.showCode = s.code || vmode || viol || lst;
    c.showCoverage = s.coverage || vmode;
    c.showStandards = lst ? !viol : (s.standards || (vmode && !cm));
    c.listingStandards = lst && viol;
    c.showDataflow = s.dataflow || (vmode && !cm);
    c.highlight = s.highlight;
    c.passFail = coverage_pass_fail;
    c.mainStart = -1;
    c.language = 0;
    return context;
  } catch (...) {
    delete context;
    return nullptr;
  }
}

void SetRunOptions(AnnotationContext* context, int language, const char* xref_set, int test_case, const char* seq,
                   const char* seq_work) {
  if (!context) return;
  try {
    context->language = language;
    if (xref_set && *xref_set) context->xrefSet = xref_set;
    if (test_case > 0) {
      context->testCase = test_case;
      if (seq && *seq) context->seq = seq;
      if (seq_work && *seq_work) context->seqWork = seq_work;
    }
  } catch (...) {
  }
}

void FreeAnnotationContext(AnnotationContext* context) {
  if (!context) return;
  free_index_record(context->index);
  context->index = nullptr;
  delete context;
}

HeadingSwitches heading_switches(const AnnotationContext& context) {
  HeadingSwitches h;
  h.annotated = context.annotated;
  h.listing = context.listing;
  h.ref_lines = context.showRefLines;
  h.src_lines = context.showSrcLines;
  h.proc_nums = context.showProcNums;
  h.total_block_nums = context.showTotalBlockNums;
  h.block_nums = context.showBlockNums;
  h.exe_flag = context.showExeFlag;
  h.code = context.showCode;
  return h;
}

}  // namespace sorvi
