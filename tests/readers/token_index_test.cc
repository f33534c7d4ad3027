#include "readers/token_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvra::readers {
namespace {

TEST(TokenIndex, DuplicatesResolveToTheChosenEnd) {
  const std::vector<std::string> entries = {"x", "y", "x", "", "z", ""};
  const TokenIndex highest(entries, TokenIndex::Duplicates::kHighestId);
  const TokenIndex lowest(entries, TokenIndex::Duplicates::kLowestId);
  EXPECT_EQ(highest.find("x"), 2);
  EXPECT_EQ(lowest.find("x"), 0);
  EXPECT_EQ(highest.find(""), 5);
  EXPECT_EQ(lowest.find(""), 3);
  EXPECT_EQ(highest.find("w"), -1);
  EXPECT_EQ(highest.size(), 4u);
}

TEST(TokenIndex, FindsEveryEntryOfALargeVocabulary) {
  std::vector<std::string> entries;
  for (int i = 0; i < 50000; ++i) entries.push_back("tok" + std::to_string(i));
  const TokenIndex index(entries, TokenIndex::Duplicates::kHighestId);
  for (int i = 0; i < 50000; ++i) ASSERT_EQ(index.find(entries[size_t(i)]), i);
  EXPECT_EQ(index.find("tok50000"), -1);
  EXPECT_EQ(index.find("tok"), -1);
}

TEST(TokenIndex, EmptyIndexFindsNothing) {
  const TokenIndex empty;
  EXPECT_EQ(empty.find(""), -1);
  EXPECT_EQ(empty.find("a"), -1);
}

}  // namespace
}  // namespace nuvra::readers
