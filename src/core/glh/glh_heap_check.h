// Region references and variable-length texts of a GLH file live in global
// heap collections. HDF5 1.10 walks a collection's object headers without
// checking them, and a damaged header (an object of size 0, or a size that
// runs past the collection) sends it into an endless loop or past its
// buffer. So when a GLH file opens, every collection in it is read here and
// walked with every bound checked, before HDF5 may decode one. The objects
// that texts and region references name are checked the same way before
// HDF5 reads them.
#pragma once

#include <hdf5.h>

#include <cstddef>
#include <cstdint>

namespace sorvi {

// The layout values of a file that the walk needs.
struct GlhHeapLayout {
  unsigned length_size = 8;  // bytes of a length
  uint64_t file_size = 0;    // bytes in the file
};

// Reads `size` bytes at `offset`; false when they cannot all be read.
using GlhByteReader = bool (*)(void* source, uint64_t offset, void* into, size_t size);

// Walks the collection at file offset `address` the way HDF5 decodes it and says whether
// it is sound: signature "GCOL", version 1, a size of at least 4096 bytes
// inside the file, every object header whole, and every object's stored
// size inside the collection and at least a header's. At most size / 16
// headers are read.
bool glh_heap_collection_is_sound(const GlhHeapLayout& layout, uint64_t address, GlhByteReader read, void* source);

// Scans the whole file for the start of a collection ("GCOL" and version 1)
// at any offset, since a damaged address may point anywhere, and checks each
// as above. The verdict is kept for the file as it stands (device, inode,
// size and change times), so opening the same file again reads nothing.
bool glh_file_heaps_are_sound(hid_t file);

// Checks the stored form of entries [start, start + count) of a 1-D dataset
// of variable-length texts before HDF5 converts them: every text that is not
// null names an object of a sound collection whose size is the text's
// stored length. (HDF5 sizes its buffer by that length and then copies the
// whole object into it.) Entries of compressed chunks, which only HDF5 can
// decode, and of compact storage are not checked.
bool glh_text_entries_are_sound(hid_t dataset, uint64_t start, uint64_t count);

// Takes one text of a dataset: `length` bytes at `text`, no NUL among them
// (not terminated). False stops the reading.
using GlhTextTaker = bool (*)(void* context, const char* text, size_t length);

enum class GlhTextRead {
  kRead,     // every entry was handed over
  kNotHere,  // stored in a way only HDF5 reads; nothing was handed over
  kFailed    // a check or a read failed (some entries may have been handed over)
};

// Reads the texts of entries [start, start + count) of such a dataset
// straight from where their descriptors point, with the checks above on
// every one, and hands each to `take` in order, as HDF5 converting it to
// `memory_type` (a variable-length C text) would give it: the stored bytes
// up to the first NUL, and an empty text for a null entry. Only for
// variable-length texts stored in the memory type's character set and
// padding, without a fill value of their own, in uncompressed contiguous or
// chunked storage, through HDF5's default file driver; for any other the
// answer is kNotHere, and the caller reads through HDF5.
GlhTextRead glh_read_text_entries(hid_t dataset, hid_t memory_type, uint64_t start, uint64_t count,
                                  GlhTextTaker take, void* context);

// Checks the selection that a dataset region reference stores (the bytes of
// its heap object after the dataset's address) against the dataset's extent
// (`rank` sizes in `dims`) before HDF5 decodes it, since HDF5 1.10 trusts
// the stored counts. Sound: type 0 (none) or 3 (all) of version 1; type 1
// (points) or 2 (hyperslab blocks) of version 1, or type 2 version 2 as one
// regular hyperslab; a length that the stored counts fill exactly and that
// the object holds; the dataset's rank; every point and block inside the
// extent.
bool glh_region_selection_is_sound(const unsigned char* selection, size_t size, const hsize_t* dims, int rank);

// Checks a dataset region reference read from the file of `location` before
// HDF5 dereferences it: the object it names exists in a sound collection and
// holds a dataset's address and a selection sound for that dataset (above).
bool glh_region_reference_is_sound(hid_t location, const hdset_reg_ref_t& reference);

}  // namespace sorvi
