// Memory for the large arrays of a module's analysis data (its violations,
// data-flow findings, line tables). An array of 2 MB or more gets a mapping
// of its own that the system is asked to back with huge pages: a million-
// line module fills tens of megabytes of such arrays, and touching them a
// 4 KB page at a time costs a page fault per page, several times the work
// of filling them. Smaller arrays come from the ordinary heap. Where huge
// pages are not available the mapping is an ordinary one.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace sorvi {

// Asks the system to back a mapping with huge pages where it has them.
void advise_huge_pages(void* memory, std::size_t bytes) noexcept;

// For a short-lived process (a batch report): memory the heap frees is kept
// for the next allocations instead of going back to the system, and blocks
// up to 32 MB come from the heap rather than from mappings of their own.
// Memory the system hands out afresh costs a page fault per page and its
// clearing, several times the work then done in it; a report's temporary
// tables and buffers reuse the same memory instead.
void keep_freed_memory() noexcept;

// Raw memory for `bytes` bytes; throws std::bad_alloc when there is none.
void* allocate_large_array(std::size_t bytes);
// Gives back memory from allocate_large_array of the same size.
void free_large_array(void* memory, std::size_t bytes) noexcept;

template <typename T>
struct LargeArrayAllocator {
  using value_type = T;
  LargeArrayAllocator() noexcept = default;
  template <typename U>
  LargeArrayAllocator(const LargeArrayAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(allocate_large_array(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { free_large_array(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const LargeArrayAllocator<U>&) const noexcept {
    return true;
  }
  template <typename U>
  bool operator!=(const LargeArrayAllocator<U>&) const noexcept {
    return false;
  }
};

template <typename T>
using large_vector = std::vector<T, LargeArrayAllocator<T>>;

}  // namespace sorvi
