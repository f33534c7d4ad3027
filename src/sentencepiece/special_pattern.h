#ifndef NUVRA_SENTENCEPIECE_SPECIAL_PATTERN_H_
#define NUVRA_SENTENCEPIECE_SPECIAL_PATTERN_H_

#include <string>
#include <vector>

namespace nuvra::spm {

// The fixed special texts a loaded model recognises in input, as an
// alternation searched leftmost-first.
class SpecialPattern {
 public:
  explicit SpecialPattern(std::vector<std::string> alternatives)
      : alternatives_(std::move(alternatives)) {}
  const std::vector<std::string>& alternatives() const { return alternatives_; }

 private:
  std::vector<std::string> alternatives_;
};

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_SPECIAL_PATTERN_H_
