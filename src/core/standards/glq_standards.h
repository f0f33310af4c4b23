// Reading the standards data kept in a GLH file's GLQ repository: the model
// descriptions (type 80) and the penalty document (types 90 to 93) of a
// language. The penalty catalogue and the report configuration each take
// the records they need from here.
#pragma once

#include <string>
#include <vector>

#include "glh/glh_handles.h"

namespace sorvi {

// Document names by language: 2 (C) and 6 (C++) have their own, every other
// language shares the general one.
const char* glq_penalty_document(int language);
const char* glq_model_description_document(int language);

struct GlqStandardsData {
  std::vector<std::string> model_descriptions;  // texts of the type 80 records
  std::vector<GlhRecord> penalty_records;       // every record of the penalty document
};

// Opens the file read-only ("READ_ONLY"), its GLQ repository and the
// language's documents, reads them and closes everything again. The model
// descriptions are read only with `with_descriptions`; a missing description
// document adds nothing. True when the penalty document was read.
bool read_glq_standards(const char* glh_path, int language, bool with_descriptions, GlqStandardsData& out);

// The items of a text separated by semicolons, empty items left out.
std::vector<std::string> split_glq_list(const std::string& text);

}  // namespace sorvi
