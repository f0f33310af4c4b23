// Layout of the records of the GLQ repository: the penalty catalogue, the
// report configuration and the standards model descriptions kept in a GLH
// file.
//
// Documents (in the repository opened with the type name "glq"):
//   "$$VEXA_C_PENALTIES$$" (language 2), "$$VEXA_CPP_PENALTIES$$" (language
//   6), "$$VEXA_PENALTIES$$" (others): records of types 90 to 93;
//   "$$VEXA_C_MODEL_DESCRIPTIONS$$", "$$VEXA_CPP_MODEL_DESCRIPTIONS$$",
//   "$$VEXA_MODEL_DESCRIPTIONS$$": records of type 80.
// Read them with glh_read_all_records (glh_library.h) and walk the records by
// their type code, fields[kGlFieldType].
//
// Each record is a GlhRecord: 14 integers, a key text and a value text. The
// storage fields are fixed for every record (3 type, 4 rows, 12 text length,
// 13 key length; see glh_handles.h). The other fields of each type:
//
// Type 80, model description:
//   value text: the description (no key text).
//
// Type 90, penalty:
//   0 entry index (0..1000; records with others are ignored)
//   1 penalty_number          5 code_d             8 has_parameter
//   2 letter (character code) 6 standard_number    9 is_mr
//                             7 parameter
//   key text:   the type string, copied to standards_text unless it is
//               "$$NO_TYPE_STRING$$" (then empty);
//   value text: the name, copied to text unless it is "$$NO_NAME_STRING$$"
//               (then empty).
//   Both texts are always present: the writer stores the placeholders for
//   empty ones, so the key length (field 13) is never 0.
//
// Type 91, report configuration entry:
//   0 entry index   1 reported   2 category   5 reserved integer
//   6 category_letter (character code)   7 special   8 value_a
//
// Type 92, model annotations of an entry:
//   0 entry index   1 value_b
//   value text: the model annotations, separated by semicolons.
//
// Type 93, penalty references:
//   0 entry index   1 code_b   2 code_c
//   value text: the external-standard references, separated by semicolons.
//
// Fields not named above are 0. The test support writer builds such records
// with glq_model_description_record, glq_penalty_record,
// glq_report_entry_record, glq_annotation_record and glq_references_record
// (tests/support/glh_writer.h); a GLH file holding the catalogue is written
// with GlhWriter::add_record_document.
#pragma once

namespace sorvi {

// Record type codes.
constexpr int kGlqModelDescription = 80;
constexpr int kGlqPenalty = 90;
constexpr int kGlqReportEntry = 91;
constexpr int kGlqAnnotations = 92;
constexpr int kGlqReferences = 93;

// Field of every GLQ record except type 80: the entry index.
constexpr int kGlqFieldEntry = 0;

// Type 90.
constexpr int kGlqPenaltyNumber = 1;
constexpr int kGlqPenaltyLetter = 2;
constexpr int kGlqPenaltyCodeD = 5;
constexpr int kGlqPenaltyStandardNumber = 6;
constexpr int kGlqPenaltyParameter = 7;
constexpr int kGlqPenaltyHasParameter = 8;
constexpr int kGlqPenaltyIsMr = 9;

// Type 91.
constexpr int kGlqReportReported = 1;
constexpr int kGlqReportCategory = 2;
constexpr int kGlqReportReserved = 5;
constexpr int kGlqReportCategoryLetter = 6;
constexpr int kGlqReportSpecial = 7;
constexpr int kGlqReportValueA = 8;

// Type 92.
constexpr int kGlqAnnotationsValueB = 1;

// Type 93.
constexpr int kGlqReferencesCodeB = 1;
constexpr int kGlqReferencesCodeC = 2;

// Placeholders of the type 90 texts.
constexpr const char kGlqNoTypeString[] = "$$NO_TYPE_STRING$$";
constexpr const char kGlqNoNameString[] = "$$NO_NAME_STRING$$";

// Document names.
constexpr const char kGlqCPenalties[] = "$$VEXA_C_PENALTIES$$";
constexpr const char kGlqCppPenalties[] = "$$VEXA_CPP_PENALTIES$$";
constexpr const char kGlqPenalties[] = "$$VEXA_PENALTIES$$";
constexpr const char kGlqCModelDescriptions[] = "$$VEXA_C_MODEL_DESCRIPTIONS$$";
constexpr const char kGlqCppModelDescriptions[] = "$$VEXA_CPP_MODEL_DESCRIPTIONS$$";
constexpr const char kGlqModelDescriptions[] = "$$VEXA_MODEL_DESCRIPTIONS$$";

}  // namespace sorvi
