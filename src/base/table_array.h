#ifndef NUVRA_BASE_TABLE_ARRAY_H_
#define NUVRA_BASE_TABLE_ARRAY_H_

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "base/large_allocator.h"

namespace nuvra {

// The elements of an immutable table: either owned, for a table built at run
// time from a file, or borrowed from constant data the library carries, so a
// built-in table is mapped read-only and shared by every process instead of
// being rebuilt and copied in each. `Owner` is LargeVector<T>, or LargeString
// for text.
template <typename T, typename Owner = LargeVector<T>>
class TableArray {
 public:
  TableArray() = default;
  // Takes the elements over.
  TableArray(Owner owned) : owned_(std::move(owned)) { point(); }  // NOLINT: implicit by design
  // `data` must outlive the array: constant data of the library.
  static TableArray borrow(const T* data, size_t size) {
    TableArray array;
    array.data_ = data;
    array.size_ = size;
    array.borrowed_ = true;
    return array;
  }

  // A moved std::string may move its characters, so the view is taken anew.
  TableArray(const TableArray& other) : owned_(other.owned_), borrowed_(other.borrowed_) {
    point(other);
  }
  TableArray(TableArray&& other) noexcept
      : owned_(std::move(other.owned_)), borrowed_(other.borrowed_) {
    point(other);
  }
  TableArray& operator=(const TableArray& other) {
    if (this != &other) *this = TableArray(other);
    return *this;
  }
  TableArray& operator=(TableArray&& other) noexcept {
    owned_ = std::move(other.owned_);
    borrowed_ = other.borrowed_;
    point(other);
    return *this;
  }

  const T* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const T& operator[](size_t i) const { return data_[i]; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

 private:
  void point() {
    data_ = owned_.data();
    size_ = owned_.size();
  }
  void point(const TableArray& from) {
    if (borrowed_) {
      data_ = from.data_;
      size_ = from.size_;
    } else {
      point();
    }
  }

  Owner owned_;
  const T* data_ = nullptr;
  size_t size_ = 0;
  bool borrowed_ = false;
};

}  // namespace nuvra

#endif  // NUVRA_BASE_TABLE_ARRAY_H_
