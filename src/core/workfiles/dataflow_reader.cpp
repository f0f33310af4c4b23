#include "workfiles/dataflow_reader.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <new>

#include "base/sorted_runs.h"
#include "config/profile.h"
#include "workfiles/block_file.h"
#include "workfiles/reader_memory.h"
#include "workfiles/record_line.h"
#include "workfiles/stem_files.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

constexpr int kDataflowRecord = 312;
constexpr int kUrAnomalyRecord = 316;
constexpr int kLastDefinition = 1;
constexpr int kFirstUse = 2;

bool procedure_matches(int filter, int procedure) { return filter < 1 || filter == procedure; }

// A stable sort, about one pass over a list that is mostly in order; many
// runs go to the general stable sort.
template <typename List, typename Less>
void sort_in_runs(List& list, Less less) {
  if (!merge_sorted_runs(list, less)) std::stable_sort(list.begin(), list.end(), less);
}

// Items are appended while reading and put in order once at the end: a
// stable order by procedure, then block, places each item after the items
// already there with the same procedure and a smaller or equal block, as
// inserting one by one would, without moving the list for every item.
void sort_items(dataflow_list& list) {
  sort_in_runs(list, [](const DataflowItem& a, const DataflowItem& b) {
    if (a.procedure_number != b.procedure_number) return a.procedure_number < b.procedure_number;
    return a.block_number < b.block_number;
  });
}

// UR anomalies likewise, in ascending undefined line.
void sort_anomalies(ur_anomaly_list& list) {
  sort_in_runs(list, [](const UrAnomaly& a, const UrAnomaly& b) { return a.undefined_line < b.undefined_line; });
}

// The counted name of a UR record: a 3-character length, one blank, then
// that many characters (fewer when the line ends first). False when the
// length is missing or negative or the separator is not a blank.
bool read_counted_name(RecordLine& line, std::string& name) {
  int length = 0;
  bool ended = false;
  const int taken = line.fixed_signed(3, &length, &ended);
  if (ended || taken == 0 || length < 0) return false;
  if (line.next_char() != ' ') return false;
  name = line.rest(static_cast<size_t>(length));
  return true;
}

}  // namespace

bool read_dataflow_file(const char* stem, const char* glh_file, const char* repository_name, int procedure,
                        DataflowLists& lists) {
  WorkFile file = open_stem_work_file(stem, ".sf3", glh_file, repository_name);
  FILE* stream = work_file_stream(file.get());
  if (!stream) return false;
  const bool ur_anomalies = get_profile_bool("SORVI_UR_ANOMS", true, false);
  return read_dataflow_file(stream, procedure, ur_anomalies, lists);
}

namespace {

// A memory overflow is reported at once, or with `unreported` handed back
// for the caller to report.
bool read_dataflow_records(FILE* stream, int procedure, bool ur_anomalies, DataflowLists& lists,
                           const char** unreported) {
  auto overflow = [unreported](const char* message) {
    if (unreported) {
      *unreported = message;
    } else {
      report_reader_memory_overflow(message);
    }
  };
  const int block_width = line_number_width() + 1;
  try {
    // Room for an item per line in either list, so that neither moves
    // while it grows (the part not filled is never touched).
    const size_t lines = lines_ahead(stream);
    try {
      lists.lastDefs.reserve(lists.lastDefs.size() + lines);
      lists.firstUses.reserve(lists.firstUses.size() + lines);
    } catch (const std::bad_alloc&) {
      // They grow as they go.
    }
    std::string text;
    const char* data = nullptr;
    size_t size = 0;
    while (read_record_line(stream, text, &data, &size)) {
      RecordLine line(data, size);
      const RecordHead head = line.head();
      if (head.type == kDataflowRecord) {
        line.skip(12);
        DataflowItem item;
        item.procedure_number = head.procedure_number;
        item.block_number = line.fixed(block_width);
        if (line.failed() || !procedure_matches(procedure, head.procedure_number)) continue;
        const int kind = line.fixed(2);
        line.fixed(4);
        item.name = line.rest(kRecordLineMax);
        trim_trailing_blanks(item.name);
        if (kind == kLastDefinition) {
          lists.lastDefs.push_back(std::move(item));
        } else if (kind == kFirstUse) {
          lists.firstUses.push_back(std::move(item));
        }
      } else if (head.type == kUrAnomalyRecord && ur_anomalies) {
        if (!line.scan_int(nullptr) || !line.scan_int(nullptr)) continue;
        UrAnomaly anomaly;
        bool ended = false;
        line.fixed_signed(7, &anomaly.undefined_line, &ended);
        int referenced = 0;
        line.fixed_signed(7, &referenced, &ended);
        if (ended) continue;
        if (referenced < 0) {
          anomaly.negated = 1;
          anomaly.referenced_line = referenced == INT_MIN ? INT_MAX : -referenced;
        } else {
          anomaly.referenced_line = referenced;
        }
        std::string name;
        if (!read_counted_name(line, name)) continue;
        if (!procedure_matches(procedure, head.procedure_number)) continue;
        if (reader_allocation_fails()) {
          overflow("Error in adding new ur data - memory overflow");
          return false;
        }
        if (reader_allocation_fails()) {
          overflow("Error in adding new ur name string - memory overflow");
          return false;
        }
        try {
          anomaly.name = std::move(name);
          lists.urAnomalies.push_back(std::move(anomaly));
        } catch (const std::bad_alloc&) {
          overflow("Error in adding new ur data - memory overflow");
          return false;
        }
      }
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

bool read_dataflow_file(FILE* stream, int procedure, bool ur_anomalies, DataflowLists& lists,
                        const char** unreported) {
  if (!stream) return false;
  const bool ok = read_dataflow_records(stream, procedure, ur_anomalies, lists, unreported);
  sort_items(lists.lastDefs);
  sort_items(lists.firstUses);
  sort_anomalies(lists.urAnomalies);
  return ok;
}

}  // namespace sorvi
