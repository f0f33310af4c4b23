// The suite side of a sample analysis set: the programming standards the
// sample modules violate, the penalty catalogues ("pen.dat") and report
// configurations ("report.dat") for C and C++, the standards help pages in
// both layouts, the GLQ records that hold the same catalogue in a GLH file,
// and the suite profile "Kelvar.ini".
#pragma once

#include <string>
#include <vector>

#include "samplegen/glh_writer.h"

namespace sorvi_sample {

// Where a violation of a standard is reported.
enum class StandardScope { kLine, kProcedure, kFile };

// One programming standard of the sample catalogue. Null reference texts
// mean the standard has no rule in that model.
struct SampleStandard {
  int number;
  char letter;     // upper case, as violation records carry it
  bool flattened;  // "s" in pen.dat: its violations give flattened lines
  char category;   // default category letter: M, O, I or C
  int parameter;   // the figure that stands for "***" in the text (0: none)
  int code_d;      // penalty file column 9-10 (0 or 1)
  StandardScope scope;
  bool for_c;
  bool for_cpp;
  const char* text;         // at most 48 characters
  const char* misra2004;    // "13.1"
  int misra2004_rule;       // the model's own rule number
  char misra2004_category;  // M (required) or O (advisory)
  const char* misra1998;
  const char* misra2012;
  const char* cert;
  const char* cwe;
  const char* misra_cpp;
  const char* jsf_av;
  const char* hicpp;
};

// The whole catalogue, in penalty-file order.
const std::vector<SampleStandard>& sample_standards();
// The standard (letter, number), or null.
const SampleStandard* find_sample_standard(char letter, int number);
// The standards of a language (2 C, 6 C++), in penalty-file order; entry i
// of the language's catalogue is element i.
std::vector<const SampleStandard*> standards_of_language(int language);

// The column of the penalty texts at which the standards references start:
// C's file names it on its first line, C++'s uses the default.
int standards_column(int language);

// The catalogue text of a standard with its parameter figure in place.
std::string standard_text(const SampleStandard& s);
// The references of a standard in a language, as the penalty file lists
// them after the standards column ("MISRA/DERA 35", "MISRA-C2 13.1", ...),
// in the order of the table of standards models.
std::vector<std::string> standard_references(const SampleStandard& s, int language);

// "pen.dat" of a language: the count line, then one line per standard.
bool write_penalty_file(const std::string& path, int language);
// "report.dat" of a language: model lines, one line per standard, exclusions.
bool write_report_file(const std::string& path, int language);
// The model names and the description lines "report.dat" lists for a
// language (unquoted), in file order.
std::vector<std::string> report_model_names(int language);
std::vector<std::string> report_model_descriptions(int language);
// The quoted model annotations of a standard's report line, unquoted.
std::vector<std::string> report_annotations(const SampleStandard& s, int language);

// The standards help pages under the suite directory, in the current
// layout ("standards_info/html/standards.htm") and the older one
// ("Standards_and_MISRA_info/Standard/standard.html"); every standard has
// an anchor "standard_<letter><number>" (letter in lower case).
bool write_standards_pages(const std::string& suite_dir);

// The GLQ records of a language's catalogue: the penalty document's
// records (types 90 and 93, and 91 and 92 for the report configuration
// without a model) and the model descriptions (type 80).
std::vector<GlhRecordContent> glq_penalty_records(int language);
std::vector<GlhRecordContent> glq_description_records(int language);

// The suite profile: main section "C/C++ Vexa Kelvar" with the directory
// variables and the annotation switches a demonstration wants.
struct SampleProfile {
  std::string suite_dir;  // KELV
  std::string work_dir;   // WORKDIR
  std::string perm_dir;   // PERMDIR
};
std::string profile_text(const SampleProfile& profile);

}  // namespace sorvi_sample
