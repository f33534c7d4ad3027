#include "readers/token_index.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "readers/json_vocab_reader.h"

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

TEST(TokenIndex, CraftedCollisionsStayLinearUnderTheProcessSeed) {
  // 16-byte keys whose first half cancels the unseeded hash's first factor:
  // every one hashes alike without a seed, so each insert walks all before.
  const uint64_t blind = token_index_detail::kHashA ^ token_index_detail::kHashB;
  auto crafted = [&](size_t count) {
    std::vector<std::string> keys(count, std::string(16, '\0'));
    for (size_t i = 0; i < count; ++i) {
      std::memcpy(&keys[i][0], &blind, 8);
      std::memcpy(&keys[i][8], &i, 8);
    }
    return keys;
  };
  const std::vector<std::string> few = crafted(2000);
  EXPECT_EQ(hashText(few[0], 0), hashText(few[1999], 0));
  EXPECT_GT(TokenIndex(few, TokenIndex::Duplicates::kHighestId, 0).buildProbes(), 1000000u);

  const std::vector<std::string> many = crafted(200000);
  const TokenIndex seeded(many, TokenIndex::Duplicates::kHighestId);
  EXPECT_LT(seeded.buildProbes(), 16 * many.size());
  for (size_t i = 0; i < many.size(); i += 997) ASSERT_EQ(seeded.find(many[i]), int32_t(i));
}

TEST(TokenList, StoresEntriesNotTheIdSpace) {
  // {pairs over a base}: size, one filled id, one hole, slots held, and the
  // id the empty text maps to (the highest id without an entry or with "").
  struct Case {
    std::vector<std::string> base;
    std::vector<VocabPair> pairs;
    size_t size;
    uint32_t filled;
    const char* filled_text;
    uint32_t hole;
    size_t slots;
    int32_t empty_id;
  };
  const Case cases[] = {
      {{}, {{"a", 2147483646}}, 2147483647, 2147483646, "a", 7, 1, 2147483645},
      // Nearly full: holes become empty entries; a later pair wins.
      {{}, {{"x", 1}, {"y", 1}, {"a", 0}, {"b", 3}}, 4, 1, "y", 2, 4, 2},
      {{"p", "", "q"}, {{"r", 1000000}, {"s", 2}}, 1000001, 2, "s", 999999, 4, 999999},
      {{"p", "q"}, {{"", 1}}, 2, 0, "p", 5, 2, 1},
      // In id order, as files are: the pairs' texts become the list's.
      {{}, {{"a", 0}, {"b", 2}, {"cd", 3}}, 4, 3, "cd", 1, 4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filled_text);
    const TokenList list(TokenList(c.base), c.pairs);
    EXPECT_EQ(list.size(), c.size);
    EXPECT_EQ(list.text(c.filled), c.filled_text);
    EXPECT_EQ(list.text(c.hole), "");
    EXPECT_EQ(list.slotCount(), c.slots);
    EXPECT_EQ(TokenIndex(list, TokenIndex::Duplicates::kHighestId).find(""), c.empty_id);
  }
}

}  // namespace
}  // namespace nuvra::readers
