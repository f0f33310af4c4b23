#include "annotate/ref_document.h"

#include <algorithm>

#include "base/dynamic_string.h"
#include "base/file_utils.h"
#include "config/startup_options.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "workfiles/index_file.h"
#include "workfiles/sf1_reader.h"

namespace sorvi {
namespace {

// The document's work-file stem: its path without the extension.
std::string stem_of(const std::string& path) {
  const PathParts parts = split_path(path);
  return parts.directory + parts.base_name;
}

std::string file_name_of(const std::string& path) { return split_path(path).file_name; }

const char* text_or_null(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

// The module's source file and GLH file from the document path and the
// XrefSet=, SourceModule= and GlhFile= options.
bool resolve_module(const std::string& path, std::string* source, std::string* glh) {
  const StartupOptions& o = startup_options();
  return resolve_module_source(stem_of(path).c_str(), text_or_null(o.XrefSet), text_or_null(o.SourceModule),
                               text_or_null(o.GlhFile), *source, *glh);
}

// The first include record (not the main file) spanning first..last.
const FileLimits* include_spanning(const include_list& includes, int first, int last) {
  for (const FileLimits& f : includes) {
    if ((f.start == first && f.end == last) || (f.start == first && f.end == last - 1) ||
        (f.start == first - 1 && f.end == last)) {
      return &f;
    }
  }
  return nullptr;
}


}  // namespace

RefDocument::~RefDocument() { FreeAnnotationContext(context); }
XtxDocument::~XtxDocument() { FreeAnnotationContext(context); }

void load_document_standards(const std::string& glh_file) {
  const StartupOptions& o = startup_options();
  if (o.Language == 0) return;
  // The catalogue comes from the language's "pen.dat", or from the GLH
  // file's GLQ repository when there is no such file.
  const bool from_glh = !is_regular_file(penalty_file_path(o.Language, nullptr)) && is_regular_file(glh_file);
  load_penalty_catalogue(o.Language, nullptr, false, false, from_glh ? glh_file.c_str() : nullptr);
  load_report_configuration(nullptr, o.Language, text_or_null(o.StandardsModel),
                            is_regular_file(glh_file) ? glh_file.c_str() : nullptr);
}

std::unique_ptr<RefDocument> build_ref_document(const std::string& path, bool source_document, bool violations_kind) {
  StartupOptions& o = startup_options();
  auto doc = std::make_unique<RefDocument>();
  doc->path = path;
  doc->source_document = source_document;
  doc->violations_kind = violations_kind;
  bool ok = true;

  resolve_module(path, &doc->module_source, &doc->repository);
  load_document_standards(doc->repository);

  // The module's ".sf1" with its index.
  DynamicString source_name;
  if (!doc->module_source.empty()) source_name = doc->module_source;
  Sf1Reading reading;
  const bool sf1_read = read_sf1_file(stem_of(path).c_str(), source_name, nullptr, nullptr, nullptr, true,
                                      text_or_null(doc->repository), true, &reading);
  if (source_name && !source_name->empty()) doc->module_source = *source_name;
  if (!sf1_read && !source_document) ok = false;

  // A source listing takes the index's include files with NDXIncludes.
  include_list includes;
  if (source_document && o.NDXIncludes && reading.index) merge_includes(includes, *reading.index);
  if (ok && source_document) {
    const int a = o.IncludeLines[0], b = o.IncludeLines[1];
    if (a > 0) {
      const FileLimits* f = include_spanning(includes, a, b);
      if (!f) f = include_spanning(includes, a + 1, b + 1);
      if (f) doc->listed_file = f->file_name;
    } else if (sf1_read) {
      doc->listed_file = doc->module_source;
    }
    if (doc->listed_file.empty()) ok = false;
  }

  if (ok) {
    doc->context = CreateAnnotationContext(
        path, -1, -1, doc->module_source, source_document ? doc->listed_file : std::string(), &includes,
        violations_kind, o.VMODE, o.CoverageMode, o.ViolationMode, o.NDXIncludes, doc->repository,
        o.Flags > 0 ? o.Flags : 0, o.CoveragePassFail);
    if (doc->context) {
      SetRunOptions(doc->context, o.Language, text_or_null(o.XrefSet), o.TC, o.Seq.c_str(), o.Seqwrk.c_str());
    } else {
      ok = false;
    }
  }

  if (ok) {
    if (doc->context->listingStandards) {
      doc->path = doc->listed_file;
      doc->title = file_name_of(doc->listed_file);
    } else if (source_document) {
      doc->title = file_name_of(doc->listed_file);
    } else {
      doc->title = file_name_of(doc->module_source) + " - Reformatted";
    }
    // With NDXIncludes the index just read becomes the context's.
    if (o.NDXIncludes && reading.index) {
      doc->context->index = reading.index;
      doc->context->indexLoaded = true;
      reading.index = nullptr;
    } else if (reading.index) {
      // Otherwise the context holds it without counting it as loaded: the
      // generator takes it when an annotation first needs the index,
      // instead of reading the same files again a moment later.
      doc->context->index = reading.index;
      reading.index = nullptr;
    }
  }
  if (reading.index) free_index_record(reading.index);

  o.Procnum = -1;
  o.Block = -1;
  if (!o.VMODE) o.IncludeLines[0] = o.IncludeLines[1] = 0;
  if (!ok) return nullptr;
  return doc;
}

std::unique_ptr<XtxDocument> build_xtx_document(const std::string& path) {
  StartupOptions& o = startup_options();
  auto doc = std::make_unique<XtxDocument>();
  doc->path = path;
  resolve_module(path, &doc->module_source, &doc->repository);
  load_document_standards(doc->repository);

  int procedure = 1, first_block = -1;
  if (o.Procnum != -1 || o.Block != -1) {
    procedure = o.Procnum;
    first_block = o.Block;
    o.Procnum = -1;
    o.Block = -1;
  }
  doc->context = CreateAnnotationContext(path, procedure, first_block, doc->module_source, std::string(), nullptr,
                                         false, o.VMODE, o.CoverageMode, o.ViolationMode, o.NDXIncludes,
                                         doc->repository, 0, o.CoveragePassFail);
  if (!doc->context) return nullptr;
  SetRunOptions(doc->context, o.Language, text_or_null(o.XrefSet), o.TC, o.Seq.c_str(), o.Seqwrk.c_str());
  doc->title = file_name_of(doc->module_source) + " - Procedure Code";
  return doc;
}

std::string xtx_status_text(const XtxDocument& doc) {
  const AnnotationContext* c = doc.context;
  const std::string stem = c ? split_path(c->workFile).base_name : std::string();
  if (!c || !c->annotated || c->procedures.empty()) return stem + " - unannotated";
  const ProcedureBlocks& p = c->procedures.front();
  const int n = p.blockCount;
  char buf[64];
  std::string text = stem + " : " + p.name + " : ";
  if (c->firstBlock < 1) {
    std::snprintf(buf, sizeof buf, "Showing blocks 1 to %d", n);
  } else if (c->blockCount < 2) {
    std::snprintf(buf, sizeof buf, "Showing block %d", c->firstBlock);
  } else {
    std::snprintf(buf, sizeof buf, "Showing blocks %d to %d", c->firstBlock, c->firstBlock + c->blockCount - 1);
  }
  text += buf;
  if (c->showStandards) text += "  Standards Model: " + c->modelName;
  if (c->showCoverage && c->testCase > 0) text += ", Test Case " + std::to_string(c->testCase);
  return text;
}

}  // namespace sorvi
