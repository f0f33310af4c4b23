// The documents that show an analysed file annotated, built without any
// window: the whole-file document (reformatted file, annotated source, or
// source and violations) and the procedure-code document. The program's
// windows show them; batch mode writes them as rich-text reports.
#pragma once

#include <memory>
#include <string>

#include "annotate/annotation_context.h"

namespace sorvi {

// A whole-file document: a reformatted file, or, for the annotated-source
// and violations kinds, the source listing with its violations.
struct RefDocument {
  RefDocument() = default;
  RefDocument(const RefDocument&) = delete;
  RefDocument& operator=(const RefDocument&) = delete;
  ~RefDocument();

  std::string path;           // the document path as opened (the listed file for a listing of violations)
  bool source_document = false;  // annotated-source or violations kind
  bool violations_kind = false;
  std::string module_source;  // the module's source file
  std::string repository;     // the module's GLH file
  std::string listed_file;    // the file a source document lists
  std::string title;
  AnnotationContext* context = nullptr;  // owned
};

// Builds a whole-file document from the program's options: loads the
// standards data of the language, resolves the module, reads its ".sf1"
// with the index, finds the listed file (an IncludeLines= range selects an
// include), and creates the context. Null when the opening fails.
std::unique_ptr<RefDocument> build_ref_document(const std::string& path, bool source_document, bool violations_kind);

// A procedure-code document: one procedure, from a block on.
struct XtxDocument {
  XtxDocument() = default;
  XtxDocument(const XtxDocument&) = delete;
  XtxDocument& operator=(const XtxDocument&) = delete;
  ~XtxDocument();

  std::string path;
  std::string module_source;
  std::string repository;
  std::string title;
  AnnotationContext* context = nullptr;  // owned
};

// Builds a procedure-code document; null when no context could be made.
std::unique_ptr<XtxDocument> build_xtx_document(const std::string& path);

// The status-pane text of a procedure-code document.
std::string xtx_status_text(const XtxDocument& doc);

// Loads the penalty catalogue and the report configuration of the
// Language= option (with the StandardsModel= and ExternalStandard= options).
void load_document_standards(const std::string& glh_file);

}  // namespace sorvi
