// The scanners against a backtracking regex engine (PCRE2, UTF mode) running
// the pattern texts themselves. PCRE2's \s and \d differ from ECMAScript's, so
// they are spelled out as the ECMAScript white-space class and [0-9]; \p{L}
// and \p{N} are PCRE2's own Unicode properties.
//
// NUVRA_DIFFERENTIAL_ITERATIONS=<n> raises the number of random strings.

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bpe/pre_tokenizer.h"
#include "support/iterations.h"
#include "support/text_lines.h"
#include "base/utf8.h"

namespace nuvra::bpe {
namespace {

constexpr const char* kWordAsciiDigit =
    R"('s|'t|'re|'ve|'m|'ll|'d| ?\p{L}+| ?\p{N}+| ?[^\s\p{L}\d]+|\s+(?!\S)|\s+)";
constexpr const char* kWordUnicodeDigit =
    R"('s|'t|'re|'ve|'m|'ll|'d| ?\p{L}+| ?\p{N}+| ?[^\s\p{L}\p{N}]+|\s+(?!\S)|\s+)";
constexpr const char* kWordEndMarker = R"('s|'t|'re|'ve|'m|'ll|'d|[\p{L}]+|[\p{N}]|[^\s\p{L}\p{N}]+)";
constexpr const char* kPipeTag = R"(<\|[^>]+\|>)";
constexpr const char* kAngleTag = R"(<[^>]+>)";
constexpr const char* kSpaceRun = R"(\s+)";

constexpr const char* kEcmaSpaceSet =
    R"(\t\n\x{0B}\f\r \x{A0}\x{FEFF}\x{1680}\x{2000}-\x{200A}\x{2028}\x{2029}\x{202F}\x{205F}\x{3000})";

// \s, \S and \d in their ECMAScript meaning, inside and outside brackets.
std::string toPcre(std::string_view pattern) {
  std::string out;
  bool in_class = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\\' && i + 1 < pattern.size()) {
      const char e = pattern[++i];
      if (e == 's') {
        out += in_class ? std::string(kEcmaSpaceSet) : "[" + std::string(kEcmaSpaceSet) + "]";
      } else if (e == 'S' && !in_class) {
        out += "[^" + std::string(kEcmaSpaceSet) + "]";
      } else if (e == 'd') {
        out += in_class ? "0-9" : "[0-9]";
      } else {
        EXPECT_NE(e, 'S') << "\\S inside brackets has no plain spelling";
        out += c;
        out += e;
      }
      continue;
    }
    if (c == '[') in_class = true;
    if (c == ']') in_class = false;
    out += c;
  }
  return out;
}

class Regex {
 public:
  explicit Regex(const std::string& pattern, uint32_t options = 0) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                          PCRE2_UTF | options, &error, &offset, nullptr);
    EXPECT_NE(code_, nullptr) << pattern << " fails at " << offset;
    if (code_ == nullptr) std::abort();
    pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);
    data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
  }
  Regex(const Regex&) = delete;
  Regex& operator=(const Regex&) = delete;
  ~Regex() {
    pcre2_match_data_free(data_);
    pcre2_code_free(code_);
  }

  // Leftmost match at or after `from`; the subject is known to be valid UTF-8.
  bool search(std::string_view subject, size_t from, size_t& begin, size_t& end) const {
    const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()),
                               subject.size(), from, PCRE2_NO_UTF_CHECK, data_, nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    EXPECT_GT(rc, 0) << "pcre2_match failed with " << rc;
    if (rc <= 0) return false;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_);
    begin = ovector[0];
    end = ovector[1];
    return true;
  }

  // Number of the capture group that matched at the start, 0 for none.
  int matchedGroup(std::string_view subject) const {
    if (pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0,
                    PCRE2_NO_UTF_CHECK, data_, nullptr) <= 0) {
      return 0;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_);
    const uint32_t groups = pcre2_get_ovector_count(data_);
    for (uint32_t g = 1; g < groups; ++g) {
      if (ovector[2 * g] != PCRE2_UNSET) return int(g);
    }
    return 0;
  }

 private:
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
};

using Pieces = std::vector<std::string>;

bool isSurrogate(uint32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

// Every code point in order: our class against PCRE2's, whose tables must be
// of the same Unicode version as ours.
TEST(PreTokenizerDifferentialTest, EveryCodepointHasPcreClass) {
  char version[32] = {};
  pcre2_config(PCRE2_CONFIG_UNICODE_VERSION, version);
  ASSERT_STREQ(version, "14.0.0");
  const Regex classes("(\\p{L})|(\\p{N})|([" + std::string(kEcmaSpaceSet) + "])",
                      PCRE2_ANCHORED);
  const CharClass by_group[] = {CharClass::kOther, CharClass::kLetter, CharClass::kNumber,
                                CharClass::kSpace};
  for (uint32_t cp = 0; cp < 0x110000; ++cp) {
    if (isSurrogate(cp)) continue;
    char bytes[4];
    const int n = utf8EncodeChar(cp, bytes);
    ASSERT_EQ(by_group[classes.matchedGroup({bytes, size_t(n)})], codepointClass(cp)) << std::hex << "U+" << cp;
  }
}

class Oracle {
 public:
  Oracle()
      : ascii_digit_(toPcre(kWordAsciiDigit)),
        unicode_digit_(toPcre(kWordUnicodeDigit)),
        word_end_(toPcre(kWordEndMarker)),
        pipe_(kPipeTag),
        angle_(kAngleTag),
        space_run_(toPcre(kSpaceRun)) {}

  // Compares every scanner on `text`; false (with a failure naming the
  // input) at the first difference.
  bool compare(std::string_view text) {
    const std::string shown = ::testing::PrintToString(std::string(text));
    for (const auto& [pattern, regex] : {std::pair<WordPattern, const Regex*>{WordPattern::kAsciiDigit, &ascii_digit_},
                                         {WordPattern::kUnicodeDigit, &unicode_digit_},
                                         {WordPattern::kWordEnd, &word_end_}}) {
      Pieces ours;
      WordScanner scanner(text, pattern);
      for (std::string_view word; scanner.next(word);) ours.emplace_back(word);
      Pieces theirs;
      for (const auto& [begin, end] : allMatches(*regex, text)) theirs.emplace_back(text.substr(begin, end - begin));
      EXPECT_EQ(ours, theirs) << "words of " << shown;
      if (ours != theirs) return false;
    }
    for (const auto& [tags, regex] : {std::pair<TagPattern, const Regex*>{TagPattern::kPipeTag, &pipe_},
                                      {TagPattern::kAngleTag, &angle_}}) {
      // Matches as "[text]", the gaps between them as they are.
      Pieces ours, theirs;
      splitAtTags(text, tags, split_);
      for (const TagSplitPiece& piece : split_) {
        const std::string part(text.substr(piece.begin, piece.end - piece.begin));
        ours.push_back(piece.is_match ? "[" + part + "]" : part);
        if (piece.is_match != matchesTagPattern(part, tags)) ours.push_back("<whole match?>");
      }
      size_t pos = 0;
      for (const auto& [begin, end] : allMatches(*regex, text)) {
        if (begin > pos) theirs.emplace_back(text.substr(pos, begin - pos));
        theirs.push_back("[" + std::string(text.substr(begin, end - begin)) + "]");
        pos = end;
      }
      if (pos < text.size()) theirs.emplace_back(text.substr(pos));
      const auto whole = allMatches(*regex, text);
      const bool whole_match = whole.size() == 1 && whole[0].first == 0 && whole[0].second == text.size();
      EXPECT_EQ(ours, theirs) << "tags of " << shown;
      EXPECT_EQ(matchesTagPattern(text, tags), whole_match) << "whole match of " << shown;
      if (ours != theirs || matchesTagPattern(text, tags) != whole_match) return false;
    }
    // White-space runs become one space, then the ends are trimmed; every
    // "</w>" becomes a space.
    std::string cleaned, unmarked;
    size_t pos = 0;
    for (const auto& [begin, end] : allMatches(space_run_, text)) {
      cleaned.append(text.substr(pos, begin - pos)).append(" ");
      pos = end;
    }
    cleaned = trimmed(cleaned.append(text.substr(pos)));
    for (pos = 0; pos <= text.size();) {
      const size_t marker = std::min(text.find("</w>", pos), text.size());
      unmarked.append(text.substr(pos, marker - pos)).append(marker < text.size() ? " " : "");
      pos = marker + 4;
    }
    EXPECT_EQ(cleanWhitespace(text), cleaned) << shown;
    EXPECT_EQ(replaceWordEndMarkers(text), unmarked) << shown;
    return cleanWhitespace(text) == cleaned && replaceWordEndMarkers(text) == unmarked;
  }

 private:
  static std::vector<std::pair<size_t, size_t>> allMatches(const Regex& regex, std::string_view text) {
    std::vector<std::pair<size_t, size_t>> spans;
    size_t begin = 0, end = 0;
    for (size_t pos = 0; pos < text.size() && regex.search(text, pos, begin, end); pos = end) {
      spans.emplace_back(begin, end);
      if (end == begin) break;  // none of the patterns matches empty text
    }
    return spans;
  }

  static std::string trimmed(std::string text) {
    const char* set = " \t\n\r\f\v";
    const size_t first = text.find_first_not_of(set);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(set) + 1 - first);
  }

  Regex ascii_digit_, unicode_digit_, word_end_, pipe_, angle_, space_run_;
  std::vector<TagSplitPiece> split_;
};

// Random valid UTF-8 strings. Each string picks a mix: all planes, white
// space, digits and numbers, contractions, tags, near misses of the sets.
class TextGenerator {
 public:
  explicit TextGenerator(uint32_t seed) : rng_(seed) {}

  std::string next() {
    const int mix = int(rng_() % 6);
    const size_t length = rng_() % 24;
    std::string text;
    for (size_t i = 0; i < length; ++i) appendUtf8(codepoint(mix), text);
    return text;
  }

 private:
  uint32_t codepoint(int mix) {
    // Each mix favours one pool; every mix can still draw from every pool.
    static constexpr uint32_t kSpaces[] = {0x09, 0x0A, 0x0B, 0x0C,   0x0D,   0x20,   0x20,
                                           0x20, 0xA0, 0xFEFF, 0x1680, 0x2000, 0x2005, 0x200A,
                                           0x2028, 0x2029, 0x202F, 0x205F, 0x3000};
    static constexpr uint32_t kNearMisses[] = {0x85, 0x180E, 0x200B, 0x1C, 0x1F, 0x2060, 0x3164};
    static constexpr uint32_t kNumbers[] = {'0', '7', '9', 0xB2, 0xBD, 0x663, 0x2160, 0xFF13,
                                            0x1D7D9, 0x10107, 0x3007, 0x2469};
    static constexpr char kContraction[] = "'''stremvldSTM";
    static constexpr char kTag[] = "<<>>||/w a";
    const int pool = mix == 0 ? int(rng_() % 8) : (rng_() % 2 == 0 ? mix : int(rng_() % 8));
    while (true) {
      uint32_t cp = 0;
      switch (pool) {
        case 0: cp = uint32_t(rng_() % 17) << 16 | (rng_() & 0xFFFF); break;  // any plane
        case 1: cp = kSpaces[rng_() % std::size(kSpaces)]; break;
        case 2: cp = kNumbers[rng_() % std::size(kNumbers)]; break;
        case 3: cp = uint32_t(kContraction[rng_() % (std::size(kContraction) - 1)]); break;
        case 4: cp = uint32_t(kTag[rng_() % (std::size(kTag) - 1)]); break;
        case 5: cp = kNearMisses[rng_() % std::size(kNearMisses)]; break;
        case 6: cp = 0x20 + rng_() % 0x5F; break;                // printable ASCII
        default: cp = 0x80 + rng_() % (0x10000 - 0x80); break;  // rest of the BMP
      }
      if (!isSurrogate(cp)) return cp;
    }
  }

  std::mt19937 rng_;
};

TEST(PreTokenizerDifferentialTest, RandomStrings) {
  Oracle oracle;
  TextGenerator generator(20240501);
  const size_t count = testing::iterations(50000);
  for (size_t i = 0; i < count; ++i) {
    ASSERT_TRUE(oracle.compare(generator.next())) << "string " << i;
  }
}

// Cases written for the edges of each pattern; the expected pieces are PCRE2's.
TEST(PreTokenizerDifferentialTest, HandWrittenCases) {
  Oracle oracle;
  for (const char* text : {
           // Contractions come first and are case-sensitive; a punctuation
           // run swallows an apostrophe; the optional space never precedes one.
           "I'm I'M we'll've'd're't", "'sa", "!'s", "''s", "'l", "it 's", "don't  'll'd're've",
           // White-space runs give their last character to the next word;
           // only U+0020 is the optional space (tab, U+3000, U+00A0 are not),
           // U+0085 and U+180E are no white space.
           "Hello world", "  hi", "hi  ", "a   b", " \thi", " \t\n x", "a\xE3\x80\x80" "b",
           "\xE3\x80\x80\xE3\x80\x80" "a", "a\xC2\xA0\xC2\xA0" "b", "a \xC2\x85",
           "a\xE1\xA0\x8E" "b", "\n\n", "2024 12", "x<|endoftext|>",
           // Digit classes: "\d" is ASCII only in the first pattern.
           "a!\xC2\xB2", "!3", " \xC2\xB2!", "\xC2\xBD" "3x", "\xE6\x97\xA5 \xD9\xA3\xD9\xA4",
           "2024 \xC2\xBD", "a b 12", " it's,ok! ", "a\xE2\x80\xA8" "b",
           // Tags: "[^>]+" must leave a "|" for "|>"; the first ">" ends the
           // body; the leftmost start wins and "<" may be inside.
           "<|endoftext|>Hi", "a  <|endoftext|>", "<x y>", "<s><s>", "<|a|b|>", "<||>x<|||>",
           "<|x>|>", "<<s>", "<><a>", "<|a<|b|>", "a<b", "<|a b|>", "<|>", "<s>>", "<>",
           // Clean-up and word-end markers.
           "  Hello   WORLD  ", "a\xE3\x80\x80\xE2\x80\xA8" "b", "\xC2\xA0" "a\xEF\xBB\xBF",
           "a\t\r\n\v\fb", " \t\n", "hello</w>world</w>", "<</w>/w>", "</w</w>>", "</w></w>",
           "</w", ""}) {
    EXPECT_TRUE(oracle.compare(text));
  }
}

// Every line of the sample texts, and each whole file as one subject.
TEST(PreTokenizerDifferentialTest, SampleTexts) {
  Oracle oracle;
  const std::filesystem::path dir = std::filesystem::path(NUVRA_DATA_DIR) / "text";
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".txt") continue;
    const std::string content = testing::readFile(entry.path());
    ASSERT_EQ(utf8RoundTrip(content), content) << entry.path() << " is not valid UTF-8";
    ++files;
    size_t start = 0;
    while (start < content.size()) {
      size_t stop = content.find('\n', start);
      stop = stop == std::string::npos ? content.size() : stop + 1;
      ASSERT_TRUE(oracle.compare(std::string_view(content).substr(start, stop - start)))
          << entry.path();
      start = stop;
    }
    ASSERT_TRUE(oracle.compare(content)) << entry.path();
  }
  EXPECT_GE(files, 3u);
}

}  // namespace
}  // namespace nuvra::bpe
