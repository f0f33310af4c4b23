#include "workfiles/work_file_opener.h"

#include <sys/types.h>

#include <cstring>
#include <new>
#include <string>

#include "base/file_utils.h"
#include "base/safe_output.h"
#include "glh/glh_util.h"

namespace sorvi {

// Reads a text block held in memory as a stream: each entry followed by
// "\n", as the extraction of a line-stored text writes it.
struct DatasetStream {
  const GlhTextBlock* block = nullptr;
  size_t entry = 0;    // the entry being read
  size_t offset = 0;   // characters of it already read
  size_t length = 0;   // its length
  bool measured = false;
};

namespace {

bool usable(const char* text) { return text && *text; }

size_t dataset_entries(const GlhTextBlock& block) {
  if (block.single_slot || block.entry_count <= 0) return 0;
  const size_t count = static_cast<size_t>(block.entry_count);
  return count < block.entries.size() ? count : block.entries.size();
}

ssize_t read_dataset(void* cookie, char* buffer, size_t size) {
  DatasetStream* reader = static_cast<DatasetStream*>(cookie);
  const size_t entries = dataset_entries(*reader->block);
  size_t done = 0;
  while (done < size && reader->entry < entries) {
    const char* text = reader->block->line(reader->entry);
    if (!reader->measured) {
      reader->length = std::strlen(text);
      reader->measured = true;
    }
    if (reader->offset < reader->length) {
      size_t take = reader->length - reader->offset;
      if (take > size - done) take = size - done;
      std::memcpy(buffer + done, text + reader->offset, take);
      done += take;
      reader->offset += take;
    } else {
      buffer[done++] = '\n';
      ++reader->entry;
      reader->offset = 0;
      reader->measured = false;
    }
  }
  return static_cast<ssize_t>(done);
}

int close_dataset(void*) { return 0; }

FILE* open_dataset_stream(WorkFileHandle& handle) {
  handle.dataset_reader = new (std::nothrow) DatasetStream;
  if (!handle.dataset_reader) return nullptr;
  handle.dataset_reader->block = handle.dataset;
  cookie_io_functions_t functions = {};
  functions.read = read_dataset;
  functions.close = close_dataset;
  return fopencookie(handle.dataset_reader, "r", functions);
}

constexpr size_t kStreamBuffer = size_t{256} << 10;

// Opens a plain file for reading with a buffer of the handle's.
FILE* open_plain(WorkFileHandle& handle, const std::string& path) {
  if (path.empty() || path.size() > kMaxPath) return nullptr;
  FILE* stream = std::fopen(path.c_str(), "r");
  if (!stream) return nullptr;
  handle.stream_buffer.reset(new (std::nothrow) char[kStreamBuffer]);
  if (handle.stream_buffer) std::setvbuf(stream, handle.stream_buffer.get(), _IOFBF, kStreamBuffer);
  return stream;
}

// Releases whatever the handle holds; the handle itself stays.
void release(WorkFileHandle& handle) {
  if (handle.stream) {
    std::fclose(handle.stream);
    handle.stream = nullptr;
  }
  handle.stream_buffer.reset();
  delete handle.dataset_reader;
  handle.dataset_reader = nullptr;
  glh_free_text_block(&handle.dataset);
  if (handle.temporary_name) {
    delete_file(*handle.temporary_name);
    forget_temporary_file(*handle.temporary_name);
    handle.temporary_name.reset();
  }
}

// Extracts the dataset into a new temporary file and opens it.
void open_temporary_copy(WorkFileHandle& handle, const std::string& path, const char* glh_file,
                         const char* repository_name, const std::string& dataset) {
  const std::string directory = directory_part(path.empty() ? std::string(glh_file ? glh_file : "") : path);
  std::string copy = temporary_file_name(directory, dataset);
  // A work directory that is not writable: the system's temporary directory.
  if (copy.empty()) copy = temporary_file_name("", dataset);
  if (copy.empty()) {
    handle.repository_status = kRepositoryExtractFailed;
    return;
  }
  register_temporary_file(copy);
  handle.temporary_name = copy;
  if (glh_extract_text(repository_name, dataset.c_str(), glh_file, copy.c_str(), 0) == 1) {
    handle.stream = open_plain(handle, copy);
  }
  if (handle.stream) {
    handle.source = kSourceTemporaryCopy;
    handle.repository_status = kStatusOpened;
  } else {
    delete_file(copy);
    forget_temporary_file(copy);
    handle.temporary_name.reset();
    handle.repository_status = kRepositoryExtractFailed;
  }
}

// Reads a line-stored dataset into memory and opens a stream over it.
void open_dataset_in_place(WorkFileHandle& handle, const char* glh_file, const char* repository_name,
                           const std::string& dataset) {
  handle.dataset = glh_read_text(repository_name, dataset.c_str(), glh_file);
  if (handle.dataset) handle.stream = open_dataset_stream(handle);
  if (handle.stream) {
    handle.source = kSourceDataset;
    handle.repository_status = kStatusOpened;
  } else {
    delete handle.dataset_reader;
    handle.dataset_reader = nullptr;
    glh_free_text_block(&handle.dataset);
    handle.repository_status = kRepositoryDatasetFailed;
  }
}

void open_from_plain_file(WorkFileHandle& handle, const std::string& path) {
  handle.stream = open_plain(handle, path);
  if (handle.stream) {
    handle.source = kSourcePlainFile;
    handle.file_status = kStatusOpened;
  } else {
    handle.file_status = kFileOpenFailed;
  }
}

void open_into(WorkFileHandle& handle, const char* path_text, const char* glh_file, const char* repository_name,
               const char* dataset_name, int mode) {
  const std::string path = path_text ? path_text : "";
  std::string dataset;
  try {
    if (usable(dataset_name)) {
      dataset = dataset_name;
    } else {
      dataset = path.empty() ? kDefaultDatasetName : file_name_part(path);
    }
  } catch (const std::bad_alloc&) {
    handle.repository_status = kStatusNoMemory;
    return;
  }

  if (mode == kOpenPlainFirst && !path.empty()) open_from_plain_file(handle, path);

  if (!handle.stream) {
    if (!glh_work_file_present(repository_name, dataset.c_str(), glh_file)) {
      handle.repository_status = kRepositoryNoDataset;
    } else {
      if (mode == kOpenDatasetFirst && glh_text_storage_is_chunked(repository_name, dataset.c_str(), glh_file)) {
        mode = kOpenRepositoryFirst;
      }
      if (mode == kOpenPlainFirst || mode == kOpenRepositoryFirst) {
        open_temporary_copy(handle, path, glh_file, repository_name, dataset);
      } else if (mode == kOpenDatasetFirst) {
        open_dataset_in_place(handle, glh_file, repository_name, dataset);
      } else {
        handle.repository_status = kRepositoryUnsupportedMode;
      }
    }
  }

  if (!handle.stream && !path.empty()) open_from_plain_file(handle, path);
}

}  // namespace

WorkFile open_work_file(const char* path, const char* glh_file, const char* repository_name,
                        const char* dataset_name, int mode) {
  WorkFile handle(new (std::nothrow) WorkFileHandle);
  if (!handle) return handle;
  try {
    open_into(*handle, path, glh_file, repository_name, dataset_name, mode);
  } catch (const std::bad_alloc&) {
    release(*handle);
    handle->source = kSourceNone;
    if (handle->repository_status == kStatusNotTried) handle->repository_status = kStatusNoMemory;
    if (handle->file_status == kStatusNotTried) handle->file_status = kStatusNoMemory;
  }
  return handle;
}

FILE* work_file_stream(const WorkFileHandle* handle) { return handle ? handle->stream : nullptr; }

bool work_file_is_open(const WorkFileHandle* handle) {
  return handle && (handle->stream != nullptr || handle->dataset != nullptr);
}

void work_file_statuses(const WorkFileHandle* handle, int* file_status, int* repository_status) {
  if (file_status) *file_status = handle ? handle->file_status : kStatusNotTried;
  if (repository_status) *repository_status = handle ? handle->repository_status : kStatusNotTried;
}

void close_work_file(WorkFileHandle* handle) {
  if (!handle) return;
  release(*handle);
  delete handle;
}

void close_work_file(WorkFile& handle) { handle.reset(); }

bool work_file_exists(const char* path, const char* glh_file, const char* repository_name) {
  if (!usable(path)) return false;
  if (is_regular_file(path)) return true;
  try {
    const std::string name = file_name_part(path);
    return glh_work_file_present(repository_name, name.c_str(), glh_file) == 1;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace sorvi
