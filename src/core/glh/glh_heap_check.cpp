#include "glh/glh_heap_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <new>
#include <vector>

namespace sorvi {
namespace {

// The smallest collection HDF5 writes, and the alignment of its objects.
constexpr uint64_t kMinCollectionSize = 4096;
constexpr uint64_t kAlignment = 8;

uint64_t align_up(uint64_t n) { return (n + kAlignment - 1) / kAlignment * kAlignment; }

uint64_t little_endian(const unsigned char* bytes, unsigned count) {
  uint64_t value = 0;
  for (unsigned i = count; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

// Reads through the descriptor HDF5 holds the file open with, so the walk
// sees the file HDF5 reads whatever the current directory has become.
bool read_from_descriptor(void* source, uint64_t offset, void* into, size_t size) {
  const int fd = *static_cast<int*>(source);
  if (offset > static_cast<uint64_t>(INT64_MAX) - size) return false;
  char* to = static_cast<char*>(into);
  while (size > 0) {
    const ssize_t got = pread(fd, to, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    to += got;
    size -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

// Closes every identifier it is given when it goes.
struct IdCloser {
  hid_t file = -1, plist = -1, access = -1;
  ~IdCloser() {
    if (access >= 0) H5Pclose(access);
    if (plist >= 0) H5Pclose(plist);
    if (file >= 0) H5Fclose(file);
  }
};

// GLH files are opened with HDF5's default POSIX driver, whose handle is the
// file descriptor; null for any other driver.
int* descriptor(IdCloser& ids) {
  ids.access = H5Fget_access_plist(ids.file);
  if (ids.access < 0 || H5Pget_driver(ids.access) != H5FD_SEC2) return nullptr;
  void* handle = nullptr;
  if (H5Fget_vfd_handle(ids.file, ids.access, &handle) < 0) return nullptr;
  return static_cast<int*>(handle);
}

// Sizes of a collection's objects by number (UINT64_MAX: no such object).
using ObjectSizes = std::vector<uint64_t>;

// A collection up to this size is read whole; a larger one header by header.
constexpr uint64_t kWholeCollection = uint64_t{16} << 20;

// Walks the collection at file offset `start` the way HDF5 decodes it, with
// every bound checked; gives its objects' sizes by number (the free space
// left out) when asked. False when the collection is damaged.
bool walk_collection(const GlhHeapLayout& layout, uint64_t start, GlhByteReader read, void* source,
                     ObjectSizes* sizes) {
  const unsigned ls = layout.length_size;
  if (ls != 2 && ls != 4 && ls != 8) return false;
  if (start > layout.file_size) return false;

  // Header: "GCOL", version, three reserved bytes, the collection size.
  unsigned char header[16];
  const uint64_t header_size = align_up(8 + ls);
  if (header_size > sizeof header || start > layout.file_size - header_size) return false;
  if (!read(source, start, header, 8 + ls)) return false;
  if (std::memcmp(header, "GCOL", 4) != 0 || header[4] != 1) return false;
  const uint64_t size = little_endian(header + 8, ls);
  if (size < kMinCollectionSize || size > layout.file_size - start) return false;

  std::vector<unsigned char> whole;
  if (size <= kWholeCollection) {
    whole.resize(static_cast<size_t>(size));
    if (!read(source, start, whole.data(), whole.size())) return false;
  }

  // Objects: number (2 bytes), references (2), reserved (4), size. Object 0
  // is the free space, whose size already counts its header; the others are
  // padded to the alignment. A tail too short for a header is free space.
  const uint64_t object_header = align_up(8 + ls);
  if (sizes) sizes->clear();
  uint64_t at = header_size;
  while (at < size) {
    if (size - at < object_header) break;
    unsigned char copy[16];
    const unsigned char* object = copy;
    if (!whole.empty()) {
      object = whole.data() + at;
    } else if (!read(source, start + at, copy, 8 + ls)) {
      return false;
    }
    const uint64_t number = little_endian(object, 2);
    const uint64_t stored = little_endian(object + 8, ls);
    const uint64_t room = size - at;
    uint64_t need;
    if (number > 0) {
      if (stored > room - object_header) return false;
      need = object_header + align_up(stored);
      if (sizes) {
        if (sizes->size() <= number) sizes->resize(number + 1, UINT64_MAX);
        (*sizes)[number] = stored;
      }
    } else {
      need = stored;
    }
    if (need < object_header || need > room) return false;
    at += need;
  }
  return true;
}

// The stored form of a variable-length text: its length (4 bytes), the
// address of its collection and its object number (4 bytes). HDF5 takes the
// length to size its buffer before it reads the object, and copies the
// whole object into that buffer, so the two must agree.
struct Entries {
  int fd = -1;
  GlhHeapLayout layout;
  uint64_t base = 0;  // file offset that addresses count from
  unsigned address_size = 8;
  size_t element = 16;
  // Collections walked so far (texts of one dataset may alternate between
  // a few); forgotten all at once when there are too many.
  std::unordered_map<uint64_t, ObjectSizes> collections;
};

constexpr size_t kKeptCollections = 64;

bool descriptors_are_sound(Entries& e, const unsigned char* raw, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* p = raw + i * e.element;
    const uint64_t length = little_endian(p, 4);
    const uint64_t address = little_endian(p + 4, e.address_size);
    const uint64_t number = little_endian(p + 4 + e.address_size, 4);
    if (address == 0) continue;  // a null text: HDF5 reads nothing
    auto found = e.collections.find(address);
    if (found == e.collections.end()) {
      if (address > e.layout.file_size || e.base > e.layout.file_size - address) return false;
      ObjectSizes sizes;
      if (!walk_collection(e.layout, e.base + address, read_from_descriptor, &e.fd, &sizes)) return false;
      if (e.collections.size() >= kKeptCollections) e.collections.clear();
      found = e.collections.emplace(address, std::move(sizes)).first;
    }
    const ObjectSizes& sizes = found->second;
    if (number >= sizes.size() || sizes[number] != length) return false;
  }
  return true;
}

// Descriptors read this many at a time.
constexpr uint64_t kDescriptorsPerRead = 65536;

bool contiguous_entries_are_sound(hid_t dataset, Entries& e, uint64_t start, uint64_t count) {
  const haddr_t at = H5Dget_offset(dataset);
  if (at == HADDR_UNDEF) return true;  // nothing stored yet: every entry is empty
  const uint64_t stored = H5Dget_storage_size(dataset);
  if (start > stored / e.element || count > stored / e.element - start) return false;
  std::vector<unsigned char> raw(static_cast<size_t>(std::min(count, kDescriptorsPerRead)) * e.element);
  for (uint64_t done = 0; done < count;) {
    const uint64_t n = std::min(count - done, kDescriptorsPerRead);
    if (!read_from_descriptor(&e.fd, at + (start + done) * e.element, raw.data(), n * e.element)) return false;
    if (!descriptors_are_sound(e, raw.data(), static_cast<size_t>(n))) return false;
    done += n;
  }
  return true;
}

bool chunked_entries_are_sound(hid_t dataset, hid_t dcpl, Entries& e, uint64_t start, uint64_t count) {
  hsize_t chunk = 0;
  if (H5Pget_chunk(dcpl, 1, &chunk) != 1 || chunk == 0) return false;
  if (chunk > e.layout.file_size / e.element) return false;
  std::vector<unsigned char> raw;
  const uint64_t end = start + count;
  for (uint64_t first = start / chunk * chunk; first < end; first += chunk) {
    hsize_t offset[1] = {first};
    hsize_t bytes = 0;
    // A chunk never written holds empty entries only.
    if (H5Dget_chunk_storage_size(dataset, offset, &bytes) < 0 || bytes == 0) continue;
    if (bytes != chunk * e.element) return false;
    raw.resize(static_cast<size_t>(bytes));
    uint32_t filters = 0;
    if (H5Dread_chunk(dataset, H5P_DEFAULT, offset, &filters, raw.data()) < 0) return false;
    const uint64_t from = std::max(first, start), to = std::min<uint64_t>(first + chunk, end);
    if (!descriptors_are_sound(e, raw.data() + (from - first) * e.element, static_cast<size_t>(to - from))) {
      return false;
    }
  }
  return true;
}

// What identifies a file's present contents, and what the scan found.
struct Verdict {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  struct timespec modified {};
  struct timespec changed {};
  bool sound = false;
};

bool same_file(const Verdict& v, const struct stat& st) {
  return v.device == st.st_dev && v.inode == st.st_ino && v.size == st.st_size &&
         v.modified.tv_sec == st.st_mtim.tv_sec && v.modified.tv_nsec == st.st_mtim.tv_nsec &&
         v.changed.tv_sec == st.st_ctim.tv_sec && v.changed.tv_nsec == st.st_ctim.tv_nsec;
}

// The last few files scanned; a batch run opens the same file several times.
constexpr size_t kKeptVerdicts = 8;
std::mutex verdicts_mutex;
std::deque<Verdict> verdicts;

bool scan_for_collections(int fd, unsigned length_size, uint64_t file_size) {
  static const char kStart[5] = {'G', 'C', 'O', 'L', 1};
  constexpr size_t kBlock = size_t{1} << 20;
  std::vector<char> block(kBlock + sizeof kStart - 1);
  GlhHeapLayout layout;
  layout.length_size = length_size;
  layout.file_size = file_size;
  uint64_t at = 0;
  size_t carried = 0;  // bytes at the front of the block kept from the last read
  while (at < file_size) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, file_size - at));
    if (!read_from_descriptor(&fd, at, block.data() + carried, want)) return false;
    const size_t have = carried + want;
    const uint64_t block_start = at - carried;
    for (size_t i = 0; i + sizeof kStart <= have;) {
      const void* hit = memmem(block.data() + i, have - i, kStart, sizeof kStart);
      if (!hit) break;
      const size_t offset = static_cast<size_t>(static_cast<const char*>(hit) - block.data());
      if (!walk_collection(layout, block_start + offset, read_from_descriptor, &fd, nullptr)) return false;
      i = offset + 1;
    }
    at += want;
    carried = std::min(have, sizeof kStart - 1);
    std::memmove(block.data(), block.data() + have - carried, carried);
  }
  return true;
}

}  // namespace

bool glh_file_heaps_are_sound(hid_t file) {
  IdCloser ids;
  if (H5Iinc_ref(file) < 0) return false;
  ids.file = file;
  ids.plist = H5Fget_create_plist(file);
  if (ids.plist < 0) return false;
  size_t address_size = 0, length_size = 0;  // only the length size matters
  if (H5Pget_sizes(ids.plist, &address_size, &length_size) < 0) return false;
  int* fd = descriptor(ids);
  struct stat st;
  if (!fd || fstat(*fd, &st) != 0 || st.st_size < 0) return false;
  {
    std::lock_guard<std::mutex> lock(verdicts_mutex);
    for (const Verdict& v : verdicts) {
      if (same_file(v, st)) return v.sound;
    }
  }
  Verdict verdict;
  verdict.device = st.st_dev;
  verdict.inode = st.st_ino;
  verdict.size = st.st_size;
  verdict.modified = st.st_mtim;
  verdict.changed = st.st_ctim;
  try {
    verdict.sound = scan_for_collections(*fd, static_cast<unsigned>(length_size), static_cast<uint64_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::lock_guard<std::mutex> lock(verdicts_mutex);
  try {
    if (verdicts.size() == kKeptVerdicts) verdicts.pop_front();
    verdicts.push_back(verdict);
  } catch (const std::bad_alloc&) {
  }
  return verdict.sound;
}

bool glh_heap_collection_is_sound(const GlhHeapLayout& layout, uint64_t address, GlhByteReader read, void* source) {
  return walk_collection(layout, address, read, source, nullptr);
}

bool glh_text_entries_are_sound(hid_t dataset, uint64_t start, uint64_t count) {
  IdCloser ids;
  ids.file = H5Iget_file_id(dataset);
  if (ids.file < 0) return false;
  ids.plist = H5Fget_create_plist(ids.file);
  if (ids.plist < 0) return false;
  size_t address_size = 0, length_size = 0;
  hsize_t userblock = 0, file_size = 0;
  if (H5Pget_sizes(ids.plist, &address_size, &length_size) < 0 || H5Pget_userblock(ids.plist, &userblock) < 0 ||
      H5Fget_filesize(ids.file, &file_size) < 0) {
    return false;
  }
  if (address_size == 0 || address_size > 8) return false;
  int* fd = descriptor(ids);
  if (!fd) return false;
  Entries entries;
  entries.fd = *fd;
  entries.layout.length_size = static_cast<unsigned>(length_size);
  entries.layout.file_size = file_size;
  entries.base = userblock;
  entries.address_size = static_cast<unsigned>(address_size);
  entries.element = 4 + address_size + 4;

  hid_t space = H5Dget_space(dataset);
  if (space < 0) return false;
  hsize_t extent = 0;
  const int rank = H5Sget_simple_extent_ndims(space) == 1 ? H5Sget_simple_extent_dims(space, &extent, nullptr) : -1;
  H5Sclose(space);
  if (rank != 1 || start > extent || count > extent - start) return false;

  struct Dcpl {
    hid_t id;
    ~Dcpl() {
      if (id >= 0) H5Pclose(id);
    }
  } dcpl{H5Dget_create_plist(dataset)};
  if (dcpl.id < 0) return false;
  try {
    switch (H5Pget_layout(dcpl.id)) {
      case H5D_CONTIGUOUS:
        return contiguous_entries_are_sound(dataset, entries, start, count);
      case H5D_CHUNKED:
        // Compressed chunks only HDF5 can decode; their descriptors go unchecked.
        if (H5Pget_nfilters(dcpl.id) != 0) return true;
        return chunked_entries_are_sound(dataset, dcpl.id, entries, start, count);
      case H5D_COMPACT:
        return true;  // a few entries kept in the object header itself
      default:
        return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace sorvi
