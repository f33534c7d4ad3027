#include "base/large_allocator.h"

#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace nuvra {
namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t mappedBytes(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

#if defined(__linux__) && defined(MADV_HUGEPAGE)

void* allocateLarge(size_t bytes) {
  if (bytes > SIZE_MAX - 2 * kHugePage) throw std::bad_alloc();
  const size_t size = mappedBytes(bytes);
  // Mapped with a huge page's worth to spare, then trimmed to an aligned
  // block: only aligned 2 MiB ranges get huge pages.
  void* raw = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  const size_t after = start + size + kHugePage - (aligned + size);
  if (after > 0) ::munmap(reinterpret_cast<void*>(aligned + size), after);
  void* block = reinterpret_cast<void*>(aligned);
  // Only advice: without huge pages the block works in small ones.
  ::madvise(block, size, MADV_HUGEPAGE);
  return block;
}

void releaseLarge(void* block, size_t bytes) noexcept {
  ::munmap(block, mappedBytes(bytes));
}

#else

void* allocateLarge(size_t bytes) { return ::operator new(bytes); }
void releaseLarge(void* block, size_t) noexcept { ::operator delete(block); }

#endif

}  // namespace nuvra
