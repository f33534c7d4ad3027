#include "readers/json_vocab_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/temp_files.h"

namespace nuvra::readers {
namespace {

std::vector<std::string> vocabOf(const std::string& json) {
  std::vector<std::string> vocab;
  storeVocabPairs(parseJsonVocab(json), vocab);
  return vocab;
}

TEST(JsonVocabReader, EmptyInputsGiveNoEntries) {
  EXPECT_TRUE(parseJsonVocab("").empty());
  EXPECT_TRUE(parseJsonVocab("{}").empty());
  EXPECT_TRUE(parseJsonVocab("{\n}\n").empty());
}

TEST(JsonVocabReader, IdsIndexTheListAndGapsStayEmpty) {
  const std::vector<std::string> vocab = vocabOf(R"({"a": 0, "b": 2})");
  EXPECT_EQ(vocab, (std::vector<std::string>{"a", "", "b"}));
  const auto index = rebuildTokenToId(vocab);
  EXPECT_EQ(index->find("a"), 0);
  EXPECT_EQ(index->find("b"), 2);
  EXPECT_EQ(index->find(""), 1);  // the empty text maps to its highest empty id
  EXPECT_EQ(index->find("c"), -1);
}

TEST(JsonVocabReader, LaterPairsOverwriteAndTheHighestIdWins) {
  std::vector<std::string> vocab = vocabOf(R"({"a": 3, "a": 5})");
  EXPECT_EQ(vocab[3], "a");
  EXPECT_EQ(vocab[5], "a");
  EXPECT_EQ(rebuildTokenToId(vocab)->find("a"), 5);

  vocab = vocabOf(R"({"x": 1, "y": 1})");
  EXPECT_EQ(vocab[1], "y");
}

TEST(JsonVocabReader, KeysAreDecodedAsJsonStrings) {
  const auto key = [](const std::string& json_key) {
    const auto pairs = parseJsonVocab("{\"" + json_key + "\": 0}");
    return pairs.empty() ? std::string("<none>") : pairs[0].text;
  };
  EXPECT_EQ(key(R"(\u00e9)"), "\xC3\xA9");
  EXPECT_EQ(key(R"(\u00E9x)"), "\xC3\xA9x");
  EXPECT_EQ(key(R"(\"q\")"), "\"q\"");
  EXPECT_EQ(key(R"(a\\b)"), "a\\b");
  EXPECT_EQ(key(R"(\/)"), "/");
  EXPECT_EQ(key(R"(\b\f\n\r\t)"), "\b\f\n\r\t");
  // A surrogate pair is one four-byte character; a lone half keeps its own form.
  EXPECT_EQ(key(R"(\ud83d\ude00)"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(key(R"(\ud83d)"), "\xED\xA0\xBD");
  EXPECT_EQ(key(R"(\ude00\ud83d)"), "\xED\xB8\x80\xED\xA0\xBD");
  // An escaped backslash is never the start of another escape.
  EXPECT_EQ(key(R"(\\u0041)"), "\\u0041");
  // U+0000 is dropped; a raw NUL byte ends the key.
  EXPECT_EQ(key(R"(a\u0000b)"), "ab");
  EXPECT_EQ(parseJsonVocab(std::string("{\"a\0b\": 0}", 10))[0].text, "a");
  // Not an escape: kept as written.
  EXPECT_EQ(key(R"(\u12)"), "\\u12");
  EXPECT_EQ(key(R"(\uZZZZ)"), "\\uZZZZ");
}

TEST(JsonVocabReader, ValuesReadLikeStoi) {
  EXPECT_EQ(parseJsonVocab("{\"a\": 7\n}")[0].id, 7);
  EXPECT_EQ(parseJsonVocab("{\"a\":\t+12 }")[0].id, 12);
  EXPECT_EQ(parseJsonVocab("{\"a\": 12abc,}")[0].id, 12);
  // White space between the key and its colon is accepted.
  EXPECT_EQ(parseJsonVocab("{\"a\" : 4}")[0].id, 4);
  EXPECT_EQ(parseJsonVocab("{\"a\"\r\n:\n5}")[0].id, 5);
  EXPECT_THROW(parseJsonVocab(R"({"a": "x"})"), std::invalid_argument);
  EXPECT_THROW(parseJsonVocab(R"({"a": })"), std::invalid_argument);
  EXPECT_THROW(parseJsonVocab(R"({"a": 99999999999})"), std::out_of_range);
  // Ids no list can hold are refused before anything is stored.
  EXPECT_THROW(parseJsonVocab(R"({"a": -1})"), std::out_of_range);
  EXPECT_THROW(parseJsonVocab(R"({"a": 2147483647})"), std::out_of_range);
  EXPECT_EQ(parseJsonVocab(R"({"a": 2147483646})")[0].id, 2147483646);
}

TEST(JsonVocabReader, TruncatedInputKeepsTheCompletePairs) {
  EXPECT_EQ(parseJsonVocab(R"({"a": 0, "b": 1)").size(), 1u);  // no closing brace
  EXPECT_EQ(parseJsonVocab(R"({"a": 0, "b)").size(), 1u);
  EXPECT_EQ(parseJsonVocab(R"({"a": 0, "b\)").size(), 1u);
}

TEST(JsonVocabReader, ReadsFilesWithCrLfAndReportsMissingOnes) {
  nuvra::testing::TempDir dir;
  const std::string path = dir.write("v.json", "{\r\n  \"a\": 0,\r\n  \"b\r\": 1\r\n}\r\n");
  const auto pairs = readJsonVocab(FilePath{path.c_str(), nullptr});
  ASSERT_TRUE(pairs.has_value());
  ASSERT_EQ(pairs->size(), 2u);
  EXPECT_EQ((*pairs)[1].text, "b\r");  // a CR not before LF is an ordinary byte
  EXPECT_FALSE(readJsonVocab(FilePath{dir.missing("none.json").c_str(), nullptr}).has_value());
}

}  // namespace
}  // namespace nuvra::readers
