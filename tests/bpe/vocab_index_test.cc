#include "bpe/vocab_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvra::bpe {
namespace {

TEST(VocabIndexTest, KeepsBytesAndFlagsPerId) {
  // "Ã" is the symbol of byte C3; a raw C3 is a cut character; "€" no symbol.
  const std::vector<std::string> entries = {"<s>", "Ġa", "",    "Ã",     "\xC3",
                                            "€b",  "a",  "<s>", "<x y>", "<>"};
  const VocabIndex index(entries, TagPattern::kAngleTag, byteDecoder());
  ASSERT_EQ(index.entryCount(), entries.size());
  EXPECT_EQ(index.tokens().find("<s>"), 7);
  EXPECT_EQ(index.tokens().find("a"), 6);

  EXPECT_EQ(index.bytesOf(1), " a");
  EXPECT_EQ(index.bytesOf(2), "");
  EXPECT_EQ(index.bytesOf(3), "\xC3");
  EXPECT_EQ(index.bytesOf(5), "b");
  // Both ids of a duplicated special are special; a raw space in a tag is
  // still a tag.
  for (uint32_t id : {0u, 7u, 8u}) EXPECT_EQ(index.flags(id), VocabIndex::kSpecial) << id;
  for (uint32_t id : {1u, 2u, 3u, 5u, 6u, 9u}) EXPECT_EQ(index.flags(id), 0) << id;
  EXPECT_EQ(index.flags(4), VocabIndex::kNeedsJoining);

  const VocabIndex pipe(entries, TagPattern::kPipeTag, byteDecoder());
  EXPECT_EQ(pipe.flags(0), 0);

  const VocabIndex empty;
  EXPECT_EQ(empty.entryCount(), 0u);
  EXPECT_EQ(empty.tokens().find(""), -1);
}

}  // namespace
}  // namespace nuvra::bpe
