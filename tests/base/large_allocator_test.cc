#include "base/large_allocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "base/table_image.h"

namespace nuvra {
namespace {

TEST(LargeAllocator, BlocksGrowAcrossTheThresholdIntact) {
  // Pushed one by one from a few bytes to 5 MiB: blocks below the threshold,
  // then aligned ones of one and several huge pages, each copied into the next.
  LargeVector<uint32_t> values;
  for (uint32_t i = 0; i < (5u << 20) / sizeof(uint32_t); ++i) {
    values.push_back(i);
    if (values.capacity() * sizeof(uint32_t) >= kLargeBlockBytes) {
      ASSERT_EQ(reinterpret_cast<uintptr_t>(values.data()) % (size_t(2) << 20), 0u) << i;
    }
  }
  std::vector<uint32_t> expected(values.size());
  std::iota(expected.begin(), expected.end(), 0u);
  EXPECT_TRUE(std::equal(values.begin(), values.end(), expected.begin()));

  // A buffer a handle keeps moves from operator new into a mapping of its
  // own, trimmed to a 2 MiB boundary.
  BufferVector<char> buffer(kLargeBufferBytes - 1, 'x');
  buffer.push_back('y');
  EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.data()) % (size_t(2) << 20), 0u);
  EXPECT_EQ(std::string(buffer.end() - 2, buffer.end()), "xy");
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 'x'), std::ptrdiff_t(kLargeBufferBytes - 1));
}

// Arrays of two element sizes and a number, laid out as the library's tables.
struct TwoArrays {
  TwoArrays(const std::string& chars, const std::vector<uint64_t>& words, uint64_t count)
      : text(LargeString(chars)),
        values(LargeVector<uint64_t>(words.begin(), words.end())),
        number(count) {}
  explicit TwoArrays(TableImageReader& image) {
    image.array(text);
    image.array(values);
    number = image.number();
  }
  void save(TableImageWriter& image) const {
    image.array(text);
    image.array(values);
    image.number(number);
  }
  TableArray<char, LargeString> text;
  TableArray<uint64_t> values;
  uint64_t number = 0;
};

TEST(CompactTable, CopiesTheArraysIntoOneBlockOnAlignedLines) {
  std::vector<uint64_t> values(300000);
  std::iota(values.begin(), values.end(), uint64_t(1) << 40);
  const std::string text(1001, 'q');  // leaves the next array off a line boundary
  const auto compact = compactTable(TwoArrays(text, values, 42));
  EXPECT_EQ(std::string(compact->text.begin(), compact->text.end()), text);
  EXPECT_TRUE(std::equal(values.begin(), values.end(), compact->values.begin()));
  EXPECT_EQ(compact->number, 42u);
  const auto text_at = reinterpret_cast<uintptr_t>(compact->text.data());
  const auto values_at = reinterpret_cast<uintptr_t>(compact->values.data());
  EXPECT_EQ(values_at % kTableImageAlignment, 0u);
  EXPECT_GT(values_at, text_at);
  EXPECT_LT(values_at - text_at, text.size() + 2 * kTableImageAlignment);
}

}  // namespace
}  // namespace nuvra
