// The table of known standards models (industry coding standards such as
// MISRA-C:2004) and the choice of a model for a language.
//
// A model row carries its name, an optional short name, the reference token
// that penalty texts use for it, a prefix-match switch and the languages it
// applies to. A name is a known model when it equals a row's name or short
// name, or, for a prefix-match row, starts with the row's name.
#pragma once

#include <string>
#include <vector>

namespace sorvi {

// The selection that stands for "no model": every standard is reported.
constexpr const char kNoModelName[] = "<No Model - all standards>";

constexpr int kStandardsModelCount = 21;

struct StandardsModel {
  const char* name;
  const char* short_name;  // "" when the model has none
  const char* token;       // "" when penalty texts cite the model by its name
  bool prefix_match;
  std::vector<int> languages;
};

// The 21 rows in their fixed order.
const std::vector<StandardsModel>& standards_models();

// The row that knows the name, or -1 (case-sensitive).
int find_standards_model(const std::string& name);
bool is_known_model(const std::string& name);

// The word a penalty text uses to cite the model: its token, or its name
// when it has no token. Empty outside 0..20.
std::string model_reference_token(int row);

// True for an empty name and for kNoModelName.
bool is_no_model(const std::string& name);

// The model a language's report uses: the given name, or when it is empty
// the language variant of "STANDARDS_MODEL" (default kNoModelName), in its
// display form (config/model_names.h).
std::string select_standards_model(int language, const char* name);

// The external standard whose references penalty texts show: the language
// variant of "EXTERNAL_STANDARD", else the plain variable (the
// ExternalStandard= option, when given, comes first), in display form;
// empty unless it is a known model. At most 100 characters.
std::string select_external_standard(int language);

// The per-language form of a profile variable: the language's short name,
// upper-cased, in front of the base name ("CPPPENFILE" for C++). Codes 0, 17
// and any code outside 0..17 give the base name.
std::string language_variable_name(int language, const char* base);

// The short name that prefixes a language's data files ("cpp" for C++);
// empty for codes 0, 10, 17 and any code outside 0..16.
const char* language_file_prefix(int language);

}  // namespace sorvi
