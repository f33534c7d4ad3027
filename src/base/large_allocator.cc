#include "base/large_allocator.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace nuvra {
namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t wholeHugePages(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

#if defined(__linux__) && defined(MADV_HUGEPAGE)

void* allocateLarge(size_t bytes, LargePages pages) {
  if (bytes > SIZE_MAX - 2 * kHugePage) throw std::bad_alloc();
  const size_t size = wholeHugePages(bytes);
  void* block = nullptr;
  if (pages == LargePages::kReused) {
    if (::posix_memalign(&block, kHugePage, size) != 0) throw std::bad_alloc();
  } else {
    // Mapped with a huge page's worth to spare, then trimmed to an aligned
    // block: only aligned 2 MiB ranges get huge pages.
    void* raw = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
    if (aligned > start) ::munmap(raw, aligned - start);
    const size_t after = start + kHugePage - aligned;
    if (after > 0) ::munmap(reinterpret_cast<void*>(aligned + size), after);
    block = reinterpret_cast<void*>(aligned);
  }
  // Only advice: without huge pages the block works in small ones.
  ::madvise(block, size, MADV_HUGEPAGE);
  return block;
}

void releaseLarge(void* block, size_t bytes, LargePages pages) noexcept {
  if (pages == LargePages::kReused) {
    std::free(block);
  } else {
    ::munmap(block, wholeHugePages(bytes));
  }
}

#else

void* allocateLarge(size_t bytes, LargePages) { return ::operator new(bytes); }
void releaseLarge(void* block, size_t, LargePages) noexcept { ::operator delete(block); }

#endif

}  // namespace nuvra
