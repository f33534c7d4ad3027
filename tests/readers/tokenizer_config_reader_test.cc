#include "readers/tokenizer_config_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_files.h"

namespace nuvra::readers {
namespace {

TokenizerConfig parse(const std::string& content, TokenizerConfig start = {}) {
  return parseTokenizerConfig(content, start);
}

TEST(TokenizerConfigReader, RecognisesTheTwoKeys) {
  TokenizerConfig c = parse(R"({"do_lower_case": false, "model_max_length": 512})");
  EXPECT_FALSE(c.do_lower_case);
  EXPECT_TRUE(c.tokenize_chinese_chars);

  c = parse(R"({"tokenize_chinese_chars": false})");
  EXPECT_FALSE(c.tokenize_chinese_chars);
  EXPECT_TRUE(c.do_lower_case);

  // The last recognised value wins; keys count wherever they stand.
  EXPECT_FALSE(parse(R"({"do_lower_case": true, "do_lower_case": false})").do_lower_case);
  EXPECT_FALSE(parse(R"({"x": {"y": 1, "do_lower_case": false}})").do_lower_case);
}

TEST(TokenizerConfigReader, NothingInsideAStringOrArrayValueEndsIt) {
  const char* const cased[] = {
      R"({"chat_template": "{% for m in messages %}{{ m, ',' }}{% endfor %}", "do_lower_case": false})",
      R"({"tokenizer_class": "A, B", "do_lower_case": false, "x": 1})",
      R"({"s": "a \", \"do_lower_case\": true, }", "do_lower_case": false})",  // escaped quotes
      R"({"tokens": ["a, b", "c", "}"], "do_lower_case": false})",
      R"({"x": {"do_lower_case": false}})",  // the first key of a nested object
  };
  for (const char* content : cased) EXPECT_FALSE(parse(content).do_lower_case) << content;
  // A string never closed swallows the rest, as an unfinished pair does.
  EXPECT_TRUE(parse(R"({"s": "open, "do_lower_case": false})").do_lower_case);
}

TEST(TokenizerConfigReader, PrettyPrintedLastPairIsRecognised) {
  EXPECT_FALSE(parse("{\n  \"do_lower_case\": false\n}\n").do_lower_case);
  EXPECT_FALSE(parse("{\r\n  \"do_lower_case\" : false\r\n}").do_lower_case);
  EXPECT_FALSE(parse("{\"do_lower_case\":\tfalse\t}").do_lower_case);
}

TEST(TokenizerConfigReader, OnlyLiteralBooleansCount) {
  EXPECT_TRUE(parse(R"({"do_lower_case": "false"})").do_lower_case);
  EXPECT_TRUE(parse(R"({"do_lower_case": False})").do_lower_case);
  EXPECT_TRUE(parse(R"({"do_lower_case": 0})").do_lower_case);
  EXPECT_TRUE(parse(R"({"Do_lower_case": false})").do_lower_case);
  // An unfinished pair is dropped.
  EXPECT_TRUE(parse(R"({"do_lower_case": false)").do_lower_case);
  // Values apply on top of the current ones: true turns a false back on.
  EXPECT_TRUE(parse(R"({"do_lower_case": true})", {true, false}).do_lower_case);
  EXPECT_FALSE(parse(R"({})", {false, false}).tokenize_chinese_chars);
}

TEST(TokenizerConfigReader, MissingFileIsReported) {
  nuvra::testing::TempDir dir;
  EXPECT_FALSE(readTokenizerConfig(FilePath{dir.missing("c.json").c_str(), nullptr}, {}));
  const std::string path = dir.write("c.json", "{\"do_lower_case\": false}");
  const auto c = readTokenizerConfig(FilePath{path.c_str(), nullptr}, {});
  ASSERT_TRUE(c.has_value());
  EXPECT_FALSE(c->do_lower_case);
}

}  // namespace
}  // namespace nuvra::readers
