// The work-file opener: every reader of an analysed module's work files
// opens its file here. A work file may be a plain file in the work
// directory, a text document in the module's GLH repository, or both; the
// opener looks where the mode says and always hands back a stdio stream, so
// the fixed-column routines of base/text_reader.h read every source alike.
//
// Sources of a stream:
//   plain file      - the file itself;
//   temporary copy  - the repository's text extracted into a new temporary
//                     file (next to the path, else in the system's temporary
//                     directory), deleted again when the handle closes;
//   dataset         - the repository's text read into memory and read
//                     through a stream in place (lines end with "\n"); such
//                     a stream reads forward only (no seeking).
//
// The opener writes no messages; callers look at the stream and at the two
// status codes.
#pragma once

#include <cstdio>
#include <memory>

#include "base/dynamic_string.h"

namespace sorvi {

struct GlhTextBlock;

// Open modes.
constexpr int kOpenPlainFirst = 1;       // plain file, then the repository (temporary copy)
constexpr int kOpenRepositoryFirst = 2;  // repository (temporary copy), then the plain file
constexpr int kOpenDatasetFirst = 3;     // repository read in place, then the plain file

// `source` of a handle.
constexpr int kSourceNone = 0;
constexpr int kSourcePlainFile = 1;
constexpr int kSourceTemporaryCopy = 2;
constexpr int kSourceDataset = 3;

// Status codes. `file_status`: not tried, opened, plain file failed, no
// memory. `repository_status`: not tried, opened, extraction failed, dataset
// failed to open, the repository does not hold the dataset, unsupported
// mode, no memory.
constexpr int kStatusNotTried = 30101;
constexpr int kStatusOpened = 0;
constexpr int kFileOpenFailed = 2;
constexpr int kStatusNoMemory = 14;
constexpr int kRepositoryExtractFailed = 30200;
constexpr int kRepositoryDatasetFailed = 30201;
constexpr int kRepositoryNoDataset = 30202;
constexpr int kRepositoryUnsupportedMode = 30203;

// The dataset name used when the path is empty.
constexpr const char* kDefaultDatasetName = "twf";

struct DatasetStream;  // the in-place reader behind a dataset stream

struct WorkFileHandle {
  WorkFileHandle() = default;
  WorkFileHandle(const WorkFileHandle&) = delete;
  WorkFileHandle& operator=(const WorkFileHandle&) = delete;

  DynamicString temporary_name;    // temporary copy of a repository dataset, or none
  FILE* stream = nullptr;          // the open stream, or null
  GlhTextBlock* dataset = nullptr;  // a dataset read in place (source 3)
  int source = kSourceNone;
  int file_status = kStatusNotTried;
  int repository_status = kStatusNotTried;
  DatasetStream* dataset_reader = nullptr;  // owned; read by `stream` when source is 3
  // The stream's buffer: larger than stdio's default, so that reading a
  // work file of many megabytes takes few system calls.
  std::unique_ptr<char[]> stream_buffer;
};

// Closes the stream, deletes the temporary copy, releases the dataset and
// frees the handle. A null handle is ignored.
void close_work_file(WorkFileHandle* handle);

struct WorkFileCloser {
  void operator()(WorkFileHandle* handle) const { close_work_file(handle); }
};
// A handle that closes itself.
using WorkFile = std::unique_ptr<WorkFileHandle, WorkFileCloser>;

// Opens a work file.
//   path            - the plain file (may be null or empty);
//   glh_file        - the GLH repository file (may be null or empty);
//   repository_name - the repository inside it: for a module's work files
//                     the module's source path, "$$CFG_REPOSITORY$$" for the
//                     registry, "$$SEQUENCE$$<seq>" for test cases;
//   dataset_name    - the document's name; null or empty: the path's file
//                     name, or "twf" for an empty path;
//   mode            - kOpenPlainFirst, kOpenRepositoryFirst or
//                     kOpenDatasetFirst (a text stored in chunks cannot be
//                     read in place and is copied as in repository-first
//                     mode). Any other mode only tries the plain file once
//                     the repository was asked (status 30203 when it holds
//                     the dataset).
// The result is null only when the handle itself cannot be allocated.
WorkFile open_work_file(const char* path, const char* glh_file, const char* repository_name,
                        const char* dataset_name, int mode);

// The stream, or null when nothing opened.
FILE* work_file_stream(const WorkFileHandle* handle);
// True when a stream or a dataset is held.
bool work_file_is_open(const WorkFileHandle* handle);
// Copies the two status codes (either pointer may be null).
void work_file_statuses(const WorkFileHandle* handle, int* file_status, int* repository_status);
// Closes and empties the handle now.
void close_work_file(WorkFile& handle);

// True when the path names an existing regular file, else when the
// repository holds a dataset named after the path's file name.
bool work_file_exists(const char* path, const char* glh_file, const char* repository_name);

}  // namespace sorvi
