#ifndef NUVRA_WORDPIECE_NFKC_NORMALIZER_H_
#define NUVRA_WORDPIECE_NFKC_NORMALIZER_H_

#include <string>
#include <string_view>

namespace nuvra::wordpiece {

// The sentencepiece library's "nfkc" rule, with the settings of the Japanese
// types: no dummy prefix, spaces left as U+0020, leading and trailing spaces
// dropped and runs of spaces squeezed to one ("  ＡＢ　 ｶﾞ " -> "AB ガ").
// The rule is not Unicode NFKC: it leaves some modifier letters alone and
// never reorders combining marks. A byte that starts no valid UTF-8 sequence
// becomes U+FFFD. Replaces the contents of `out`.
void normalizeNfkc(std::string_view text, std::string& out);

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_NFKC_NORMALIZER_H_
