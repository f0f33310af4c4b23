// Every global heap collection of a GLH file is walked with every bound
// checked before HDF5 is allowed to decode one, and so are the objects that
// texts and region references name.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "glh/glh_heap_check.h"
#include "glh_fixture.h"

namespace sorvi {
namespace {

using glh_test::GlhTest;

// `bytes` with `value` put little-endian into `width` bytes at `at`.
std::string with(std::string bytes, uint64_t at, uint64_t value, unsigned width) {
  char field[8];
  for (unsigned i = 0; i < width; ++i) field[i] = static_cast<char>((value >> (8 * i)) & 0xff);
  return bytes.replace(at, width, field, width);
}

// A collection of `size` bytes: the header, object 1 (one reference) holding
// 5 bytes padded to 8, and free space from 40 to the end, header included.
std::string collection(uint64_t size = 4096) {
  std::string c = "GCOL\1" + std::string(size - 5, '\0');
  return with(with(with(with(with(c, 8, size, 8), 16, 1, 2), 18, 1, 2), 24, 5, 8), 48, size - 40, 8);
}

// A collection of 8192 bytes whose object 1 holds 5000 bytes, as a chunk of
// a text does; `next` goes into the number field of the header after it
// (0: free space to the end).
std::string chunk_collection(uint64_t next = 0) {
  const std::string c = with(with(with(with(collection(8192), 24, 5000, 8), 48, 0, 8), 5032, next, 2), 5034, 1, 2);
  return with(c, 5040, next == 0 ? 8192 - 5032 : 8192, 8);
}

bool read_string(void* source, uint64_t offset, void* into, size_t size) {
  const std::string& s = *static_cast<const std::string*>(source);
  if (offset > s.size() || size > s.size() - offset) return false;
  std::memcpy(into, s.data() + offset, size);
  return true;
}

// Each damaged collection breaks one rule only, so it is refused for that
// rule's sake (a file size below the bytes there are lets a read succeed
// that the bounds must still refuse).
TEST(GlhHeapCheckTest, EachDamageOfACollectionIsRefused) {
  struct Case {
    const char* what;
    std::string bytes;
    uint64_t address, file_size;  // file size 0: the bytes'
    bool sound;
  };
  const Case cases[] = {
      {"a collection", collection(), 0, 0, true},
      {"a larger one", collection(8192), 0, 0, true},
      {"a tail too short for a header is free space", with(collection(), 48, 4096 - 40 - 8, 8), 0, 0, true},
      {"signature", with(collection(), 0, 'X', 1), 0, 0, false},
      {"version", with(collection(), 4, 2, 1), 0, 0, false},
      {"smaller than any collection", collection(2048), 0, 0, false},
      {"runs past the end of the file", collection(8192), 0, 4096, false},
      {"address at the end of the file", collection(), 4096, 0, false},
      {"address that wraps", collection(), UINT64_MAX - 4, 0, false},
      {"free space of size 0 never moves the walk on", with(collection(), 48, 0, 8), 0, 0, false},
      // Its size field, read as the next header, names a sound object 8.
      {"free space smaller than its own header", with(with(collection(), 48, 8, 8), 56, 4096 - 48 - 16, 8), 0, 0,
       false},
      {"free space past the collection", with(collection(), 48, 4096, 8), 0, 0, false},
      {"object past the collection", with(collection(), 24, 4096 - 16, 8), 0, 0, false},
      {"object size that wraps when aligned", with(collection(), 24, UINT64_MAX - 3, 8), 0, 0, false},
      {"a large object", chunk_collection(), 0, 0, true},
      {"a large object, then an object past the collection", chunk_collection(2), 0, 0, false},
  };
  for (const Case& c : cases) {
    std::string bytes = c.bytes;
    GlhHeapLayout layout;
    layout.file_size = c.file_size ? c.file_size : bytes.size();
    EXPECT_EQ(glh_heap_collection_is_sound(layout, c.address, read_string, &bytes), c.sound) << c.what;
  }
}

// Little-endian fields of `width` bytes.
std::string fields(std::initializer_list<uint64_t> values, unsigned width = 4) {
  std::string bytes;
  for (uint64_t v : values) bytes += with(std::string(width, '\0'), 0, v, width);
  return bytes;
}

// Selections as a region reference stores them: type, version, reserved,
// length of the rest, rank, count, then the points or the blocks' corners
// (a regular hyperslab: type, version 2, flags, length, rank, then start,
// stride, count and block of 8 bytes each).
TEST(GlhRegionSelectionTest, UnknownOrOutOfExtentSelectionsAreRefused) {
  const hsize_t dims[2] = {10, 3};
  const std::string regular = fields({2, 2}) + "\1" + fields({36, 1});
  struct Case {
    const char* what;
    std::string bytes;
    int rank;
    bool sound;
  };
  const Case cases[] = {
      {"none", fields({0, 1, 0, 0}), 1, true},
      {"all", fields({3, 1, 0, 0}), 2, true},
      {"two points", fields({1, 1, 0, 16, 1, 2, 0, 9}), 1, true},
      {"a point at the extent", fields({1, 1, 0, 16, 1, 2, 0, 10}), 1, false},
      {"more points than the length holds", fields({1, 1, 0, 12, 1, 0x410001, 0}), 1, false},
      {"a length past the object", fields({1, 1, 0, 16, 1, 2, 0}), 1, false},
      {"a rank other than the dataset's", fields({1, 1, 0, 16, 2, 1, 0, 0}), 1, false},
      {"a block", fields({2, 1, 0, 24, 2, 1, 4, 0, 9, 2}), 2, true},
      {"a block past the extent", fields({2, 1, 0, 24, 2, 1, 4, 0, 9, 3}), 2, false},
      {"a block that ends before it starts", fields({2, 1, 0, 16, 1, 1, 5, 4}), 1, false},
      {"a regular hyperslab", regular + fields({2, 3, 3, 2}, 8), 1, true},
      {"a regular hyperslab one past the extent", regular + fields({3, 3, 3, 2}, 8), 1, false},
      {"an unknown type", fields({4, 1, 0, 0}), 1, false},
      {"an unknown version", fields({1, 2, 0, 12, 1, 1, 0}), 1, false},
  };
  for (const Case& c : cases) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes.data());
    EXPECT_EQ(glh_region_selection_is_sound(bytes, c.bytes.size(), dims, c.rank), c.sound) << c.what;
  }
}

// Reading a text opens the file through the library, extraction on its own:
// both scan the file's collections first.
TEST_F(GlhTest, ADamagedCollectionAnywhereRefusesTheFile) {
  const std::string file = path("heap.glh"), out = path("out.txt");
  {
    sorvi_sample::GlhWriter w(file);
    ASSERT_TRUE(w.add_work_file("/src/demo.c", "demo.ref", {{"line 1", "line 2"}, false, {}, {}}));
    ASSERT_TRUE(w.close());
  }
  GlhTextBlock* block = glh_read_text("/src/demo.c", "demo.ref", file.c_str());
  EXPECT_NE(block, nullptr);
  glh_free_text_block(&block);
  // The first object of the first collection runs past it.
  const std::string bytes = sorvi_test::read_file(file);
  sorvi_test::write_file(file, with(bytes, bytes.find("GCOL") + 24, 1 << 20, 8));
  EXPECT_EQ(glh_read_text("/src/demo.c", "demo.ref", file.c_str()), nullptr);
  EXPECT_EQ(glh_extract_text("/src/demo.c", "demo.ref", file.c_str(), out.c_str(), 0), 0);
}

// A plain HDF5 file holding one dataset "texts" of five variable-length
// strings (the third null), stored contiguously or in chunks of 2.
class GlhTextEntriesTest : public GlhTest {
 protected:
  void write(bool chunked) {
    hid_t file = H5Fcreate(file_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    hid_t type = H5Tcopy(H5T_C_S1);
    H5Tset_size(type, H5T_VARIABLE);
    const hsize_t dims[1] = {5}, chunk[1] = {2};
    hid_t space = H5Screate_simple(1, dims, nullptr);
    hid_t create = H5Pcreate(H5P_DATASET_CREATE);
    if (chunked) H5Pset_chunk(create, 1, chunk);
    hid_t dataset = H5Dcreate2(file, "texts", type, space, H5P_DEFAULT, create, H5P_DEFAULT);
    const char* texts[5] = {"alpha", "", nullptr, "gamma", "a longer fifth text"};
    EXPECT_GE(H5Dwrite(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, texts), 0);
    for (hid_t id : {dataset, create, space, type, file}) H5Idec_ref(id);  // closes each
  }

  // Puts `value` into the 4-byte length (field 0) or object number (field
  // 12) of entry i's stored form.
  void damage(size_t i, size_t field, uint32_t value) {
    hid_t file = H5Fopen(file_.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
    hid_t dataset = H5Dopen2(file, "texts", H5P_DEFAULT);
    haddr_t at = H5Dget_offset(dataset);  // contiguous: where the entries start
    if (at == HADDR_UNDEF) {              // chunked: where entry i's chunk starts
      const hsize_t offset[1] = {i / 2 * 2};
      unsigned filters = 0;
      hsize_t size = 0;
      EXPECT_GE(H5Dget_chunk_info_by_coord(dataset, offset, &filters, &at, &size), 0);
      i %= 2;
    }
    H5Dclose(dataset);
    H5Fclose(file);
    sorvi_test::write_file(file_, with(sorvi_test::read_file(file_), at + i * 16 + field, value, 4));
  }

  bool sound(uint64_t start, uint64_t count) {
    hid_t file = H5Fopen(file_.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
    hid_t dataset = H5Dopen2(file, "texts", H5P_DEFAULT);
    const bool result = glh_text_entries_are_sound(dataset, start, count);
    H5Dclose(dataset);
    H5Fclose(file);
    return result;
  }

  std::string file_ = path("texts.h5");
};

TEST_F(GlhTextEntriesTest, StoredLengthsMustMatchTheirObjects) {
  for (bool chunked : {false, true}) {
    SCOPED_TRACE(chunked ? "chunked" : "contiguous");
    write(chunked);
    EXPECT_TRUE(sound(0, 5));
    EXPECT_TRUE(sound(2, 1)) << "a null text names no object";
    EXPECT_FALSE(sound(3, 3)) << "past the stored entries";
    damage(3, 0, 1885691912);  // a length far beyond its object
    EXPECT_FALSE(sound(0, 5));
    EXPECT_FALSE(sound(3, 1));
    EXPECT_TRUE(sound(0, 3));
    EXPECT_TRUE(sound(4, 1));
    write(chunked);
    damage(4, 0, 2);  // shorter than the object HDF5 would copy
    EXPECT_FALSE(sound(4, 1));
    write(chunked);
    damage(0, 12, 999);  // an object the collection does not hold
    EXPECT_FALSE(sound(0, 1));
    EXPECT_TRUE(sound(1, 4));
  }
}

}  // namespace
}  // namespace sorvi
