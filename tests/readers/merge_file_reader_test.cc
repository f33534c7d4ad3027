#include "readers/merge_file_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/temp_files.h"

namespace nuvra::readers {
namespace {

using Rule = std::tuple<std::string, std::string, int32_t>;

std::vector<Rule> rulesOf(const std::string& content) {
  std::vector<Rule> out;
  for (const MergeRule& r : parseMergeList(content)) out.emplace_back(r.left, r.right, r.rank);
  return out;
}

TEST(MergeFileReader, HeaderLinesOnlyBeforeTheFirstPair) {
  EXPECT_EQ(rulesOf("#version: 0.2\na b\np q\n"),
            (std::vector<Rule>{{"a", "b", 0}, {"p", "q", 1}}));
  EXPECT_EQ(rulesOf("a b\n#x y\n"), (std::vector<Rule>{{"a", "b", 0}, {"#x", "y", 1}}));
  EXPECT_EQ(rulesOf("#one\n#two three\na b"), (std::vector<Rule>{{"a", "b", 0}}));
  // The word-end list's header starts with a quote, so its first field has no "#" in front.
  EXPECT_EQ(rulesOf("\"list.txt#version: 0.2\ni n\n").size(), 2u);
}

TEST(MergeFileReader, FieldsAndRanks) {
  // A repeated pair keeps the rank of its last line.
  EXPECT_EQ(rulesOf("a b\na b\n"), (std::vector<Rule>{{"a", "b", 1}}));
  // The second field runs to the end of its line, spaces included.
  EXPECT_EQ(rulesOf("a  b z\n"), (std::vector<Rule>{{"a", "b z", 0}}));
  EXPECT_EQ(rulesOf("a\tb\n"), (std::vector<Rule>{{"a", "b", 0}}));
  // The last line needs no line feed; a lone first field at the end is dropped.
  EXPECT_EQ(rulesOf("a b\ne f"), (std::vector<Rule>{{"a", "b", 0}, {"e", "f", 1}}));
  EXPECT_EQ(rulesOf("a b\nlonely"), (std::vector<Rule>{{"a", "b", 0}}));
  // An empty first line takes the next line as its second field.
  EXPECT_EQ(rulesOf("\nx y\n"), (std::vector<Rule>{{"", "x y", 0}}));
  // Fields end at a NUL byte.
  EXPECT_EQ(rulesOf(std::string("a\0q b\0r\n", 8)), (std::vector<Rule>{{"a", "b", 0}}));
  EXPECT_TRUE(rulesOf("").empty());
}

TEST(MergeFileReader, CrLfReadsAsLf) {
  nuvra::testing::TempDir dir;
  const std::string path = dir.write("m.txt", "#version: 0.2\r\na b\r\nc d\r\n");
  const auto rules = readMergeFile(FilePath{path.c_str(), nullptr});
  ASSERT_TRUE(rules.has_value());
  ASSERT_EQ(rules->size(), 2u);
  EXPECT_EQ((*rules)[1].right, "d");
  EXPECT_FALSE(readMergeFile(FilePath{dir.missing("no.txt").c_str(), nullptr}).has_value());
}

}  // namespace
}  // namespace nuvra::readers
