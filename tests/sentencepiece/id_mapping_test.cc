#include "sentencepiece/id_mapping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "sentencepiece/vocabulary.h"

namespace nuvra::spm {
namespace {

TEST(IdMapping, TypeTwoSwapsTheFirstFourAndShiftsTheRest) {
  // model id -> piece id: "<s>" "<pad>" "</s>" "<unk>" then the pieces from 3.
  const int32_t expected[][2] = {{0, 1}, {1, -1}, {2, 2}, {3, 0}, {4, 3}, {5, 4}, {32001, 32000}};
  for (const auto& pair : expected) {
    EXPECT_EQ(modelToSpmId(2, pair[0]), pair[1]) << pair[0];
    EXPECT_EQ(spmToModelId(2, pair[1]), pair[0]) << pair[1];
  }
  // Values that name nothing still map one to one.
  EXPECT_EQ(modelToSpmId(2, -1), -2);
  EXPECT_EQ(spmToModelId(2, -2), -1);
}

TEST(IdMapping, IsAnInverseOnEveryValueAndTheIdentityForOtherTypes) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  for (int64_t v : {int64_t(kMin), int64_t(kMin) + 1, int64_t(-7), int64_t(kMax) - 1,
                    int64_t(kMax)}) {
    const auto m = int32_t(v);
    for (uint32_t type : {2u, 3u, 6u, 10u}) {
      EXPECT_EQ(spmToModelId(type, modelToSpmId(type, m)), m) << type << " " << m;
      EXPECT_EQ(modelToSpmId(type, spmToModelId(type, m)), m) << type << " " << m;
    }
  }
  for (int32_t m = -3; m < 300; ++m) {
    EXPECT_EQ(spmToModelId(2, modelToSpmId(2, m)), m);
    for (uint32_t type : {3u, 6u, 10u}) EXPECT_EQ(modelToSpmId(type, m), m);
  }
}

TEST(IdMapping, IdSpaceAddsTheEntriesWithoutAPiece) {
  EXPECT_EQ(idSpaceSize(2, 32000), 32002);
  EXPECT_EQ(idSpaceSize(3, 32000), 32001);
  EXPECT_EQ(idSpaceSize(6, 32000), 32000);
  EXPECT_EQ(idSpaceSize(10, 32000), 32000);
  EXPECT_EQ(idSpaceSize(2, 0), 2);
  EXPECT_EQ(idSpaceSize(3, -1), 0);
}

}  // namespace
}  // namespace nuvra::spm
