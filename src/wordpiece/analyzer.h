#ifndef NUVRA_WORDPIECE_ANALYZER_H_
#define NUVRA_WORDPIECE_ANALYZER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace MeCab {
class Tagger;
}  // namespace MeCab

namespace nuvra::wordpiece {

// MeCab over one compiled dictionary: cuts Japanese text into words.
class Analyzer {
 public:
  // nullptr unless `directory` (native bytes, UTF-8 here) holds a sound
  // dictionary (isSoundDictionary) that MeCab accepts. Settings come from the
  // directory's own dicrc, never from a global resource file.
  static std::unique_ptr<Analyzer> open(const std::string& directory);

  ~Analyzer();
  Analyzer(const Analyzer&) = delete;
  Analyzer& operator=(const Analyzer&) = delete;

  // Replaces `words` with the surfaces of the word and unknown-word nodes of
  // `text`, in order, cut at a NUL; they stay valid until the next call and
  // while `text` lives. False (and no words) when MeCab fails on the text.
  bool analyze(std::string_view text, std::vector<std::string_view>& words);

 private:
  explicit Analyzer(std::unique_ptr<MeCab::Tagger> tagger);

  std::unique_ptr<MeCab::Tagger> tagger_;
};

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_ANALYZER_H_
