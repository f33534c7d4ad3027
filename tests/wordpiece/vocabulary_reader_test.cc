#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wordpiece/vocabulary.h"

namespace nuvra::wordpiece {
namespace {

using Entries = std::vector<std::string>;

TEST(WordpieceVocabReader, OneEntryPerLine) {
  EXPECT_EQ(parseWordpieceVocab("x\ny\nz\n"), (Entries{"x", "y", "z"}));
  // A last line without a line feed is still an entry.
  EXPECT_EQ(parseWordpieceVocab("x\ny\nz"), (Entries{"x", "y", "z"}));
  EXPECT_EQ(parseWordpieceVocab("x\n\ny\n"), (Entries{"x", "", "y"}));
  // Lines are kept whole: blanks and a stray CR are part of the token.
  EXPECT_EQ(parseWordpieceVocab(" a\t\nb\rc\n"), (Entries{" a\t", "b\rc"}));
  EXPECT_EQ(parseWordpieceVocab(std::string("xy\0z\nw\n", 7)), (Entries{"xy", "w"}));
  EXPECT_EQ(parseWordpieceVocab(""), Entries{});
  EXPECT_EQ(parseWordpieceVocab("\n"), Entries{""});
}

TEST(WordpieceVocabReader, LookupFindsTheLowestIdAndZeroWhenAbsent) {
  const Entries entries = {"[PAD]", "a", "b", "dup", "c", "d", "e", "dup"};
  const VocabIndex index(entries);
  EXPECT_EQ(index.lookupTokenId("dup"), 3);
  EXPECT_EQ(index.lookupTokenId("b"), 2);
  EXPECT_EQ(index.lookupTokenId("missing"), 0);
  EXPECT_EQ(index.lookupTokenId("[PAD]"), 0);
  const VocabIndex empty(Entries{});
  EXPECT_EQ(empty.lookupTokenId("[CLS]"), 0);
}

}  // namespace
}  // namespace nuvra::wordpiece
