// Every global heap collection of a GLH file is walked with every bound
// checked before HDF5 is allowed to decode one.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "glh/glh_heap_check.h"
#include "glh/glh_internals.h"
#include "glh/glh_library.h"
#include "glh_fixture.h"

namespace sorvi {
namespace {

using sorvi_sample::encode_gl_records;
using sorvi_sample::GlhIndexKey;
using sorvi_sample::GlhRecordDocumentContent;
using sorvi_sample::GlhWriter;

void put(std::string& bytes, size_t at, uint64_t value, unsigned count) {
  for (unsigned i = 0; i < count; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

// A collection of `size` bytes at offset 0: the header, one object numbered
// 1 holding 5 bytes (padded to 8), and the rest free space.
std::string collection(uint64_t size = 4096) {
  std::string c(size, '\0');
  std::memcpy(&c[0], "GCOL", 4);
  c[4] = 1;
  put(c, 8, size, 8);
  put(c, 16, 1, 2);  // object 1, one reference
  put(c, 18, 1, 2);
  put(c, 24, 5, 8);
  put(c, 40, 0, 2);  // free space from 40 to the end, header included
  put(c, 48, size - 40, 8);
  return c;
}

// `c` with `value` put at `at`.
std::string with(std::string c, size_t at, uint64_t value, unsigned width) {
  put(c, at, value, width);
  return c;
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

class GlhHeapFileTest : public glh_test::GlhTest {
 protected:
  // A GLQ document with a one-key index, and a work file stored as text.
  void SetUp() override {
    GlhTest::SetUp();
    GlhRecordDocumentContent content;
    content.rows = encode_gl_records({sorvi_sample::glq_model_description_record("m")});
    content.indexes.push_back({"Penaltys", {GlhIndexKey{"only", {0}, false}}});
    file_ = path("heap.glh");
    GlhWriter w(file_);
    w.add_repository("GLQ_Repository", 6);
    ASSERT_TRUE(w.add_record_document("GLQ_Repository", "models", content));
    ASSERT_TRUE(w.add_work_file("/src/demo.c", "demo.ref", {{"line 1", "line 2"}, false, {}, {}}));
    ASSERT_TRUE(w.close());
  }

  // Sets (field) in every collection of the file to value, through `at`,
  // which gives the field's offset in a collection starting at `start`.
  template <typename Field>
  int damage_collections(uint64_t value, unsigned width, Field at) {
    std::string bytes = sorvi_test::read_file(file_);
    int damaged = 0;
    for (size_t start = bytes.find("GCOL"); start != std::string::npos; start = bytes.find("GCOL", start + 1)) {
      const size_t field = at(bytes, start);
      if (field == std::string::npos) continue;
      put(bytes, field, value, width);
      ++damaged;
    }
    sorvi_test::write_file(file_, bytes);
    return damaged;
  }

  // Sets of the index read, or -1 when the library or document did not open.
  int index_sets() {
    GlhLibrary* lib = glh_open_library(file_.c_str(), "READ_ONLY");
    GlhRepository* repo = glh_open_repository_by_type("glq", lib);
    GlhDocument* doc = glh_open_document("models", repo);
    int sets = -1;
    if (doc) {
      GlhRecordSetList* list = glh_read_index(doc, "Penaltys", 10);
      sets = list ? static_cast<int>(list->sets.size()) : 0;
      glh_free_record_set_list(&list);
    }
    glh_close_document(&doc);
    glh_close_repository(&repo);
    glh_close_library(&lib);
    return sets;
  }

  bool text_reads() {
    GlhTextBlock* block = glh_read_text("/src/demo.c", "demo.ref", file_.c_str());
    const bool read = block != nullptr;
    glh_free_text_block(&block);
    return read;
  }

  std::string file_;
};

uint64_t field_at(const std::string& bytes, size_t at, unsigned width) {
  uint64_t value = 0;
  for (unsigned i = width; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// The offset of the first object numbered `number` in the collection at
// `start` (its header's first byte), or npos.
size_t object_at(const std::string& bytes, size_t start, unsigned number) {
  const uint64_t size = field_at(bytes, start + 8, 8);
  for (size_t at = 16; at + 16 <= size && start + at + 16 <= bytes.size();) {
    const uint64_t current = field_at(bytes, start + at, 2);
    if (current == number) return start + at;
    const uint64_t stored = field_at(bytes, start + at + 8, 8);
    if (stored == 0 || stored > size) return std::string::npos;
    at += current == 0 ? stored : 16 + (stored + 7) / 8 * 8;
  }
  return std::string::npos;
}

TEST_F(GlhHeapFileTest, AFreeSpaceOfSizeZeroRefusesTheFileInsteadOfHangingHdf5) {
  EXPECT_EQ(index_sets(), 1);
  EXPECT_TRUE(text_reads());
  ASSERT_GT(damage_collections(0, 8,
                               [](const std::string& b, size_t start) {
                                 const size_t free = object_at(b, start, 0);
                                 return free == std::string::npos ? free : free + 8;
                               }),
            0);
  EXPECT_EQ(index_sets(), -1);
  EXPECT_FALSE(text_reads());
}

TEST_F(GlhHeapFileTest, ARegionReferenceWhosePointsOverrunItsObjectIsRefused) {
  std::string bytes = sorvi_test::read_file(file_);
  // Object 1 is the key's reference: the dataset's address (8 bytes), then
  // points, version 1, reserved, length 12, rank 1 and a count of 1.
  const size_t selection = object_at(bytes, bytes.find("GCOL"), 1) + 16 + 8;
  ASSERT_LT(selection, bytes.size());
  ASSERT_EQ(field_at(bytes, selection, 4), 1u);
  ASSERT_EQ(field_at(bytes, selection + 20, 4), 1u);
  put(bytes, selection + 20, 0x410001, 4);
  sorvi_test::write_file(file_, bytes);
  EXPECT_EQ(index_sets(), 0);
  EXPECT_TRUE(text_reads());
}


// A plain HDF5 file holding one dataset "texts" of variable-length strings,
// stored contiguously or in chunks of 2.
class GlhTextEntriesTest : public glh_test::GlhTest {
 protected:
  void write(bool chunked) {
    file_ = path(chunked ? "chunked.h5" : "contiguous.h5");
    hid_t file = H5Fcreate(file_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    hid_t type = H5Tcopy(H5T_C_S1);
    H5Tset_size(type, H5T_VARIABLE);
    const hsize_t dims[1] = {5};
    hid_t space = H5Screate_simple(1, dims, nullptr);
    hid_t create = H5Pcreate(H5P_DATASET_CREATE);
    const hsize_t chunk[1] = {2};
    if (chunked) H5Pset_chunk(create, 1, chunk);
    hid_t dataset = H5Dcreate2(file, "texts", type, space, H5P_DEFAULT, create, H5P_DEFAULT);
    const char* texts[5] = {"alpha", "", nullptr, "gamma", "a longer fifth text"};
    EXPECT_GE(H5Dwrite(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, texts), 0);
    H5Dclose(dataset);
    H5Pclose(create);
    H5Sclose(space);
    H5Tclose(type);
    H5Fclose(file);
  }

  // Puts `value` into the 4-byte length (field 0) or object number (field
  // 12) of entry i's stored form.
  void damage(size_t i, size_t field, uint32_t value) {
    hid_t file = H5Fopen(file_.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    hid_t dataset = H5Dopen2(file, "texts", H5P_DEFAULT);
    hid_t create = H5Dget_create_plist(dataset);
    const bool chunked = H5Pget_layout(create) == H5D_CHUNKED;
    H5Pclose(create);
    if (chunked) {
      hsize_t offset[1] = {i / 2 * 2};
      std::string raw(32, '\0');
      uint32_t filters = 0;
      EXPECT_GE(H5Dread_chunk(dataset, H5P_DEFAULT, offset, &filters, &raw[0]), 0);
      put(raw, (i % 2) * 16 + field, value, 4);
      EXPECT_GE(H5Dwrite_chunk(dataset, H5P_DEFAULT, filters, offset, raw.size(), raw.data()), 0);
      H5Dclose(dataset);
      H5Fclose(file);
    } else {
      const haddr_t at = H5Dget_offset(dataset);
      H5Dclose(dataset);
      H5Fclose(file);
      std::string bytes = sorvi_test::read_file(file_);
      put(bytes, static_cast<size_t>(at) + i * 16 + field, value, 4);
      sorvi_test::write_file(file_, bytes);
    }
  }

  bool sound(uint64_t start, uint64_t count) {
    hid_t file = H5Fopen(file_.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
    hid_t dataset = H5Dopen2(file, "texts", H5P_DEFAULT);
    const bool result = glh_text_entries_are_sound(dataset, start, count);
    H5Dclose(dataset);
    H5Fclose(file);
    return result;
  }

  std::string file_;
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
