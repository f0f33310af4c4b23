#include "glh/glh_heap_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
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

// Where a collection's object's data starts (offset in the collection) and
// how many bytes it stores; size UINT64_MAX: no such object.
struct HeapObject {
  uint64_t at = 0;
  uint64_t size = UINT64_MAX;
};
using HeapObjects = std::vector<HeapObject>;

// A collection up to this size is read whole; a larger one header by header.
constexpr uint64_t kWholeCollection = uint64_t{16} << 20;
// An object from this size on is taken for a chunk of a text.
constexpr uint64_t kLargeObject = 4096;

// The size a collection's header gives, or 0 when the header at `start` is
// not one HDF5 would accept for a file of this layout.
uint64_t collection_size(const GlhHeapLayout& layout, uint64_t start, const unsigned char* header) {
  const unsigned ls = layout.length_size;
  if (std::memcmp(header, "GCOL", 4) != 0 || header[4] != 1) return 0;
  const uint64_t size = little_endian(header + 8, ls);
  if (size < kMinCollectionSize || size > layout.file_size - start) return 0;
  return size;
}

// Walks the objects of a collection of `size` bytes whose header is sound;
// `whole` holds the collection's bytes, or is null to read each object's
// header in turn.
bool walk_objects(const GlhHeapLayout& layout, uint64_t start, uint64_t size, const unsigned char* whole,
                  GlhByteReader read, void* source, HeapObjects* objects) {
  // Objects: number (2 bytes), references (2), reserved (4), size. Object 0
  // is the free space, whose size already counts its header; the others are
  // padded to the alignment. A tail too short for a header is free space.
  const unsigned ls = layout.length_size;
  const uint64_t object_header = align_up(8 + ls);
  if (objects) objects->clear();
  uint64_t at = object_header;  // the collection's header is as long as an object's
  while (at < size) {
    if (size - at < object_header) break;
    unsigned char copy[16];
    const unsigned char* object = copy;
    if (whole) {
      object = whole + at;
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
      if (objects) {
        if (objects->size() <= number) objects->resize(number + 1);
        (*objects)[number] = HeapObject{at + object_header, stored};
      }
    } else {
      need = stored;
    }
    if (need < object_header || need > room) return false;
    at += need;
  }
  return true;
}

// Walks the collection at file offset `start` the way HDF5 decodes it, with
// every bound checked; gives its objects by number (the free space left
// out) when asked. False when the collection is damaged.
bool walk_collection(const GlhHeapLayout& layout, uint64_t start, GlhByteReader read, void* source,
                     HeapObjects* objects) {
  const unsigned ls = layout.length_size;
  if (ls != 2 && ls != 4 && ls != 8) return false;
  if (start > layout.file_size) return false;

  // Header: "GCOL", version, three reserved bytes, the collection size;
  // read with the header of the first object after it.
  unsigned char header[32];
  const uint64_t header_size = align_up(8 + ls);
  if (header_size > 16 || start > layout.file_size - header_size) return false;
  if (!read(source, start, header, static_cast<size_t>(std::min<uint64_t>(sizeof header, layout.file_size - start)))) {
    return false;
  }
  const uint64_t size = collection_size(layout, start, header);
  if (size == 0) return false;
  // A sound size is at least kMinCollectionSize, so the first object's
  // header was read too. When that object is large, the collection holds a
  // text stored in chunks: its objects are walked header by header, as
  // reading the collection whole would copy the text once more only to
  // skip it.
  const bool large_objects = little_endian(header + header_size, 2) > 0 &&
                             little_endian(header + header_size + 8, ls) >= kLargeObject;

  // The buffer stays with the thread, so walking many collections does not
  // allocate and clear one each time.
  thread_local std::vector<unsigned char> buffer;
  const unsigned char* whole = nullptr;
  if (size <= kWholeCollection && !large_objects) {
    if (buffer.size() < size) buffer.resize(static_cast<size_t>(size));
    if (!read(source, start, buffer.data(), static_cast<size_t>(size))) return false;
    whole = buffer.data();
  }
  return walk_objects(layout, start, size, whole, read, source, objects);
}

// What the checks of stored heap references need of a file: the descriptor
// HDF5 reads it through, the layout for the walk, the file offset that
// addresses count from, and the size of an address.
struct HeapFile {
  int fd = -1;
  GlhHeapLayout layout;
  uint64_t base = 0;
  unsigned address_size = 8;
};

// Fills `heap` for the file that holds `object`; the identifiers it opens
// are closed by `ids`.
bool open_heap_file(hid_t object, IdCloser& ids, HeapFile& heap) {
  ids.file = H5Iget_file_id(object);
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
  heap.fd = *fd;
  heap.layout.length_size = static_cast<unsigned>(length_size);
  heap.layout.file_size = file_size;
  heap.base = userblock;
  heap.address_size = static_cast<unsigned>(address_size);
  return true;
}

// Walks the collection at `address` (counted from the base) and gives its
// objects; false when the address is outside the file or the collection is
// damaged.
bool walk_stored_collection(HeapFile& heap, uint64_t address, HeapObjects& objects) {
  if (address > heap.layout.file_size || heap.base > heap.layout.file_size - address) return false;
  return walk_collection(heap.layout, heap.base + address, read_from_descriptor, &heap.fd, &objects);
}

struct TextReader;

// The stored form of a variable-length text: its length (4 bytes), the
// address of its collection and its object number (4 bytes). HDF5 takes the
// length to size its buffer before it reads the object, and copies the
// whole object into that buffer, so the two must agree.
struct Entries {
  HeapFile heap;
  size_t element = 16;
  // Collections walked so far (texts of one dataset may alternate between
  // a few); forgotten all at once when there are too many.
  std::unordered_map<uint64_t, HeapObjects> collections;
  // When the texts are wanted: each checked entry's text goes here in order.
  TextReader* reader = nullptr;
};

constexpr size_t kKeptCollections = 64;

// Reads checked texts from where they lie in the file, through a window of
// the file's bytes: the objects of one text lie one after the other, so one
// read serves many of them. A text longer than the window is read on its
// own.
struct TextReader {
  static constexpr size_t kWindow = size_t{1} << 20;
  GlhTextTaker take = nullptr;
  void* context = nullptr;
  // The window's memory stays with the thread for the next text.
  std::vector<unsigned char>& window = thread_window();
  uint64_t window_at = 0;
  size_t window_size = 0;
  std::vector<unsigned char> own;  // a text longer than the window

  // Hands over `length` bytes at file offset `at` (inside the file: the
  // object holding them was walked), up to the first NUL, as HDF5 gives a
  // text.
  bool text(HeapFile& heap, uint64_t at, uint64_t length) {
    if (length == 0) return take(context, "", 0);
    const unsigned char* bytes = nullptr;
    if (length > kWindow) {
      own.resize(static_cast<size_t>(length));
      if (!read_from_descriptor(&heap.fd, at, own.data(), own.size())) return false;
      bytes = own.data();
    } else {
      if (at < window_at || at - window_at > window_size || length > window_size - (at - window_at)) {
        if (window.size() < kWindow) window.resize(kWindow);
        window_at = at;
        window_size = static_cast<size_t>(std::min<uint64_t>(kWindow, heap.layout.file_size - at));
        if (window_size < length || !read_from_descriptor(&heap.fd, at, window.data(), window_size)) {
          return false;
        }
      }
      bytes = window.data() + (at - window_at);
    }
    const void* end = std::memchr(bytes, 0, static_cast<size_t>(length));
    const size_t shown = end ? static_cast<size_t>(static_cast<const unsigned char*>(end) - bytes) : length;
    return take(context, reinterpret_cast<const char*>(bytes), shown);
  }

  static std::vector<unsigned char>& thread_window() {
    thread_local std::vector<unsigned char> bytes;
    return bytes;
  }

  bool nulls(uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
      if (!take(context, "", 0)) return false;
    }
    return true;
  }
};

bool descriptors_are_sound(Entries& e, const unsigned char* raw, size_t count) {
  const unsigned address_size = e.heap.address_size;
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* p = raw + i * e.element;
    const uint64_t length = little_endian(p, 4);
    const uint64_t address = little_endian(p + 4, address_size);
    const uint64_t number = little_endian(p + 4 + address_size, 4);
    if (address == 0) {  // a null text: HDF5 reads nothing
      if (e.reader && !e.reader->nulls(1)) return false;
      continue;
    }
    auto found = e.collections.find(address);
    if (found == e.collections.end()) {
      HeapObjects objects;
      if (!walk_stored_collection(e.heap, address, objects)) return false;
      if (e.collections.size() >= kKeptCollections) e.collections.clear();
      found = e.collections.emplace(address, std::move(objects)).first;
    }
    const HeapObjects& objects = found->second;
    if (number >= objects.size() || objects[number].size != length) return false;
    if (e.reader && !e.reader->text(e.heap, e.heap.base + address + objects[number].at, length)) return false;
  }
  return true;
}

// Descriptors read this many at a time.
constexpr uint64_t kDescriptorsPerRead = 65536;

bool contiguous_entries_are_sound(hid_t dataset, Entries& e, uint64_t start, uint64_t count) {
  const haddr_t at = H5Dget_offset(dataset);
  // Nothing stored yet: every entry is empty.
  if (at == HADDR_UNDEF) return !e.reader || e.reader->nulls(count);
  const uint64_t stored = H5Dget_storage_size(dataset);
  if (start > stored / e.element || count > stored / e.element - start) return false;
  std::vector<unsigned char> raw(static_cast<size_t>(std::min(count, kDescriptorsPerRead)) * e.element);
  for (uint64_t done = 0; done < count;) {
    const uint64_t n = std::min(count - done, kDescriptorsPerRead);
    if (!read_from_descriptor(&e.heap.fd, at + (start + done) * e.element, raw.data(), n * e.element)) return false;
    if (!descriptors_are_sound(e, raw.data(), static_cast<size_t>(n))) return false;
    done += n;
  }
  return true;
}

bool chunked_entries_are_sound(hid_t dataset, hid_t dcpl, Entries& e, uint64_t start, uint64_t count) {
  hsize_t chunk = 0;
  if (H5Pget_chunk(dcpl, 1, &chunk) != 1 || chunk == 0) return false;
  if (chunk > e.heap.layout.file_size / e.element) return false;
  std::vector<unsigned char> raw;
  const uint64_t end = start + count;
  for (uint64_t first = start / chunk * chunk; first < end; first += chunk) {
    hsize_t offset[1] = {first};
    hsize_t bytes = 0;
    const uint64_t from = std::max(first, start), to = std::min<uint64_t>(first + chunk, end);
    // A chunk never written holds empty entries only.
    const herr_t stored = H5Dget_chunk_storage_size(dataset, offset, &bytes);
    if (stored < 0 && e.reader) return false;  // what HDF5 cannot say it cannot read either
    if (stored < 0 || bytes == 0) {
      if (e.reader && !e.reader->nulls(to - from)) return false;
      continue;
    }
    if (bytes != chunk * e.element) return false;
    raw.resize(static_cast<size_t>(bytes));
    uint32_t filters = 0;
    if (H5Dread_chunk(dataset, H5P_DEFAULT, offset, &filters, raw.data()) < 0) return false;
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

// Finds every collection signature that starts in [from, to) and walks
// each collection. The range is read once, a block at a time (each block a
// few bytes longer, so that a signature across its end is seen): a
// collection that lies within the block is walked where it lies, one that
// crosses the block's end is read through the descriptor.
bool scan_range(int fd, const GlhHeapLayout& layout, uint64_t from, uint64_t to) {
  static const unsigned char kStart[5] = {'G', 'C', 'O', 'L', 1};
  constexpr size_t kBlock = size_t{1} << 20;
  std::vector<unsigned char> block(kBlock + sizeof kStart - 1);
  const uint64_t header_size = align_up(8 + layout.length_size);
  const unsigned char* data = block.data();
  for (uint64_t at = from; at < to; at += kBlock) {
    // Signatures starting in [at, starts_end) are this block's.
    const uint64_t starts_end = std::min<uint64_t>(to, at + kBlock);
    const size_t have =
        static_cast<size_t>(std::min<uint64_t>(starts_end + sizeof kStart - 1, layout.file_size) - at);
    if (!read_from_descriptor(&fd, at, block.data(), have)) return false;
    if (have < sizeof kStart) break;
    const size_t last_start = std::min<size_t>(have - sizeof kStart + 1, static_cast<size_t>(starts_end - at));
    // A search for the first byte, then a compare, is several times faster
    // here than a general substring search.
    for (size_t i = 0; i < last_start;) {
      const void* hit = std::memchr(data + i, kStart[0], last_start - i);
      if (!hit) break;
      const size_t offset = static_cast<size_t>(static_cast<const unsigned char*>(hit) - data);
      i = offset + 1;
      if (std::memcmp(data + offset, kStart, sizeof kStart) != 0) continue;
      const uint64_t start = at + offset;
      bool walked = false;
      if (have - offset >= header_size && start <= layout.file_size - header_size) {
        const uint64_t size = collection_size(layout, start, data + offset);
        if (size == 0) return false;
        if (size <= have - offset) {
          if (!walk_objects(layout, start, size, data + offset, read_from_descriptor, &fd, nullptr)) return false;
          walked = true;
        }
      }
      if (!walked && !walk_collection(layout, start, read_from_descriptor, &fd, nullptr)) return false;
    }
  }
  return true;
}

// A file from this size on is scanned in two halves at once, the first on
// a second thread.
constexpr uint64_t kSplitScan = uint64_t{64} << 20;

bool scan_for_collections(int fd, unsigned length_size, uint64_t file_size) {
  if (length_size != 2 && length_size != 4 && length_size != 8) return false;
  GlhHeapLayout layout;
  layout.length_size = length_size;
  layout.file_size = file_size;
  if (file_size >= kSplitScan) {
    const uint64_t middle = file_size / 2;
    bool first_sound = false;
    std::exception_ptr first_failure;
    std::thread first;
    try {
      first = std::thread([&] {
        try {
          first_sound = scan_range(fd, layout, 0, middle);
        } catch (...) {
          first_failure = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // No second thread: the whole file here.
    }
    if (first.joinable()) {
      bool second_sound = false;
      std::exception_ptr second_failure;
      try {
        second_sound = scan_range(fd, layout, middle, file_size);
      } catch (...) {
        second_failure = std::current_exception();
      }
      first.join();
      if (first_failure) std::rethrow_exception(first_failure);
      if (second_failure) std::rethrow_exception(second_failure);
      return first_sound && second_sound;
    }
  }
  return scan_range(fd, layout, 0, file_size);
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

namespace {

// Selection types as a region reference stores them, and the flag of a
// version 2 hyperslab that is one regular pattern.
constexpr uint64_t kSelectNone = 0, kSelectPoints = 1, kSelectHyperslabs = 2, kSelectAll = 3;
constexpr uint64_t kRegularHyperslab = 1;

// Takes the little-endian fields of a stored selection in order, never past
// its end.
struct FieldReader {
  const unsigned char* at;
  size_t left;
  bool take(unsigned width, uint64_t& value) {
    if (left < width) return false;
    value = little_endian(at, width);
    at += width;
    left -= width;
    return true;
  }
};

// One regular hyperslab per dimension (start, stride, count, block): every
// block inside the extent.
bool regular_hyperslab_is_inside(FieldReader& in, const hsize_t* dims, int rank) {
  for (int d = 0; d < rank; ++d) {
    uint64_t start = 0, stride = 0, count = 0, block = 0;
    if (!in.take(8, start) || !in.take(8, stride) || !in.take(8, count) || !in.take(8, block)) return false;
    if (count == 0 || block == 0 || count == H5S_UNLIMITED || block == H5S_UNLIMITED) return false;
    if (count > 1 && stride < block) return false;
    // The last block ends at start + (count - 1) * stride + block.
    if (start >= dims[d] || block > dims[d] - start) return false;
    if (count > 1 && count - 1 > (dims[d] - start - block) / stride) return false;
  }
  return true;
}

// `count` points (one coordinate per dimension) or blocks (the coordinates of
// two opposite corners), each 4 bytes: all inside the extent.
bool listed_selection_is_inside(FieldReader& in, uint64_t count, bool blocks, const hsize_t* dims, int rank) {
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t first[H5S_MAX_RANK];
    for (int d = 0; d < rank; ++d) {
      if (!in.take(4, first[d]) || first[d] >= dims[d]) return false;
    }
    for (int d = 0; blocks && d < rank; ++d) {
      uint64_t last = 0;
      if (!in.take(4, last) || last < first[d] || last >= dims[d]) return false;
    }
  }
  return true;
}

}  // namespace

bool glh_region_selection_is_sound(const unsigned char* selection, size_t size, const hsize_t* dims, int rank) {
  FieldReader in{selection, size};
  uint64_t type = 0, version = 0, reserved = 0, length = 0;
  if (!in.take(4, type) || !in.take(4, version)) return false;
  if (type == kSelectNone || type == kSelectAll) {
    return version == 1 && in.take(4, reserved) && in.take(4, length) && length == 0;
  }
  if (type != kSelectPoints && type != kSelectHyperslabs) return false;
  const bool regular = type == kSelectHyperslabs && version == 2;
  if (regular) {
    uint64_t flags = 0;
    if (!in.take(1, flags) || (flags & kRegularHyperslab) == 0) return false;
  } else if (version != 1 || !in.take(4, reserved)) {
    return false;
  }
  // The length counts the bytes after it: the rank and what follows.
  uint64_t stored_rank = 0, count = 0;
  if (!in.take(4, length) || length > in.left || !in.take(4, stored_rank)) return false;
  if (rank < 1 || rank > H5S_MAX_RANK || stored_rank != static_cast<uint64_t>(rank)) return false;
  if (regular) return length == 4 + stored_rank * 32 && regular_hyperslab_is_inside(in, dims, rank);
  if (!in.take(4, count)) return false;
  const bool blocks = type == kSelectHyperslabs;
  if (length != 8 + count * stored_rank * (blocks ? 8 : 4)) return false;
  return listed_selection_is_inside(in, count, blocks, dims, rank);
}

bool glh_region_reference_is_sound(hid_t location, const hdset_reg_ref_t& reference) {
  IdCloser ids;
  HeapFile heap;
  if (!open_heap_file(location, ids, heap) || heap.address_size + 4 > sizeof reference) return false;
  // The reference: its collection's address and its object's number.
  const uint64_t address = little_endian(reference, heap.address_size);
  const uint64_t number = little_endian(reference + heap.address_size, 4);
  std::vector<unsigned char> bytes;
  try {
    HeapObjects objects;
    if (address == 0 || !walk_stored_collection(heap, address, objects)) return false;
    if (number >= objects.size() || objects[number].size == UINT64_MAX) return false;
    const HeapObject& object = objects[number];
    if (object.size < heap.address_size) return false;
    bytes.resize(static_cast<size_t>(object.size));
    if (!read_from_descriptor(&heap.fd, heap.base + address + object.at, bytes.data(), bytes.size())) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  // The object: the dataset's address, then the selection, which HDF5
  // decodes against that dataset's extent.
  hsize_t dims[H5S_MAX_RANK] = {0};
  int rank = -1;
  const hid_t dataset = H5Oopen_by_addr(ids.file, little_endian(bytes.data(), heap.address_size));
  if (dataset >= 0) {
    if (H5Iget_type(dataset) == H5I_DATASET) {
      const hid_t space = H5Dget_space(dataset);
      if (space >= 0) {
        rank = H5Sget_simple_extent_ndims(space);
        if (rank < 0 || rank > H5S_MAX_RANK || H5Sget_simple_extent_dims(space, dims, nullptr) != rank) rank = -1;
        H5Sclose(space);
      }
    }
    H5Oclose(dataset);
  }
  return rank >= 0 && glh_region_selection_is_sound(bytes.data() + heap.address_size,
                                                    bytes.size() - heap.address_size, dims, rank);
}

namespace {

// How a dataset of texts is stored, as far as the checks go.
enum class TextStorage { kCheckable, kUncheckable, kDamaged };

struct Dcpl {
  hid_t id;
  ~Dcpl() {
    if (id >= 0) H5Pclose(id);
  }
};

// Checks entries [start, start + count) and, with a reader, hands it each
// one's text. Compressed chunks and compact storage only HDF5 can decode:
// they are left to it unchecked (and without a reader nothing is read).
TextStorage check_entries(hid_t dataset, uint64_t start, uint64_t count, TextReader* reader) {
  IdCloser ids;
  Entries entries;
  entries.reader = reader;
  if (!open_heap_file(dataset, ids, entries.heap)) return TextStorage::kDamaged;
  entries.element = 4 + entries.heap.address_size + 4;

  hid_t space = H5Dget_space(dataset);
  if (space < 0) return TextStorage::kDamaged;
  hsize_t extent = 0;
  const int rank = H5Sget_simple_extent_ndims(space) == 1 ? H5Sget_simple_extent_dims(space, &extent, nullptr) : -1;
  H5Sclose(space);
  if (rank != 1 || start > extent || count > extent - start) return TextStorage::kDamaged;

  Dcpl dcpl{H5Dget_create_plist(dataset)};
  if (dcpl.id < 0) return TextStorage::kDamaged;
  auto verdict = [](bool sound) { return sound ? TextStorage::kCheckable : TextStorage::kDamaged; };
  try {
    switch (H5Pget_layout(dcpl.id)) {
      case H5D_CONTIGUOUS:
        return verdict(contiguous_entries_are_sound(dataset, entries, start, count));
      case H5D_CHUNKED:
        if (H5Pget_nfilters(dcpl.id) != 0) return TextStorage::kUncheckable;
        return verdict(chunked_entries_are_sound(dataset, dcpl.id, entries, start, count));
      case H5D_COMPACT:
        return TextStorage::kUncheckable;  // a few entries kept in the object header itself
      default:
        return TextStorage::kDamaged;
    }
  } catch (const std::bad_alloc&) {
    return TextStorage::kDamaged;
  }
}

// True when the dataset holds variable-length texts stored as the library
// hands them to this program (`memory_type`), with no fill value of its own
// (an entry never written is then a null text): what HDF5 would give for
// each entry is then exactly the bytes its descriptor names.
bool texts_read_as_stored(hid_t dataset, hid_t memory_type) {
  const hid_t type = H5Dget_type(dataset);
  if (type < 0) return false;
  const bool same = H5Tget_class(type) == H5T_STRING && H5Tis_variable_str(type) > 0 &&
                    H5Tget_cset(type) == H5Tget_cset(memory_type) && H5Tget_strpad(type) == H5Tget_strpad(memory_type);
  H5Tclose(type);
  if (!same) return false;
  Dcpl dcpl{H5Dget_create_plist(dataset)};
  H5D_fill_value_t fill = H5D_FILL_VALUE_ERROR;
  return dcpl.id >= 0 && H5Pfill_value_defined(dcpl.id, &fill) >= 0 && fill == H5D_FILL_VALUE_DEFAULT;
}

}  // namespace

bool glh_text_entries_are_sound(hid_t dataset, uint64_t start, uint64_t count) {
  return check_entries(dataset, start, count, nullptr) != TextStorage::kDamaged;
}

GlhTextRead glh_read_text_entries(hid_t dataset, hid_t memory_type, uint64_t start, uint64_t count,
                                  GlhTextTaker take, void* context) {
  if (!texts_read_as_stored(dataset, memory_type)) return GlhTextRead::kNotHere;
  TextReader reader;
  reader.take = take;
  reader.context = context;
  try {
    switch (check_entries(dataset, start, count, &reader)) {
      case TextStorage::kCheckable:
        return GlhTextRead::kRead;
      case TextStorage::kUncheckable:
        return GlhTextRead::kNotHere;
      case TextStorage::kDamaged:
        return GlhTextRead::kFailed;
    }
  } catch (const std::bad_alloc&) {
  }
  return GlhTextRead::kFailed;
}

}  // namespace sorvi
