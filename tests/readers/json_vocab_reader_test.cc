#include "readers/json_vocab_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "readers/token_index.h"
#include "support/temp_files.h"

namespace nuvra::readers {
namespace {

std::vector<std::string> vocabOf(const std::string& json) {
  std::vector<std::string> vocab;
  storeVocabPairs(parseJsonVocab(json), vocab);
  return vocab;
}

TEST(JsonVocabReader, IdsIndexTheListAndTheHighestIdWins) {
  EXPECT_TRUE(parseJsonVocab("").empty());
  EXPECT_TRUE(parseJsonVocab("{\n}\n").empty());
  const std::vector<std::string> vocab = vocabOf(R"({"a": 0, "b": 2, "a": 5, "x": 3, "y": 3})");
  EXPECT_EQ(vocab, (std::vector<std::string>{"a", "", "b", "y", "", "a"}));
  const TokenIndex index(vocab, TokenIndex::Duplicates::kHighestId);
  EXPECT_EQ(index.find("a"), 5);
  EXPECT_EQ(index.find(""), 4);
  EXPECT_EQ(index.find("x"), -1);
}

TEST(JsonVocabReader, KeysAreDecodedAsJsonStrings) {
  const std::pair<const char*, std::string> cases[] = {
      {R"(\u00e9)", "\xC3\xA9"},
      {R"(\u00E9x)", "\xC3\xA9x"},
      {R"(\"q\")", "\"q\""},
      {R"(a\\b)", "a\\b"},
      {R"(\/)", "/"},
      {R"(\b\f\n\r\t)", "\b\f\n\r\t"},
      // A surrogate pair is one character; a lone half keeps its own form.
      {R"(\ud83d\ude00)", "\xF0\x9F\x98\x80"},
      {R"(\ud83d)", "\xED\xA0\xBD"},
      {R"(\ude00\ud83d)", "\xED\xB8\x80\xED\xA0\xBD"},
      // An escaped backslash never starts another escape.
      {R"(\\u0041)", "\\u0041"},
      {R"(a\u0000b)", "ab"},  // U+0000 is dropped
      // Not an escape: kept as written.
      {R"(\u12)", "\\u12"},
      {R"(\uZZZZ)", "\\uZZZZ"},
  };
  // Alone, and all in one file: keys are decoded over the bytes read before.
  std::string all = "{";
  for (size_t k = 0; k < std::size(cases); ++k) {
    const std::string json = cases[k].first;
    const auto pairs = parseJsonVocab("{\"" + json + "\": 0}");
    ASSERT_EQ(pairs.size(), 1u) << json;
    EXPECT_EQ(pairs[0].text, cases[k].second) << json;
    all += "\"" + json + "\": " + std::to_string(k) + ", ";
  }
  const auto pairs = parseJsonVocab(all + "}");
  ASSERT_EQ(pairs.size(), std::size(cases));
  for (size_t k = 0; k < pairs.size(); ++k) EXPECT_EQ(pairs[k].text, cases[k].second) << k;
  // A raw NUL byte ends the key.
  EXPECT_EQ(parseJsonVocab(std::string("{\"a\0b\": 0}", 10))[0].text, "a");
}

TEST(JsonVocabReader, ValuesReadLikeStoi) {
  const std::pair<const char*, int32_t> read[] = {{"{\"a\":\t+12 }", 12},
                                                  {"{\"a\": 12abc,}", 12},
                                                  {"{\"a\"\r\n:\n5}", 5},
                                                  {R"({"a": 2147483646})", 2147483646}};
  for (const auto& [json, id] : read) EXPECT_EQ(parseJsonVocab(json)[0].id, id) << json;
  EXPECT_THROW(parseJsonVocab(R"({"a": "x"})"), std::invalid_argument);
  EXPECT_THROW(parseJsonVocab(R"({"a": })"), std::invalid_argument);
  // Ids no list can hold are refused before anything is stored.
  for (const char* json : {R"({"a": 99999999999})", R"({"a": -1})", R"({"a": 2147483647})"}) {
    EXPECT_THROW(parseJsonVocab(json), std::out_of_range) << json;
  }
  // Truncated input keeps the complete pairs.
  for (const char* json : {R"({"a": 0, "b": 1)", R"({"a": 0, "b)", R"({"a": 0, "b\)"}) {
    EXPECT_EQ(parseJsonVocab(json).size(), 1u) << json;
  }
}

}  // namespace
}  // namespace nuvra::readers
