#include "glh/glh_internals.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "glh/glh_api.h"
#include "glh/glh_heap_check.h"
#include "glh/glh_lib_open_close.h"

namespace sorvi {
namespace {

static_assert(sizeof(hid_t) == sizeof(GlhId), "handles keep HDF5 identifiers unchanged");
static_assert(offsetof(GlRow, name) == kGlNameOffset, "the row's text sits at offset 56");

// Most values an integer header attribute may hold before it is refused.
constexpr hssize_t kMaxHeaderValues = 4096;

struct TypeName {
  const char* letters;
  int code;
};

const TypeName kTypeNames[] = {
    {"GLB", kGlhTypeGLB}, {"GLC", kGlhTypeGLC}, {"GLK", kGlhTypeGLC}, {"GLD", kGlhTypeGLD}, {"GLM", kGlhTypeGLM},
    {"GLN", kGlhTypeGLN}, {"GLP", kGlhTypeGLP}, {"GLQ", kGlhTypeGLQ}, {"GLT", kGlhTypeGLT}, {"GLX", kGlhTypeGLX},
    {"DOC", kGlhTypeDOC}, {"GLS", kGlhTypeGLS}, {"DYN", kGlhTypeDYN},
};

const char* const kGroupNames[] = {
    "GLB_Repository", "GLC_Repository", "GLD_Repository", "GLM_Repository", "GLN_Repository", "GLP_Repository",
    "GLQ_Repository", "GLT_Repository", "GLX_Repository", "DOC_Repository", "GLS_Repository", "DYN_Repository",
};

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool row_is_empty(const GlRow& row) {
  for (int32_t f : row.fields) {
    if (f != 0) return false;
  }
  return true;
}

// Reads `count` rows selected by file_space of a dataset; false on failure.
bool read_rows(hid_t dataset, hid_t file_space, size_t count, std::vector<GlRow>& rows) {
  if (count > kGlhMaxReadRows) return false;
  try {
    rows.assign(count, GlRow{});
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (count == 0) return true;
  const hsize_t dims[1] = {count};
  hid_t mem_space = HDFScreate_simple(1, dims, nullptr, __FILE__, __LINE__);
  if (mem_space < 0) return false;
  herr_t status = glh_read_gl_rows(dataset, mem_space, file_space, H5P_DEFAULT, rows.data(), __FILE__, __LINE__);
  HDFSclose(mem_space, __FILE__, __LINE__);
  return status >= 0;
}

// One key of an index: the rows its region reference selects.
bool read_key(hid_t by_name, const char* key, std::vector<GlhRecord>& records) {
  if (HDFAexists(by_name, key, __FILE__, __LINE__) <= 0) return false;
  hid_t attr = HDFAopen(by_name, key, __FILE__, __LINE__);
  if (attr < 0) return false;
  bool ok = false;
  hid_t attr_space = HDFAget_space(attr, __FILE__, __LINE__);
  hssize_t values = attr_space < 0 ? -1 : HDFSget_simple_extent_npoints(attr_space, __FILE__, __LINE__);
  if (attr_space >= 0) HDFSclose(attr_space, __FILE__, __LINE__);
  hdset_reg_ref_t ref;
  std::memset(&ref, 0, sizeof ref);
  // The reference's stored selection is checked before HDF5 decodes it.
  if (values == 1 && HDFAreadStdRefDsetreg(attr, &ref, __FILE__, __LINE__) >= 0 &&
      glh_region_reference_is_sound(by_name, ref)) {
    hid_t dataset = HDFRdereferenceDatasetRegion(by_name, &ref, __FILE__, __LINE__);
    if (dataset >= 0) {
      hid_t region = HDFRget_region(dataset, &ref, __FILE__, __LINE__);
      if (region >= 0) {
        hssize_t points = HDFSget_select_npoints(region, __FILE__, __LINE__);
        std::vector<GlRow> rows;
        if (points >= 0 && points <= INT_MAX && read_rows(dataset, region, static_cast<size_t>(points), rows)) {
          ok = glh_decode_rows(rows.data(), rows.size(), -1, records);
        }
        HDFSclose(region, __FILE__, __LINE__);
      }
      HDFDclose(dataset, __FILE__, __LINE__);
    }
  }
  HDFAclose(attr, __FILE__, __LINE__);
  return ok;
}

struct IndexVisit {
  int kind;
  size_t room;
  GlhRecordSetList* list;
};

herr_t visit_key(hid_t location, const char* key, const H5A_info_t*, void* data) {
  // Nothing may unwind through HDF5's own frames.
  try {
    IndexVisit* visit = static_cast<IndexVisit*>(data);
    if (!key || visit->list->sets.size() >= visit->room) return -1;
    GlhRecordSet set;
    set.kind = visit->kind;
    set.name = key;
    if (!read_key(location, key, set.records)) return -1;
    visit->list->sets.push_back(std::move(set));
    return 0;
  } catch (...) {
    return -1;
  }
}

void close_group(GlhId& id) {
  if (id >= 0) HDFGclose(id, __FILE__, __LINE__);
  id = kGlhNone;
}

void close_dataset(GlhId& id) {
  if (id >= 0) HDFDclose(id, __FILE__, __LINE__);
  id = kGlhNone;
}

}  // namespace

int glh_type_code(const char* type_name) {
  if (!type_name) return kGlhTypeNone;
  if (std::strlen(type_name) < 3) return kGlhTypeNone;
  for (const TypeName& t : kTypeNames) {
    if (upper(type_name[0]) == t.letters[0] && upper(type_name[1]) == t.letters[1] &&
        upper(type_name[2]) == t.letters[2]) {
      return t.code;
    }
  }
  return kGlhTypeNone;
}

const char* glh_repository_group_name(int code) {
  if (code < 0 || code > kGlhTypeDYN) return nullptr;
  return kGroupNames[code];
}

std::string glh_map_name(const std::string& name) {
  std::string mapped = name;
  for (char& c : mapped) {
    if (c == '/') {
      c = '\\';
    } else if (c == '?') {
      c = '/';
    }
  }
  return mapped;
}

bool glh_path_exists(hid_t loc, const std::string& path, const char* file, int line) {
  if (path.empty()) return false;
  std::string partial;
  size_t at = 0;
  bool any = false;
  while (at <= path.size()) {
    size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    std::string level = path.substr(at, slash - at);
    at = slash + 1;
    if (level.empty()) continue;  // doubled or outer separators name no level
    if (!partial.empty()) partial += '/';
    partial += level;
    if (HDFLexists(loc, partial.c_str(), file, line) <= 0) return false;
    any = true;
  }
  return any;
}

bool glh_read_int_header(hid_t obj, const char* name, int* values, int max_values, const char* file, int line) {
  for (int i = 0; i < max_values; ++i) values[i] = 0;
  if (HDFAexists(obj, name, file, line) <= 0) return false;
  hid_t attr = HDFAopen(obj, name, file, line);
  if (attr < 0) return false;
  bool ok = false;
  hid_t space = HDFAget_space(attr, file, line);
  hssize_t count = space < 0 ? -1 : HDFSget_simple_extent_npoints(space, file, line);
  if (space >= 0) HDFSclose(space, file, line);
  if (count >= 0 && count <= kMaxHeaderValues) {
    std::vector<int> all(static_cast<size_t>(count) + 1, 0);
    if (HDFAreadNativeInt(attr, all.data(), file, line) >= 0) {
      for (int i = 0; i < max_values && i < count; ++i) values[i] = all[static_cast<size_t>(i)];
      ok = true;
    }
  }
  HDFAclose(attr, file, line);
  return ok;
}

size_t glh_count_records(const GlRow* rows, size_t count) {
  size_t records = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!row_is_empty(rows[i]) && rows[i].fields[kGlFieldRows] < 2) ++records;
  }
  return records;
}

GlhRecord glh_decode_record(const GlRow* rows, int span) {
  GlhRecord rec;
  for (int f = 0; f < kGlFieldCount; ++f) rec.fields[static_cast<size_t>(f)] = rows[0].fields[f];
  long long total = 0;
  std::string text;
  for (int r = 0; r < span; ++r) {
    total += rows[r].fields[kGlFieldTextLength];
    text.append(rows[r].name, strnlen(rows[r].name, kGlNameSize));
  }
  if (total > INT_MAX) total = INT_MAX;
  if (total < INT_MIN) total = INT_MIN;
  const long long first = rows[0].fields[kGlFieldFirstPart];
  rec.fields[kGlFieldRows] = 0;
  rec.fields[kGlFieldTextLength] = static_cast<int32_t>(total);
  rec.fields[kGlFieldFirstPart] = static_cast<int32_t>(first);

  const long long have = static_cast<long long>(text.size());
  if (first == 0 && total > 0) {
    rec.value = text;
  } else if (first > 0 && total == first) {
    rec.key = text;
  } else if (first > 0 && total > first) {
    rec.key = text.substr(0, static_cast<size_t>(first < have ? first : have));
    // The character at position `first` separates key and value.
    if (total <= have) rec.value = text.substr(static_cast<size_t>(first + 1), static_cast<size_t>(total - first - 1));
  }
  return rec;
}

bool glh_decode_rows(const GlRow* rows, size_t count, long long row_limit, std::vector<GlhRecord>& out) {
  out.clear();
  const size_t records = glh_count_records(rows, count);
  out.resize(records);
  size_t row = 0;
  size_t taken = 0;
  while (row < count && taken < records && (row_limit < 0 || static_cast<long long>(row) < row_limit)) {
    // Empty rows hold no record (they are not counted either).
    if (row_is_empty(rows[row])) {
      ++row;
      continue;
    }
    const long long k = rows[row].fields[kGlFieldRows];
    const size_t span = k < 1 ? 1 : static_cast<size_t>(k);
    if (span > count - row) {
      out.clear();
      return false;
    }
    if (span <= static_cast<size_t>(kGlMaxRecordRows))
      out[taken] = glh_decode_record(rows + row, static_cast<int>(span));
    ++taken;
    row += span;
  }
  return true;
}

std::vector<std::pair<int, int>> glh_long_records(const std::vector<GlhRecord>& records) {
  std::vector<std::pair<int, int>> longs;
  for (size_t i = 0; i < records.size(); ++i) {
    const int length = records[i].fields[kGlFieldTextLength];
    if (length > kGlRowTextMax) longs.emplace_back(static_cast<int>(i), (length - 1) / kGlRowTextMax);
  }
  return longs;
}

GlhRecordSet* glh_read_table(const GlhDocument& doc) {
  if (doc.records < 0) return nullptr;
  hid_t space = HDFDget_space(doc.records, __FILE__, __LINE__);
  if (space < 0) return nullptr;
  hsize_t dims[H5S_MAX_RANK] = {0};
  int rank = HDFSget_simple_extent_dims(space, dims, nullptr, __FILE__, __LINE__);
  std::vector<GlRow> rows;
  bool ok =
      rank == 1 && dims[0] <= kGlhMaxReadRows && read_rows(doc.records, space, static_cast<size_t>(dims[0]), rows);
  HDFSclose(space, __FILE__, __LINE__);
  if (!ok) return nullptr;
  std::unique_ptr<GlhRecordSet> set;
  try {
    set.reset(new GlhRecordSet);
    set->kind = kGlhRecordSetWhole;
    set->name = "Everything";
    if (!glh_decode_rows(rows.data(), rows.size(), doc.row_count, set->records)) return nullptr;
  } catch (...) {
    return nullptr;
  }
  return set.release();
}

GlhRecordSetList* glh_read_index_sets(GlhDocument& doc, const char* index_name, int kind) {
  if (!index_name || !*index_name || doc.group < 0) return nullptr;
  size_t slot = 0;
  while (slot < doc.index_slots.size() && doc.index_slots[slot][0] >= 0) ++slot;
  if (slot == doc.index_slots.size()) return nullptr;

  const bool opened_index = doc.index_group < 0;
  if (opened_index) {
    if (HDFLexists(doc.group, "Index", __FILE__, __LINE__) <= 0) return nullptr;
    doc.index_group = HDFGopen(doc.group, "Index", __FILE__, __LINE__);
    if (doc.index_group < 0) {
      doc.index_group = kGlhNone;
      return nullptr;
    }
  }
  std::array<GlhId, 4>& ids = doc.index_slots[slot];
  auto fail = [&]() -> GlhRecordSetList* {
    close_group(ids[1]);
    close_group(ids[0]);
    if (opened_index) close_group(doc.index_group);
    return nullptr;
  };
  if (HDFLexists(doc.index_group, index_name, __FILE__, __LINE__) <= 0) return fail();
  ids[0] = HDFGopen(doc.index_group, index_name, __FILE__, __LINE__);
  if (ids[0] < 0) {
    ids[0] = kGlhNone;
    return fail();
  }
  if (HDFLexists(ids[0], "By_Name", __FILE__, __LINE__) <= 0) return fail();
  ids[1] = HDFGopen(ids[0], "By_Name", __FILE__, __LINE__);
  if (ids[1] < 0) {
    ids[1] = kGlhNone;
    return fail();
  }
  const int keys = HDFAget_num_attrs(ids[1], __FILE__, __LINE__);
  if (keys <= 0) return fail();

  std::unique_ptr<GlhRecordSetList> list;
  try {
    list.reset(new GlhRecordSetList);
    list->sets.reserve(static_cast<size_t>(keys));
  } catch (...) {
    return fail();
  }
  IndexVisit visit{kind, static_cast<size_t>(keys), list.get()};
  if (HDFAiterate(ids[1], visit_key, &visit, __FILE__, __LINE__) < 0) return fail();
  return list.release();
}

void glh_close_document_objects(GlhDocument& doc) {
  for (auto& slot : doc.index_slots) {
    for (size_t i = slot.size(); i-- > 0;) close_group(slot[i]);
  }
  close_group(doc.index_group);
  close_dataset(doc.auxiliary);
  close_dataset(doc.records);
  for (GlhId& id : doc.dyn_workfile_sets) close_dataset(id);
  for (GlhId& id : doc.dyn_coverage_sets) close_dataset(id);
  close_group(doc.dyn_workfiles);
  close_group(doc.dyn_coverage);
  close_group(doc.group);
}

}  // namespace sorvi
