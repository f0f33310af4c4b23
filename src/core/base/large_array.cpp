#include "base/large_array.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>

namespace sorvi {
namespace {

// The huge-page size the mappings are aligned to, and the smallest array
// that gets a mapping of its own.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t mapped_size(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

// Under the address sanitizer every array comes from the heap, where its
// bounds are checked.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapOnly = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kHeapOnly = true;
#else
constexpr bool kHeapOnly = false;
#endif
#else
constexpr bool kHeapOnly = false;
#endif

void advise_huge_pages(void* memory, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
  madvise(memory, bytes, MADV_HUGEPAGE);
#else
  (void)memory;
  (void)bytes;
#endif
}

void keep_freed_memory() noexcept {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_TOP_PAD, 16 << 20);
}

void* allocate_large_array(std::size_t bytes) {
  if (bytes < kHugePage || kHeapOnly) return ::operator new(bytes);
  if (bytes > static_cast<std::size_t>(-1) - 2 * kHugePage) throw std::bad_alloc();
  const std::size_t size = mapped_size(bytes);
  // Mapped a huge page larger than needed, then trimmed to an aligned start.
  void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) munmap(raw, aligned - start);
  const std::size_t tail = kHugePage - (aligned - start);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
  void* memory = reinterpret_cast<void*>(aligned);
  advise_huge_pages(memory, size);
  return memory;
}

void free_large_array(void* memory, std::size_t bytes) noexcept {
  if (!memory) return;
  if (bytes < kHugePage || kHeapOnly) {
    ::operator delete(memory);
    return;
  }
  munmap(memory, mapped_size(bytes));
}

}  // namespace sorvi
