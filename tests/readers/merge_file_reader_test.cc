#include "readers/merge_file_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/temp_files.h"

namespace nuvra::readers {
namespace {

using Rules = std::vector<std::tuple<std::string, std::string, int32_t>>;

TEST(MergeFileReader, FieldsRanksAndHeaders) {
  const std::pair<std::string, Rules> cases[] = {
      // Header lines only before the first pair.
      {"#version: 0.2\na b\np q\n", {{"a", "b", 0}, {"p", "q", 1}}},
      {"a b\n#x y\n", {{"a", "b", 0}, {"#x", "y", 1}}},
      {"#one\n#two three\na b", {{"a", "b", 0}}},
      // The word-end list's header starts with a quote: no "#" in front.
      {"\"list.txt#version: 0.2\ni n\n", {{"\"list.txt#version:", "0.2", 0}, {"i", "n", 1}}},
      // A repeated pair keeps the rank of its last line.
      {"a b\na b\n", {{"a", "b", 1}}},
      // The second field runs to the end of its line, spaces included.
      {"a  b z\n", {{"a", "b z", 0}}},
      {"a\tb\n", {{"a", "b", 0}}},
      // No line feed needed at the end; a lone first field there is dropped.
      {"a b\ne f", {{"a", "b", 0}, {"e", "f", 1}}},
      {"a b\nlonely", {{"a", "b", 0}}},
      // An empty first line takes the next line as its second field.
      {"\nx y\n", {{"", "x y", 0}}},
      {std::string("a\0q b\0r\n", 8), {{"a", "b", 0}}},  // fields end at NUL
      {"", {}},
  };
  for (const auto& [content, rules] : cases) {
    Rules got;
    for (const MergeRule& r : parseMergeList(content)) got.emplace_back(r.left, r.right, r.rank);
    EXPECT_EQ(got, rules) << content;
  }
}

}  // namespace
}  // namespace nuvra::readers
