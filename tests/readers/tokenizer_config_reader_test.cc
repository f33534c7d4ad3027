#include "readers/tokenizer_config_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_files.h"

namespace nuvra::readers {
namespace {

TEST(TokenizerConfigReader, LiteralBooleansOfTheTwoKeysApplyOnTopOfTheCurrentValues) {
  const struct {
    const char* json;
    TokenizerConfig start, expected;
  } cases[] = {
      {R"({"do_lower_case": false, "model_max_length": 512})", {true, true}, {true, false}},
      {R"({"tokenize_chinese_chars": false})", {true, true}, {false, true}},
      // The last value wins; keys count wherever they stand.
      {R"({"do_lower_case": true, "do_lower_case": false})", {true, true}, {true, false}},
      {R"({"x": {"y": 1, "do_lower_case": false}})", {true, true}, {true, false}},
      {"{\r\n  \"do_lower_case\" : false\r\n}", {true, true}, {true, false}},
      {"{\"do_lower_case\":\tfalse\t}", {true, true}, {true, false}},
      // Only literal booleans of the exact key count; an unfinished pair is dropped.
      {R"({"do_lower_case": "false", "do_lower_case": 0, "Do_lower_case": false})", {true, true},
       {true, true}},
      {R"({"do_lower_case": False})", {true, true}, {true, true}},
      {R"({"do_lower_case": false)", {true, true}, {true, true}},
      {R"({"do_lower_case": true})", {true, false}, {true, true}},
      {R"({})", {false, false}, {false, false}},
  };
  for (const auto& c : cases) {
    const TokenizerConfig got = parseTokenizerConfig(c.json, c.start);
    EXPECT_EQ(got.tokenize_chinese_chars, c.expected.tokenize_chinese_chars) << c.json;
    EXPECT_EQ(got.do_lower_case, c.expected.do_lower_case) << c.json;
  }
}

TEST(TokenizerConfigReader, NothingInsideAStringOrArrayValueEndsIt) {
  const char* const cased[] = {
      R"({"chat_template": "{% for m in messages %}{{ m, ',' }}{% endfor %}", "do_lower_case": false})",
      R"({"tokenizer_class": "A, B", "do_lower_case": false, "x": 1})",
      R"({"s": "a \", \"do_lower_case\": true, }", "do_lower_case": false})",  // escaped quotes
      R"({"tokens": ["a, b", "c", "}"], "do_lower_case": false})",
      R"({"x": {"do_lower_case": false}})",  // the first key of a nested object
  };
  for (const char* content : cased) EXPECT_FALSE(parseTokenizerConfig(content, {}).do_lower_case) << content;
  // A string never closed swallows the rest, as an unfinished pair does.
  EXPECT_TRUE(parseTokenizerConfig(R"({"s": "open, "do_lower_case": false})", {}).do_lower_case);
}

}  // namespace
}  // namespace nuvra::readers
