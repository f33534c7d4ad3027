#include "bpe/pre_tokenizer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace nuvra::bpe {
namespace {

using Words = std::vector<std::string>;

Words words(std::string_view text, WordPattern pattern) {
  Words out;
  WordScanner scanner(text, pattern);
  std::string_view word;
  while (scanner.next(word)) out.emplace_back(word);
  return out;
}

// Pieces as "text" for gaps and "[text]" for matches.
std::vector<std::string> pieces(std::string_view text, TagPattern pattern) {
  std::vector<TagSplitPiece> split;
  splitAtTags(text, pattern, split);
  std::vector<std::string> out;
  for (const TagSplitPiece& p : split) {
    const std::string part(text.substr(p.begin, p.end - p.begin));
    out.push_back(p.is_match ? "[" + part + "]" : part);
  }
  return out;
}

constexpr WordPattern kAscii = WordPattern::kAsciiDigit;
constexpr WordPattern kUnicode = WordPattern::kUnicodeDigit;
constexpr WordPattern kWordEnd = WordPattern::kWordEnd;

TEST(PreTokenizerTest, ContractionsComeFirstAndAreCaseSensitive) {
  for (WordPattern p : {kAscii, kUnicode, kWordEnd}) {
    EXPECT_EQ(words("I'm", p), (Words{"I", "'m"}));
    EXPECT_EQ(words("I'M", p), (Words{"I", "'", "M"}));
    EXPECT_EQ(words("we'll've'd're't", p), (Words{"we", "'ll", "'ve", "'d", "'re", "'t"}));
    // A contraction ends the word even when letters follow: "'sa" is "'s" "a".
    EXPECT_EQ(words("'sa", p), (Words{"'s", "a"}));
    // A punctuation run that reaches an apostrophe swallows it.
    EXPECT_EQ(words("!'s", p), (Words{"!'", "s"}));
    EXPECT_EQ(words("''s", p), (Words{"''", "s"}));
    EXPECT_EQ(words("'l", p), (Words{"'", "l"}));
  }
  // The optional space never precedes a contraction.
  EXPECT_EQ(words("it 's", kAscii), (Words{"it", " '", "s"}));
}

TEST(PreTokenizerTest, WhiteSpaceRunsGiveTheirLastCharacterToTheNextWord) {
  for (WordPattern p : {kAscii, kUnicode}) {
    EXPECT_EQ(words("Hello world", p), (Words{"Hello", " world"}));
    EXPECT_EQ(words("  hi", p), (Words{" ", " hi"}));
    EXPECT_EQ(words("hi  ", p), (Words{"hi", "  "}));
    EXPECT_EQ(words("a   b", p), (Words{"a", "  ", " b"}));
    // Only U+0020 is the optional leading space; a tab stands alone.
    EXPECT_EQ(words(" \thi", p), (Words{" ", "\t", "hi"}));
    EXPECT_EQ(words("a\tb", p), (Words{"a", "\t", "b"}));
    // U+3000 and U+00A0 are white space but not the optional space.
    EXPECT_EQ(words("a\xE3\x80\x80" "b", p), (Words{"a", "\xE3\x80\x80", "b"}));
    EXPECT_EQ(words("a\xC2\xA0\xC2\xA0" "b", p), (Words{"a", "\xC2\xA0", "\xC2\xA0", "b"}));
    // U+0085 and U+180E are not white space in this set.
    EXPECT_EQ(words("a \xC2\x85", p), (Words{"a", " \xC2\x85"}));
    EXPECT_EQ(words("a\xE1\xA0\x8E" "b", p), (Words{"a", "\xE1\xA0\x8E", "b"}));
    EXPECT_EQ(words(" ", p), (Words{" "}));
    EXPECT_EQ(words("\n\n", p), (Words{"\n\n"}));
    EXPECT_EQ(words("2024 12", p), (Words{"2024", " 12"}));
    EXPECT_EQ(words("x<|endoftext|>", p), (Words{"x", "<|", "endoftext", "|>"}));
    EXPECT_EQ(words("", p), Words{});
  }
}

TEST(PreTokenizerTest, DigitClassOfThePunctuationRun) {
  // "\d" is ASCII only: the punctuation run of the first pattern swallows "²".
  EXPECT_EQ(words("a!²", kAscii), (Words{"a", "!²"}));
  EXPECT_EQ(words("a!²", kUnicode), (Words{"a", "!", "²"}));
  EXPECT_EQ(words("a!²", kWordEnd), (Words{"a", "!", "²"}));
  EXPECT_EQ(words("!3", kAscii), (Words{"!", "3"}));
  // A number first is taken by the number alternative, also after the space.
  EXPECT_EQ(words(" ²!", kAscii), (Words{" ²", "!"}));
  EXPECT_EQ(words("½3x", kAscii), (Words{"½3", "x"}));
  // Letters outside ASCII and numbers of other scripts.
  EXPECT_EQ(words("日本語 ٣٤", kUnicode), (Words{"日本語", " ٣٤"}));
}

TEST(PreTokenizerTest, WordEndPatternDropsSpaceAndTakesOneNumber) {
  EXPECT_EQ(words("a b 12", kWordEnd), (Words{"a", "b", "1", "2"}));
  EXPECT_EQ(words("  ", kWordEnd), Words{});
  EXPECT_EQ(words(" it's,ok! ", kWordEnd), (Words{"it", "'s", ",", "ok", "!"}));
  EXPECT_EQ(words("<|endoftext|>", kWordEnd), (Words{"<|", "endoftext", "|>"}));
  EXPECT_EQ(words("a\xE2\x80\xA8" "b", kWordEnd), (Words{"a", "b"}));  // U+2028
  EXPECT_EQ(words("x", WordPattern::kNone), Words{});
}

TEST(PreTokenizerTest, SplitAtSpecials) {
  const TagPattern pipe = TagPattern::kPipeTag;
  const TagPattern angle = TagPattern::kAngleTag;
  EXPECT_EQ(pieces("<|endoftext|>Hi", pipe), (std::vector<std::string>{"[<|endoftext|>]", "Hi"}));
  EXPECT_EQ(pieces("a  <|endoftext|>", pipe), (std::vector<std::string>{"a  ", "[<|endoftext|>]"}));
  EXPECT_EQ(pieces("<x y>", angle), (std::vector<std::string>{"[<x y>]"}));
  EXPECT_EQ(pieces("<s><s>", angle), (std::vector<std::string>{"[<s>]", "[<s>]"}));
  EXPECT_EQ(pieces("", angle), std::vector<std::string>{});
  EXPECT_EQ(pieces("plain", angle), (std::vector<std::string>{"plain"}));
  EXPECT_EQ(pieces("plain", TagPattern::kNone), (std::vector<std::string>{"plain"}));
  // "[^>]+" takes the inner "|" too, but must leave one for "|>".
  EXPECT_EQ(pieces("<|a|b|>", pipe), (std::vector<std::string>{"[<|a|b|>]"}));
  EXPECT_EQ(pieces("<||>x<|||>", pipe), (std::vector<std::string>{"<||>x", "[<|||>]"}));
  // The first ">" ends the body; "<|x>|>" has no "|" before it.
  EXPECT_EQ(pieces("<|x>|>", pipe), (std::vector<std::string>{"<|x>|>"}));
  // Leftmost start wins, and "<" may be inside the body.
  EXPECT_EQ(pieces("<<s>", angle), (std::vector<std::string>{"[<<s>]"}));
  EXPECT_EQ(pieces("<><a>", angle), (std::vector<std::string>{"<>", "[<a>]"}));
  EXPECT_EQ(pieces("<|a<|b|>", pipe), (std::vector<std::string>{"[<|a<|b|>]"}));
  EXPECT_EQ(pieces("a<b", angle), (std::vector<std::string>{"a<b"}));
  // The vector is cleared first.
  std::vector<TagSplitPiece> out{{1, 2, true}};
  splitAtTags("", angle, out);
  EXPECT_TRUE(out.empty());
}

TEST(PreTokenizerTest, WholeMatchOfTagPatterns) {
  const TagPattern pipe = TagPattern::kPipeTag;
  const TagPattern angle = TagPattern::kAngleTag;
  EXPECT_TRUE(matchesTagPattern("<|endoftext|>", pipe));
  EXPECT_TRUE(matchesTagPattern("<|||>", pipe));
  EXPECT_TRUE(matchesTagPattern("<|a b|>", pipe));
  EXPECT_FALSE(matchesTagPattern("<||>", pipe));
  EXPECT_FALSE(matchesTagPattern("<|>", pipe));
  EXPECT_FALSE(matchesTagPattern("<|endoftext|>x", pipe));
  EXPECT_FALSE(matchesTagPattern("<|a>b|>", pipe));
  EXPECT_FALSE(matchesTagPattern("<s>", pipe));
  EXPECT_TRUE(matchesTagPattern("<s>", angle));
  EXPECT_TRUE(matchesTagPattern("<|endoftext|>", angle));
  EXPECT_TRUE(matchesTagPattern("<<s>", angle));
  EXPECT_FALSE(matchesTagPattern("<s>>", angle));
  EXPECT_FALSE(matchesTagPattern("<>", angle));
  EXPECT_FALSE(matchesTagPattern("", angle));
  EXPECT_FALSE(matchesTagPattern("<s>", TagPattern::kNone));
}

TEST(PreTokenizerTest, CleanWhitespace) {
  EXPECT_EQ(cleanWhitespace("  Hello   WORLD  "), "Hello WORLD");
  // U+3000 and U+2028 join one run; U+00A0 at both ends becomes a trimmed space.
  EXPECT_EQ(cleanWhitespace("a\xE3\x80\x80\xE2\x80\xA8" "b"), "a b");
  EXPECT_EQ(cleanWhitespace("\xC2\xA0" "a\xEF\xBB\xBF"), "a");
  EXPECT_EQ(cleanWhitespace("a\t\r\n\v\fb"), "a b");
  EXPECT_EQ(cleanWhitespace("a\xC2\x85" "b"), "a\xC2\x85" "b");  // U+0085 stays
  EXPECT_EQ(cleanWhitespace(" \t\n"), "");
  EXPECT_EQ(cleanWhitespace(""), "");
  EXPECT_EQ(cleanWhitespace("a \xFF b"), "a \xFF b");
}

TEST(PreTokenizerTest, ReplaceWordEndMarkers) {
  EXPECT_EQ(replaceWordEndMarkers("hello</w>world</w>"), "hello world ");
  EXPECT_EQ(replaceWordEndMarkers("<</w>/w>"), "< /w>");
  EXPECT_EQ(replaceWordEndMarkers("</w</w>>"), "</w >");
  EXPECT_EQ(replaceWordEndMarkers("</w></w>"), "  ");
  EXPECT_EQ(replaceWordEndMarkers("</w"), "</w");
  EXPECT_EQ(replaceWordEndMarkers(""), "");
}

TEST(PreTokenizerTest, CodepointClasses) {
  EXPECT_EQ(codepointClass('a'), CharClass::kLetter);
  EXPECT_EQ(codepointClass('7'), CharClass::kNumber);
  EXPECT_EQ(codepointClass('\''), CharClass::kOther);
  EXPECT_EQ(codepointClass(0x0B), CharClass::kSpace);
  EXPECT_EQ(codepointClass(0x1C), CharClass::kOther);
  EXPECT_EQ(codepointClass(0xB2), CharClass::kNumber);     // superscript two
  EXPECT_EQ(codepointClass(0x2160), CharClass::kNumber);   // Roman numeral one (Nl)
  EXPECT_EQ(codepointClass(0x4E00), CharClass::kLetter);
  EXPECT_EQ(codepointClass(0x1F600), CharClass::kOther);
  EXPECT_EQ(codepointClass(0x20000), CharClass::kLetter);
  EXPECT_EQ(codepointClass(0xFEFF), CharClass::kSpace);
  EXPECT_EQ(codepointClass(0x200B), CharClass::kOther);  // zero width space is Cf
  EXPECT_EQ(codepointClass(0x10FFFF), CharClass::kOther);
  EXPECT_EQ(codepointClass(0x1FFFFF), CharClass::kOther);
}

// Invalid UTF-8 counts byte by byte as "other": the byte-level patterns still
// cover the input exactly, every scanner makes progress and stays in bounds.
TEST(PreTokenizerTest, InvalidUtf8IsCoveredSafely) {
  EXPECT_EQ(words("ab\xFF" "cd", kAscii), (Words{"ab", "\xFF", "cd"}));
  EXPECT_EQ(words(" \xC3", kAscii), (Words{" \xC3"}));
  EXPECT_EQ(words("a\xE2\x80", kUnicode), (Words{"a", "\xE2\x80"}));
  EXPECT_EQ(words("\xED\xA0\x80x", kWordEnd), (Words{"\xED\xA0\x80", "x"}));  // surrogate

  std::mt19937 rng(7);
  const char alphabet[] = {' ', 'a', '1', '\'', 's', '<', '>', '|', '\t', '\x80', '\xBF',
                           '\xC2', '\xA0', '\xE2', '\xE3', '\xF0', '\xF4', '\xFF', '\xED'};
  std::uniform_int_distribution<size_t> pick(0, sizeof(alphabet) - 1);
  std::uniform_int_distribution<size_t> length(0, 24);
  std::vector<TagSplitPiece> split;
  for (int iteration = 0; iteration < 3000; ++iteration) {
    std::string text;
    for (size_t n = length(rng); n > 0; --n) text.push_back(alphabet[pick(rng)]);
    for (WordPattern p : {kAscii, kUnicode}) {
      std::string joined;
      for (const std::string& w : words(text, p)) {
        ASSERT_FALSE(w.empty());
        joined += w;
      }
      EXPECT_EQ(joined, text);
    }
    size_t covered = 0;
    for (const std::string& w : words(text, kWordEnd)) covered += w.size();
    EXPECT_LE(covered, text.size());
    for (TagPattern t : {TagPattern::kPipeTag, TagPattern::kAngleTag}) {
      splitAtTags(text, t, split);
      size_t pos = 0;
      for (const TagSplitPiece& piece : split) {
        ASSERT_EQ(piece.begin, pos);
        ASSERT_LT(piece.begin, piece.end);
        EXPECT_EQ(piece.is_match, matchesTagPattern(text.substr(pos, piece.end - pos), t));
        pos = piece.end;
      }
      EXPECT_EQ(pos, text.size());
    }
    EXPECT_LE(cleanWhitespace(text).size(), text.size());
  }
}

// Huge inputs stay linear: one long word, one long run, many unclosed tags.
TEST(PreTokenizerTest, MegabyteInputs) {
  const std::string letters(1 << 20, 'x');
  EXPECT_EQ(words(letters, kAscii), Words{letters});
  EXPECT_EQ(words(letters, kWordEnd), Words{letters});
  const std::string spaces = std::string(1 << 20, ' ') + "x";
  const Words split = words(spaces, kUnicode);
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[1], " x");
  EXPECT_EQ(cleanWhitespace(spaces), "x");

  std::string tags;
  for (int i = 0; i < (1 << 18); ++i) tags += "<|a>";
  EXPECT_EQ(pieces(tags, TagPattern::kPipeTag).size(), 1u);
  EXPECT_EQ(pieces(std::string(1 << 20, '<'), TagPattern::kAngleTag).size(), 1u);
  EXPECT_EQ(pieces(std::string(1 << 20, '<') + ">", TagPattern::kAngleTag).size(), 1u);
}

}  // namespace
}  // namespace nuvra::bpe
