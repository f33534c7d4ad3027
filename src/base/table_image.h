#ifndef NUVRA_BASE_TABLE_IMAGE_H_
#define NUVRA_BASE_TABLE_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/large_allocator.h"
#include "base/table_array.h"

namespace nuvra {

// Tables laid out as one block of bytes at build time and read back, in the
// same order, by the library that carries the block. The numbers come first,
// 64-bit words, an array's length among them, then the arrays' elements,
// each on a cache line of its own: reading an image touches its first page
// and borrows the arrays where they lie, copying and hashing nothing; their
// pages are read in as lookups reach them. Only the machine and build that
// wrote an image read it; the block must start on a kTableImageAlignment
// boundary.
inline constexpr size_t kTableImageAlignment = 64;

inline size_t alignedTableOffset(size_t offset) {
  return (offset + kTableImageAlignment - 1) / kTableImageAlignment * kTableImageAlignment;
}

// Holds the arrays it is given, not copies: they must stay as they are until
// bytes() lays the image out, in one block written once.
class TableImageWriter {
 public:
  void number(uint64_t value) { numbers_.push_back(value); }
  template <typename T>
  void array(const T* values, size_t count) {
    static_assert(std::is_trivially_copyable_v<T>);
    number(count);
    arrays_.push_back({reinterpret_cast<const char*>(values), count * sizeof(T)});
  }
  template <typename T, typename Owner>
  void array(const TableArray<T, Owner>& values) {
    array(values.data(), values.size());
  }
  // A temporary's elements would be gone by then.
  template <typename T, typename Owner>
  void array(TableArray<T, Owner>&& values) = delete;
  // The count of numbers, the numbers, then the arrays.
  LargeString bytes() const {
    const uint64_t count = numbers_.size();
    size_t size = alignedTableOffset(sizeof(count) * (count + 1));
    for (const Span& array : arrays_) size = alignedTableOffset(size) + array.size;
    // Each byte written once: megabytes of tables are copied here.
    LargeString out;
    out.reserve(size);
    out.append(reinterpret_cast<const char*>(&count), sizeof(count));
    out.append(reinterpret_cast<const char*>(numbers_.data()), count * sizeof(uint64_t));
    for (const Span& array : arrays_) {
      out.append(alignedTableOffset(out.size()) - out.size(), '\0');
      if (array.size > 0) out.append(array.data, array.size);
    }
    return out;
  }

 private:
  struct Span {
    const char* data;
    size_t size;
  };
  std::vector<uint64_t> numbers_;
  std::vector<Span> arrays_;
};

// Throws std::logic_error when a read runs past the block: the image does
// not match the reader, which only a broken build can cause.
class TableImageReader {
 public:
  TableImageReader(const unsigned char* data, size_t size) : data_(data), size_(size) {
    const uint64_t count = number();
    if (count > (size_ - sizeof(uint64_t)) / sizeof(uint64_t)) fail();
    numbers_end_ = sizeof(uint64_t) * (count + 1);
    arrays_at_ = alignedTableOffset(numbers_end_);
  }

  uint64_t number() {
    if (numbers_at_ + sizeof(uint64_t) > (numbers_end_ ? numbers_end_ : size_)) fail();
    uint64_t value;
    std::memcpy(&value, data_ + numbers_at_, sizeof(value));
    numbers_at_ += sizeof(value);
    return value;
  }
  template <typename T, typename Owner>
  void array(TableArray<T, Owner>& into) {
    const uint64_t count = number();
    const size_t at = alignedTableOffset(arrays_at_);
    if (at > size_ || count > (size_ - at) / sizeof(T)) fail();
    into = TableArray<T, Owner>::borrow(reinterpret_cast<const T*>(data_ + at), count);
    arrays_at_ = at + count * sizeof(T);
  }
  // Every number and array read.
  bool atEnd() const { return numbers_at_ == numbers_end_ && arrays_at_ == size_; }

 private:
  [[noreturn]] static void fail() { throw std::logic_error("table image does not match"); }

  const unsigned char* data_;
  size_t size_;
  size_t numbers_at_ = 0;
  size_t numbers_end_ = 0;  // 0 while the count itself is read
  size_t arrays_at_ = 0;
};

// `table` copied into one block of its own, in its image's layout, and read
// back borrowing from it: a table built from a file holds several arrays of
// up to megabytes each, which apart would each round up to whole huge pages.
// `Table` has save() and a constructor from a TableImageReader.
template <typename Table>
std::shared_ptr<const Table> compactTable(const Table& table) {
  struct Stored {
    explicit Stored(LargeString image)
        : block(std::move(image)),
          reader(reinterpret_cast<const unsigned char*>(block.data()), block.size()),
          table(reader) {
      if (!reader.atEnd()) throw std::logic_error("table image does not match");
    }
    const LargeString block;
    TableImageReader reader;
    const Table table;
  };
  TableImageWriter image;
  table.save(image);
  const auto stored = std::make_shared<const Stored>(image.bytes());
  return std::shared_ptr<const Table>(stored, &stored->table);
}

}  // namespace nuvra

#endif  // NUVRA_BASE_TABLE_IMAGE_H_
