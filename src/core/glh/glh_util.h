// Text documents of a GLH file: work files kept in the repository.
//
// A module's work files sit in one group below the root, named by the
// module's source path mapped as document names are ('/' becomes '\'); the
// group carries "Repository_Header" with value 1 = 9 (DOC). Each work file is
// a text document in it, named by its file name (a '?' in the name opens a
// deeper level). The registry copy sits the same way in "$$CFG_REPOSITORY$$"
// as "staticid". A text document holds "Library_Header" (position 6: the
// number of entries; position 7: 1 when each entry is a chunk of the text,
// otherwise each entry is one line), "Document" (the entries, variable-length
// strings) and, optionally, "Auxiliary" (two side texts).
//
// For a work-file opener:
//   glh_work_file_present  - is the work file in the GLH file?
//   glh_text_storage_is_chunked - a chunked text cannot be read line by line
//                            in place; extract it instead;
//   glh_extract_text       - write the text to a (temporary) file;
//   glh_read_text          - read a line-stored text into memory, then walk
//                            block->line(i) for i < block->entry_count and
//                            release it with glh_free_text_block.
// Each operation opens and closes the GLH file itself; none writes to it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace sorvi {

// A text document read into memory.
struct GlhTextBlock {
  std::string name;  // the document's name in HDF5 form
  std::optional<std::string> auxiliary1;
  std::optional<std::string> auxiliary2;
  int entry_count = 0;
  bool single_slot = false;  // an empty text: one entry, the empty string
  std::vector<char*> entries;
  bool hdf5_owned = false;  // entries go back to HDF5, not to free()

  // Entry i (a line, or a chunk), "" for an empty or missing entry.
  const char* line(size_t i) const { return i < entries.size() && entries[i] ? entries[i] : ""; }
};

// 1 when the GLH file holds the document repository_path / file_name (both
// mapped as document names), else 0. All three texts must be non-empty. A
// missing repository or level gives 0 without any output.
int glh_work_file_present(const char* repository_path, const char* file_name, const char* glh_path);

// True when the document's Library_Header position 7 is above 0 (its
// entries are chunks of the text rather than lines).
bool glh_text_storage_is_chunked(const char* repository_path, const char* file_name, const char* glh_path);

// Writes the text of a document to output_path, appending when `append` is
// non-zero. Chunks are written unchanged; lines each followed by "\n", read
// in blocks of "GLH_BLOCK_SIZE" entries (the first block creates the file
// unless appending, later blocks append). An empty text creates an empty
// file, or leaves it untouched when appending. 1 when written, else 0.
int glh_extract_text(const char* repository_path, const char* file_name, const char* glh_path, const char* output_path,
                     int append);

// Reads a text document of a DOC repository (repository_path must name one,
// by its letters or its "Repository_Header") into memory; null on failure.
GlhTextBlock* glh_read_text(const char* repository_path, const char* file_name, const char* glh_path);

// Releases a text block and sets the pointer to null.
void glh_free_text_block(GlhTextBlock** block);

// The profile's "GLH_BLOCK_SIZE" (default 65536), read once per process.
int glh_block_size();
// Forgets the value read (tests).
void reset_glh_block_size();

// True when a second thread may find and extract work files while this one
// goes on with other GLH operations: the HDF5 library serialises its calls
// itself. Sets up beforehand, on this thread, what the operations otherwise
// set up once per process on first use (the library's types, the block
// size, the diagnostics switch), so that the other thread only reads them.
bool glh_ready_for_a_second_thread();
// Called first on such a second thread: HDF5 prints nothing of its own
// errors there either (its error settings belong to each thread).
void glh_quiet_this_thread();

}  // namespace sorvi
