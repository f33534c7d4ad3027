#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/tokenizer.h"

namespace nuvra::testing {
namespace {

TEST(Create, RejectsBadArgumentsWithoutTouchingTheHandle) {
  EXPECT_EQ(nuvraTokenizerCreate(nullptr, 0, 0), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
  const std::pair<int32_t, int32_t> bad[] = {{11, 0}, {-1, 0}, {INT32_MIN, 0}, {7, 2},
                                             {7, 3},  {7, -1}, {7, INT32_MIN}};
  for (const auto& [type, flags] : bad) {
    NuvraTokenizer* handle = reinterpret_cast<NuvraTokenizer*>(uintptr_t(0x1234));
    EXPECT_EQ(nuvraTokenizerCreate(&handle, type, flags), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(handle, reinterpret_cast<NuvraTokenizer*>(uintptr_t(0x1234))) << type << " " << flags;
  }
  nuvraTokenizerDestroy(nullptr);
}

TEST(Create, EveryTypeGivesAFreshHandle) {
  for (int32_t type = 0; type <= 10; ++type) {
    for (int32_t flags : {NUVRA_TOKENIZER_FLAG_NONE, NUVRA_TOKENIZER_FLAG_UTF8_SAFE}) {
      Tokenizer t(type, flags);
      ASSERT_NE(t.get(), nullptr);
      EXPECT_EQ(t.tokens(), Ids{});
      EXPECT_EQ(t.decodedText(), "");
      int32_t out[1] = {42};  // word ids and spans exist only for types 7 and 8
      const int32_t positions = (type == 7 || type == 8) ? 0 : NUVRA_TOKENIZER_STATUS_INVALID_STATE;
      for (auto query : {nuvraTokenizerGetWordIDs, nuvraTokenizerGetCharStarts, nuvraTokenizerGetCharEnds}) {
        EXPECT_EQ(query(t.get(), out, 1), positions) << type;
      }
      EXPECT_EQ(out[0], 42);  // no records, nothing written
      if (type == 4 || type == 5 || type == 7 || type == 8 || type == 9) {
        EXPECT_EQ(t.vocabEntry(0), "<status -1>") << "file-based types start empty";
      }
    }
  }
}

}  // namespace
}  // namespace nuvra::testing
