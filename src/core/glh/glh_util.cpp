#include "glh/glh_util.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "base/file_utils.h"
#include "config/profile.h"
#include "glh/glh_api.h"
#include "glh/glh_heap_check.h"
#include "glh/glh_handles.h"
#include "glh/glh_internals.h"
#include "glh/glh_lib_open_close.h"
#include "glh/glh_library.h"

namespace sorvi {
namespace {

constexpr int kLibraryHeaderValues = 20;
constexpr int kDefaultBlockSize = 65536;
// Most entries read at once, to bound what a damaged header can make us
// allocate (a work file of 16 million lines still reads in one go).
constexpr hsize_t kMaxEntriesPerRead = hsize_t{1} << 24;

struct BlockSizeCache {
  bool known = false;
  int value = kDefaultBlockSize;
};

BlockSizeCache& block_size_cache() {
  static BlockSizeCache cache;
  return cache;
}

bool usable_text(const char* text) { return text && *text; }

// Runs an operation so that no exception leaves this unit: an exception
// (only an allocation failure can raise one) gives the failure result.
template <typename R, typename Body>
R without_exceptions(R failure, Body body) {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// A document group of a GLH file opened on its own (no library handle).
struct WorkDocument {
  hid_t file = -1;
  hid_t group = -1;

  WorkDocument() = default;
  WorkDocument(const WorkDocument&) = delete;
  WorkDocument& operator=(const WorkDocument&) = delete;
  ~WorkDocument() {
    if (group >= 0) HDFGclose(group, __FILE__, __LINE__);
    if (file >= 0) HDFFclose(file, 0, __FILE__, __LINE__);
  }
};

// Opens the GLH file read-only and the group repository_path/file_name,
// testing every level first so a missing one is quiet.
bool open_work_document(const char* repository_path, const char* file_name, const char* glh_path, WorkDocument& doc) {
  if (!usable_text(repository_path) || !usable_text(file_name) || !usable_text(glh_path)) return false;
  if (std::strlen(glh_path) > kMaxPath) return false;
  glh_lib_open();
  hid_t access = HDFdenseStorageProperty(__FILE__, __LINE__);
  if (access < 0) return false;
  hid_t file = HDFFopen(glh_path, H5F_ACC_RDONLY, access, __FILE__, __LINE__);
  HDFPclose(access, __FILE__, __LINE__);
  if (file < 1) return false;
  doc.file = file;
  if (!glh_file_heaps_are_sound(file)) return false;
  const std::string repository = glh_map_name(repository_path);
  if (!glh_path_exists(file, repository, __FILE__, __LINE__)) return false;
  const std::string full = repository + "/" + glh_map_name(file_name);
  if (!glh_path_exists(file, full, __FILE__, __LINE__)) return false;
  hid_t group = HDFGopen(file, full.c_str(), __FILE__, __LINE__);
  if (group < 0) return false;
  doc.group = group;
  return true;
}

// The dataspace of a 1-D dataset holding at least `entries` elements, or -1.
hid_t entries_space(hid_t dataset, long long entries) {
  hid_t space = HDFDget_space(dataset, __FILE__, __LINE__);
  if (space < 0) return -1;
  hsize_t dims[H5S_MAX_RANK] = {0};
  int rank = HDFSget_simple_extent_dims(space, dims, nullptr, __FILE__, __LINE__);
  if (rank != 1 || entries < 0 || dims[0] < static_cast<hsize_t>(entries)) {
    HDFSclose(space, __FILE__, __LINE__);
    return -1;
  }
  return space;
}

// How read_entries treats the stored form of the entries it reads.
enum class Stored { kCheck, kCheckedBefore };

// Reads entries [start, start + count) of a text dataset as variable-length
// strings into `entries` (HDF5 owns the strings) and gives back the memory
// space that describes them, or -1. The entries' stored form is checked
// first unless the caller checked a range holding them.
hid_t read_entries(hid_t dataset, hid_t file_space, hsize_t start, hsize_t count, hid_t xfer,
                   std::vector<char*>& entries, Stored stored = Stored::kCheck) {
  if (count == 0 || count > kMaxEntriesPerRead) return -1;
  if (stored == Stored::kCheck && !glh_text_entries_are_sound(dataset, start, count)) return -1;
  try {
    entries.assign(static_cast<size_t>(count), nullptr);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  if (HDFSselect_hyperslab(file_space, &start, &count, __FILE__, __LINE__) < 0) return -1;
  hid_t mem_space = HDFScreate_simple(1, &count, nullptr, __FILE__, __LINE__);
  if (mem_space < 0) return -1;
  if (HDFDread(dataset, glh_variable_string_type(), mem_space, file_space, xfer, entries.data(), __FILE__, __LINE__) <
      0) {
    HDFDvlen_reclaim(glh_variable_string_type(), mem_space, xfer, entries.data(), __FILE__, __LINE__);
    HDFSclose(mem_space, __FILE__, __LINE__);
    entries.clear();
    return -1;
  }
  return mem_space;
}

void release_entries(hid_t mem_space, hid_t xfer, std::vector<char*>& entries) {
  HDFDvlen_reclaim(glh_variable_string_type(), mem_space, xfer, entries.data(), __FILE__, __LINE__);
  HDFSclose(mem_space, __FILE__, __LINE__);
  entries.clear();
}

// Gives an output stream a buffer of a megabyte, so that a text of many
// megabytes goes out in few writes; the buffer stays with the thread for
// the next stream (one at a time).
void use_large_buffer(FILE* out) {
  constexpr size_t kBuffer = size_t{1} << 20;
  thread_local std::unique_ptr<char[]> buffer;
  if (!buffer) buffer.reset(new (std::nothrow) char[kBuffer]);
  if (buffer) std::setvbuf(out, buffer.get(), _IOFBF, kBuffer);
}

// Chunks read in one hyperslab: each is still written on its own and in
// order, but the library is called once for this many of them.
constexpr long long kChunksPerRead = 32;

// Where the texts read straight from the file go (glh_read_text_entries):
// the library's own reading converts every text into a string of its own,
// through its cache, at several times the cost of copying the bytes, and
// the checks have already found where each text lies and how long it is.
struct TextOutput {
  FILE* out = nullptr;
  bool lines = false;    // each text followed by a line end
  bool written = false;  // a non-empty text was written
};

bool write_text(void* context, const char* text, size_t length) {
  TextOutput& o = *static_cast<TextOutput*>(context);
  if (length > 0) {
    o.written = true;
    if (std::fwrite(text, 1, length, o.out) != length) return false;
  }
  return !o.lines || std::fputc('\n', o.out) != EOF;
}

// Writes the entries as chunks. True when at least one non-empty entry was
// written and nothing failed.
bool write_chunks(hid_t dataset, hid_t space, long long entries, hid_t xfer, const char* output, bool append) {
  if (entries > 0 && !glh_text_entries_are_sound(dataset, 0, static_cast<uint64_t>(entries))) return false;
  FILE* out = std::fopen(output, append ? "ab" : "wb");
  if (!out) return false;
  use_large_buffer(out);
  TextOutput direct{out, false, false};
  const GlhTextRead read =
      entries > 0 ? glh_read_text_entries(dataset, glh_variable_string_type(), 0, static_cast<uint64_t>(entries),
                                          write_text, &direct)
                  : GlhTextRead::kRead;
  if (read != GlhTextRead::kNotHere) {
    const bool closed = std::fclose(out) == 0;
    return read == GlhTextRead::kRead && closed && direct.written;
  }
  bool ok = true;
  bool written = false;
  std::vector<char*> chunks;
  for (long long i = 0; i < entries && ok; i += kChunksPerRead) {
    const long long count = std::min(kChunksPerRead, entries - i);
    hid_t mem_space = read_entries(dataset, space, static_cast<hsize_t>(i), static_cast<hsize_t>(count), xfer, chunks,
                                   Stored::kCheckedBefore);
    if (mem_space < 0) {
      ok = false;
      break;
    }
    for (const char* chunk : chunks) {
      if (!ok || !chunk || !*chunk) continue;
      const size_t length = std::strlen(chunk);
      ok = std::fwrite(chunk, 1, length, out) == length;
      written = true;
    }
    release_entries(mem_space, xfer, chunks);
  }
  if (std::fclose(out) != 0) ok = false;
  return ok && written;
}

// Writes the entries as lines in blocks of the profile's block size.
bool write_lines(hid_t dataset, hid_t space, long long entries, hid_t xfer, const char* output, bool append) {
  const long long size = glh_block_size();
  const long long block = size < 1 || entries <= size ? entries : size;
  bool written = false;
  if (entries > 0 && !glh_text_entries_are_sound(dataset, 0, static_cast<uint64_t>(entries))) return false;
  // Asking for no entry tells whether the texts can be read straight from
  // the file (see TextOutput) or only through the library.
  const bool direct = glh_read_text_entries(dataset, glh_variable_string_type(), 0, 0, write_text, nullptr) !=
                      GlhTextRead::kNotHere;
  for (long long start = 0; start < entries; start += block) {
    const long long count = entries - start < block ? entries - start : block;
    if (direct) {
      FILE* out = std::fopen(output, append || written ? "ab" : "wb");
      if (!out) return false;
      use_large_buffer(out);
      TextOutput lines{out, true, false};
      const GlhTextRead read = glh_read_text_entries(dataset, glh_variable_string_type(), static_cast<uint64_t>(start),
                                                     static_cast<uint64_t>(count), write_text, &lines);
      const bool closed = std::fclose(out) == 0;
      if (read != GlhTextRead::kRead || !closed) return false;
      written = true;
      continue;
    }
    std::vector<char*> lines;
    hid_t mem_space = read_entries(dataset, space, static_cast<hsize_t>(start), static_cast<hsize_t>(count), xfer,
                                   lines, Stored::kCheckedBefore);
    if (mem_space < 0) return false;
    FILE* out = std::fopen(output, append || written ? "ab" : "wb");
    bool ok = out != nullptr;
    if (ok) use_large_buffer(out);
    for (size_t i = 0; ok && i < lines.size(); ++i) {
      if (lines[i] && *lines[i]) {
        const size_t length = std::strlen(lines[i]);
        ok = std::fwrite(lines[i], 1, length, out) == length;
      }
      if (ok) ok = std::fputc('\n', out) != EOF;
    }
    if (out && std::fclose(out) != 0) ok = false;
    release_entries(mem_space, xfer, lines);
    if (!ok) return false;
    written = true;
  }
  return written;
}

bool storage_is_chunked(const char* repository_path, const char* file_name, const char* glh_path) {
  WorkDocument doc;
  if (!open_work_document(repository_path, file_name, glh_path, doc)) return false;
  int header[kLibraryHeaderValues];
  if (!glh_read_int_header(doc.group, "Library_Header", header, kLibraryHeaderValues, __FILE__, __LINE__)) {
    return false;
  }
  return header[7] > 0;
}

int extract_text(const char* repository_path, const char* file_name, const char* glh_path, const char* output_path,
                 int append) {
  if (!usable_text(output_path) || std::strlen(output_path) > kMaxPath) return 0;
  WorkDocument doc;
  if (!open_work_document(repository_path, file_name, glh_path, doc)) return 0;
  int header[kLibraryHeaderValues];
  if (!glh_read_int_header(doc.group, "Library_Header", header, kLibraryHeaderValues, __FILE__, __LINE__)) {
    return 0;
  }
  const long long entries = header[6];
  if (entries < 0) return 0;
  if (entries == 0) {
    if (append) return 1;
    FILE* out = std::fopen(output_path, "wb");
    if (!out) return 0;
    return std::fclose(out) == 0 ? 1 : 0;
  }

  hid_t dataset = HDFDopen(doc.group, "Document", __FILE__, __LINE__);
  if (dataset < 0) return 0;
  bool ok = false;
  hid_t space = entries_space(dataset, entries);
  hid_t xfer = space < 0 ? -1 : HDFPcreateDatasetXfer(__FILE__, __LINE__);
  if (xfer >= 0) {
    if (header[7] == 1) {
      ok = write_chunks(dataset, space, entries, xfer, output_path, append != 0);
    } else {
      ok = write_lines(dataset, space, entries, xfer, output_path, append != 0);
    }
    HDFPclose(xfer, __FILE__, __LINE__);
  }
  if (space >= 0) HDFSclose(space, __FILE__, __LINE__);
  HDFDclose(dataset, __FILE__, __LINE__);
  return ok ? 1 : 0;
}

GlhTextBlock* read_text(const char* repository_path, const char* file_name, const char* glh_path) {
  if (!usable_text(repository_path) || !usable_text(file_name) || !usable_text(glh_path)) return nullptr;
  GlhLibrary* lib = glh_open_library(glh_path, "READ_ONLY");
  GlhRepository* repo = glh_open_repository_by_path(repository_path, lib);
  // Only a DOC repository keeps "Document" as a document's records dataset.
  GlhDocument* doc = repo && repo->type == kGlhTypeDOC ? glh_open_document(file_name, repo) : nullptr;
  std::unique_ptr<GlhTextBlock> block;
  bool ok = false;
  if (doc && doc->records >= 0 && doc->entry_count >= 0) {
    try {
      block.reset(new GlhTextBlock);
      block->name = doc->name;
      block->entry_count = doc->entry_count;
      if (doc->entry_count == 0) {
        char* empty = static_cast<char*>(std::calloc(1, 1));
        if (empty) {
          block->entries.push_back(empty);
          block->single_slot = true;
          ok = true;
        }
      } else {
        hid_t space = entries_space(doc->records, doc->entry_count);
        hid_t xfer = space < 0 ? -1 : HDFPcreateDatasetXfer(__FILE__, __LINE__);
        if (xfer >= 0) {
          hid_t mem_space =
              read_entries(doc->records, space, 0, static_cast<hsize_t>(doc->entry_count), xfer, block->entries);
          if (mem_space >= 0) {
            block->hdf5_owned = true;
            HDFSclose(mem_space, __FILE__, __LINE__);
            ok = true;
          }
          HDFPclose(xfer, __FILE__, __LINE__);
        }
        if (space >= 0) HDFSclose(space, __FILE__, __LINE__);
      }
    } catch (...) {
      ok = false;
    }
  }
  if (ok && HDFLexists(doc->group, "Auxiliary", __FILE__, __LINE__) > 0) {
    doc->auxiliary = HDFDopen(doc->group, "Auxiliary", __FILE__, __LINE__);
    hid_t space = doc->auxiliary < 0 ? -1 : entries_space(doc->auxiliary, 2);
    if (space >= 0) {
      std::vector<char*> side;
      hid_t mem_space = read_entries(doc->auxiliary, space, 0, 2, H5P_DEFAULT, side);
      if (mem_space >= 0) {
        try {
          if (side[0]) block->auxiliary1 = std::string(side[0]);
          if (side[1]) block->auxiliary2 = std::string(side[1]);
        } catch (...) {
        }
        release_entries(mem_space, H5P_DEFAULT, side);
      }
      HDFSclose(space, __FILE__, __LINE__);
    }
    if (doc->auxiliary < 0) doc->auxiliary = kGlhNone;
  }
  glh_close_document(&doc);
  glh_close_repository(&repo);
  glh_close_library(&lib);
  if (!ok) {
    GlhTextBlock* partial = block.release();
    glh_free_text_block(&partial);
    return nullptr;
  }
  return block.release();
}

}  // namespace

int glh_block_size() {
  BlockSizeCache& cache = block_size_cache();
  if (!cache.known) {
    cache.value = get_profile_int("GLH_BLOCK_SIZE", kDefaultBlockSize, false, nullptr);
    cache.known = true;
  }
  return cache.value;
}

void reset_glh_block_size() { block_size_cache() = BlockSizeCache(); }

bool glh_ready_for_a_second_thread() {
  hbool_t threadsafe = 0;
  if (H5is_library_threadsafe(&threadsafe) < 0 || !threadsafe) return false;
  glh_lib_open();
  glh_block_size();
  glh_diagnostics_on();
  return true;
}

void glh_quiet_this_thread() { H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr); }

int glh_work_file_present(const char* repository_path, const char* file_name, const char* glh_path) {
  return without_exceptions(0, [&] {
    WorkDocument doc;
    return open_work_document(repository_path, file_name, glh_path, doc) ? 1 : 0;
  });
}

bool glh_text_storage_is_chunked(const char* repository_path, const char* file_name, const char* glh_path) {
  return without_exceptions(false, [&] { return storage_is_chunked(repository_path, file_name, glh_path); });
}

int glh_extract_text(const char* repository_path, const char* file_name, const char* glh_path, const char* output_path,
                     int append) {
  return without_exceptions(0, [&] { return extract_text(repository_path, file_name, glh_path, output_path, append); });
}

GlhTextBlock* glh_read_text(const char* repository_path, const char* file_name, const char* glh_path) {
  return without_exceptions<GlhTextBlock*>(nullptr, [&] { return read_text(repository_path, file_name, glh_path); });
}

void glh_free_text_block(GlhTextBlock** block) {
  if (!block || !*block) return;
  GlhTextBlock* b = *block;
  if (b->hdf5_owned && !b->entries.empty()) {
    glh_lib_open();
    const hsize_t count = b->entries.size();
    hid_t xfer = HDFPcreateDatasetXfer(__FILE__, __LINE__);
    hid_t space = HDFScreate_simple(1, &count, nullptr, __FILE__, __LINE__);
    if (space >= 0) {
      HDFDvlen_reclaim(glh_variable_string_type(), space, xfer >= 0 ? xfer : H5P_DEFAULT, b->entries.data(), __FILE__,
                       __LINE__);
      HDFSclose(space, __FILE__, __LINE__);
    }
    if (xfer >= 0) HDFPclose(xfer, __FILE__, __LINE__);
  } else {
    for (char* entry : b->entries) std::free(entry);
  }
  delete b;
  *block = nullptr;
}

}  // namespace sorvi
