#ifndef NUVRA_BASE_LARGE_ALLOCATOR_H_
#define NUVRA_BASE_LARGE_ALLOCATOR_H_

#include <cstddef>
#include <new>
#include <string>
#include <vector>

namespace nuvra {

// Blocks from a size up are whole 2 MiB pages, aligned and advised to be
// huge pages where the system offers them; others come from operator new.
// Tables opened from files and the buffers of long encodes are megabytes
// written once, at random: in 4 KiB pages the first touch of each costs
// more than the work done on it (some 10 us a page on virtual machines),
// and random lookups miss the TLB. The price is memory rounded up to 2 MiB
// per block: blocks from kLargeBlockBytes for tables being built, which are
// packed into one block once built (see compactTable) or soon freed, and
// from kLargeBufferBytes for buffers a handle keeps, so that they at most
// double.
inline constexpr size_t kLargeBlockBytes = size_t(128) << 10;
inline constexpr size_t kLargeBufferBytes = size_t(1) << 20;

// Where a block's pages come from. kReused: malloc's, so a process that
// opens tables again reuses pages it has instead of having new ones cleared
// and faulted; they are huge where malloc hands out fresh memory, as a
// process's first opens do. kMapped: a mapping of the block's own, huge from
// the first touch, for the buffers a handle keeps, which an encode of a long
// text writes and reads at random: on small pages that a process's history
// left in malloc's hands, such encodes ran up to a third slower.
enum class LargePages { kReused, kMapped };
// A block of at least `bytes`; throws std::bad_alloc.
void* allocateLarge(size_t bytes, LargePages pages);
void releaseLarge(void* block, size_t bytes, LargePages pages) noexcept;

template <typename T, size_t kMinBytes = kLargeBlockBytes,
          LargePages kPages = LargePages::kReused>
struct LargeAllocator {
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = LargeAllocator<U, kMinBytes, kPages>;
  };
  LargeAllocator() = default;
  template <typename U>
  LargeAllocator(const LargeAllocator<U, kMinBytes, kPages>&) noexcept {}  // NOLINT: implicit
  T* allocate(size_t n) {
    const size_t bytes = n * sizeof(T);
    return static_cast<T*>(bytes < kMinBytes ? ::operator new(bytes)
                                             : allocateLarge(bytes, kPages));
  }
  void deallocate(T* p, size_t n) noexcept {
    const size_t bytes = n * sizeof(T);
    if (bytes < kMinBytes) {
      ::operator delete(p);
    } else {
      releaseLarge(p, bytes, kPages);
    }
  }
  template <typename U>
  bool operator==(const LargeAllocator<U, kMinBytes, kPages>&) const noexcept { return true; }
  template <typename U>
  bool operator!=(const LargeAllocator<U, kMinBytes, kPages>&) const noexcept { return false; }
};

template <typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;
using LargeString = std::basic_string<char, std::char_traits<char>, LargeAllocator<char>>;
// For buffers a handle keeps between calls.
template <typename T>
using BufferVector = std::vector<T, LargeAllocator<T, kLargeBufferBytes, LargePages::kMapped>>;

}  // namespace nuvra

#endif  // NUVRA_BASE_LARGE_ALLOCATOR_H_
