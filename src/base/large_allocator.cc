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

void* allocateLarge(size_t bytes) {
  if (bytes > SIZE_MAX - kHugePage) throw std::bad_alloc();
  const size_t size = wholeHugePages(bytes);
  // From malloc, aligned: a process that opens tables again reuses pages it
  // has, where a mapping of its own would be cleared and faulted anew.
  void* block = nullptr;
  if (::posix_memalign(&block, kHugePage, size) != 0) throw std::bad_alloc();
  // Only advice: without huge pages the block works in small ones.
  ::madvise(block, size, MADV_HUGEPAGE);
  return block;
}

void releaseLarge(void* block, size_t) noexcept { std::free(block); }

#else

void* allocateLarge(size_t bytes) { return ::operator new(bytes); }
void releaseLarge(void* block, size_t) noexcept { ::operator delete(block); }

#endif

}  // namespace nuvra
