// The data-flow file (".sf3") of an analysed module: the variables each
// block defines as its last action or references as its first action, and
// the possible UR anomalies (a variable referenced while undefined).
//
// Record lines (after the module, procedure and type fields of 4
// characters each; positions count from column 13):
//   312 data-flow item - 12 characters skipped, the block number (W + 1
//                        characters), the kind (2 characters: 1 defined as
//                        last action, 2 referenced as first action), a
//                        number (4 characters, not kept), the variable
//                        name (rest of the line, trailing blanks removed);
//   316 UR anomaly     - two integers skipped, the undefined line (7
//                        characters), the referenced line (7 characters,
//                        signed; a negative value is stored as its magnitude
//                        with `negated` set), then a counted name: a
//                        3-character length, one blank, that many characters.
// Other record types are read past.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "base/large_array.h"

namespace sorvi {

struct DataflowItem {
  int procedure_number = 0;
  int block_number = 0;
  std::string name;
};
// Ordered by procedure number, then block number; items with equal numbers
// keep file order.
using dataflow_list = large_vector<DataflowItem>;

struct UrAnomaly {
  int undefined_line = 0;
  int referenced_line = 0;  // never negative
  int negated = 0;          // 1 when the file gave the referenced line negated
  std::string name;
};
// Ordered by undefined line; equal lines keep file order.
using ur_anomaly_list = large_vector<UrAnomaly>;

struct DataflowLists {
  dataflow_list lastDefs;   // kind 1: defined as the block's last action
  dataflow_list firstUses;  // kind 2: referenced as the block's first action
  ur_anomaly_list urAnomalies;
};

// Reads "<stem>.sf3" (a relative stem is placed in the work directory) in
// repository-first mode with the module's GLH file and repository name
// (either may be null), adding to `lists`.
//   procedure - below 1: every record; otherwise only that procedure's.
// UR anomalies are read only while the profile switch SORVI_UR_ANOMS
// (default true) is set. False when the file does not open, or when memory
// ran out: the exit status is then 14 and "Error in adding new ur data -
// memory overflow" or "Error in adding new ur name string - memory
// overflow" has gone with code 100 to channel B. What was read stays.
bool read_dataflow_file(const char* stem, const char* glh_file, const char* repository_name, int procedure,
                        DataflowLists& lists);
// The same from an open stream, with the UR switch given. With
// `unreported`, a memory overflow is not reported (nor the exit status
// set): its message is handed back there, for a caller reading on a second
// thread to report on its own.
bool read_dataflow_file(FILE* stream, int procedure, bool ur_anomalies, DataflowLists& lists,
                        const char** unreported = nullptr);

}  // namespace sorvi
