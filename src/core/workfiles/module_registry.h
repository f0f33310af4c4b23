// The module registry "staticid.dat" of the work directory: every analysed
// source file in registration order. A file's position (from 1) is its
// module number, which makes the stem of its work files unique ("util_2")
// when two analysed files share a base name.
//
// The registry is read under the cross-process lock "staticid.dat" through
// the work-file opener (the GLH file's "$$CFG_REPOSITORY$$" / "staticid"
// copy first, then the plain file) and kept for the process. The queries
// below load it on first use.
//
// Record format, one line per file, read strictly by column:
//   1-5   an integer, ignored
//   6-10  the stored name checksum
//   11-15 the name length N
//   then  N characters of base name (blanks included)
//   then  optionally: an integer, a blank, the language code
#pragma once

#include <string>

#include "base/lists.h"

namespace sorvi {

// The registry file's name, the lock that guards it, and its copy in a
// GLH file.
constexpr const char* kRegistryFileName = "staticid.dat";
constexpr const char* kRegistryRepositoryName = "$$CFG_REPOSITORY$$";
constexpr const char* kRegistryDatasetName = "staticid";

// Positions in a registry entry's `values`.
constexpr int kRegistryChecksum = 0;
constexpr int kRegistryLanguage = 1;
constexpr int kRegistrySpare = 2;

// The checksum that identifies a file: over the file's full path (the name
// unchanged when it has none), upper-cased (ASCII letters only), its bytes
// as signed 8-bit values summed into four accumulators by position mod 4,
// folded to ((a0 ^ a2) << 16) + (a1 ^ a3) in 32 bits, then the magnitude of
// the remainder of the division by 100000. 0..99999.
int name_checksum(const char* file_name);

// The full path of "staticid.dat" in a work directory (trailing blanks of
// the directory removed).
std::string registry_path(const char* work_directory);

// Reads the registry of `work_directory` (null: the profile's work
// directory), taking the GLH file's copy when it holds one. Returns true
// when a source opened; otherwise "Error trying to open <path>" goes with
// code 100 to channel B of the fatal report and the registry stays empty.
// A broken record ends the reading; the records before it are kept.
bool load_module_registry(const char* work_directory, const char* glh_file);

// Loads the registry of the profile's work directory unless it is already
// loaded from there. A non-null `glh_file` that differs from the one the
// registry was loaded with also reloads it; null keeps whatever is loaded.
void ensure_module_registry(const char* glh_file);

// The registry as loaded, in file order. Each entry's `name` is the stored
// base name; `values` holds the checksum, the language code and the spare
// integer (kRegistryChecksum, kRegistryLanguage, kRegistrySpare).
const named_int_list& module_registry();

// The module number of a file (its 1-based position in the registry), 0
// when no record matches. A record matches when its name equals the file's
// base name (ignoring case) and its checksum equals the file's name
// checksum, or its checksum and language code are both 0 (a name-only
// record); the first match wins. With `report`, an empty name or no match
// sends an error block to channel B.
int module_number_of(const char* file_name, bool report, const char* glh_file = nullptr);

// The language code of the matching record, 0 when none matches.
int language_code_of(const char* file_name, const char* glh_file = nullptr);

// The work-file stem of a file: "<base name>_<module number>" when a record
// other than a name-only record matches, else the base name. With `report`,
// no match sends an error block listing the registry to channel B.
std::string retrieve_workname_stem(const char* file_name, bool report, const char* glh_file = nullptr);

// The stem of a module number: the stored name, or "<name>_<number>" with
// `with_number`. False (and `stem` empty) when the registry has no such
// record; with `report`, "Unable to get stem for module %d in staticid.dat"
// then goes to channel B with code 101.
bool module_stem(int module_number, bool with_number, bool report, std::string& stem,
                 const char* glh_file = nullptr);

// Forgets the registry (tests start clean with it).
void reset_module_registry();

}  // namespace sorvi
