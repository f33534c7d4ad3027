// The normaliser equals the sentencepiece package's own command line tool
// (spm_normalize) on every code point, alone and between two letters, on
// every line of the corpora, and on random bytes that are mostly not UTF-8.
#include "wordpiece/nfkc_normalizer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "support/temp_files.h"
#include "support/text_lines.h"

namespace nuvra::wordpiece {
namespace {

// What spm_normalize prints for each line (lines hold neither LF nor NUL).
std::vector<std::string> referenceLines(const std::vector<std::string>& lines) {
  testing::TempDir dir;
  std::string input;
  for (const std::string& line : lines) input += line + '\n';
  const std::string in = dir.write("in.txt", input);
  const std::string out = dir.missing("out.txt");
  const std::string command = "spm_normalize --normalization_rule_name=nfkc "
                              "--remove_extra_whitespaces=true --minloglevel=2 --output='" +
                              out + "' '" + in + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return testing::splitLines(testing::readFile(out));
}

void expectReference(const std::vector<std::string>& lines, const char* what) {
  const std::vector<std::string> expected = referenceLines(lines);
  ASSERT_EQ(expected.size(), lines.size()) << what;
  std::string ours;
  int mismatches = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    normalizeNfkc(lines[i], ours);
    EXPECT_EQ(ours, expected[i]) << what << " line " << i + 1 << ": " << lines[i];
    if (ours != expected[i] && ++mismatches > 10) FAIL() << "stopping";
  }
}

TEST(NfkcNormalizer, EqualsTheReferenceOnEveryCodePoint) {
  std::vector<std::string> lines;
  for (uint32_t cp = 1; cp <= 0x10FFFF; ++cp) {
    if (cp == '\n' || (cp >= 0xD800 && cp <= 0xDFFF)) continue;
    std::string one;
    appendUtf8(cp, one);
    lines.push_back(one);
    lines.push_back("a" + one + "b");
  }
  expectReference(lines, "code points");
}

TEST(NfkcNormalizer, EqualsTheReferenceOnTheCorpora) {
  for (const char* name : {"botchan.txt", "wagahaiwa_nekodearu.txt", "multilingual_sample.txt"}) {
    const std::string path = std::string(NUVRA_DATA_DIR) + "/text/" + name;
    expectReference(testing::splitLines(testing::readFile(path)), name);
  }
}

TEST(NfkcNormalizer, EqualsTheReferenceOnBrokenUtf8AndSpaces) {
  // Pieces that make malformed, truncated and surrogate sequences, keys that
  // span two characters ("<" U+0338, "ｶ" "ﾞ") and runs of spaces.
  const std::vector<std::string> parts = {
      " ", "  ", "\t", "\r", "a", "<", "\xCC\xB8", "\xEF\xBD\xB6", "\xEF\xBE\x9E", "\xE3\x80\x80",
      "\xC0", "\xC1\xBF", "\xE0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF0\x9F\x98\x80",
      "\x80", "\xFF", "\xE3\x81", "\xEF\xBF\xBD", "\xE3\x8D\xBF", "\xEF\xAC\x81"};
  std::mt19937 random(9);
  std::vector<std::string> lines;
  for (int i = 0; i < 20000; ++i) {
    std::string line;
    for (int k = int(random() % 6); k >= 0; --k) line += parts[random() % parts.size()];
    lines.push_back(line);
  }
  expectReference(lines, "random");
}

}  // namespace
}  // namespace nuvra::wordpiece
