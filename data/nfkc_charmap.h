// The table is generated at build time by tools/gen_nfkc_charmap.cc from the
// installed sentencepiece library.
#ifndef NUVRA_DATA_NFKC_CHARMAP_H_
#define NUVRA_DATA_NFKC_CHARMAP_H_

#include <cstddef>
#include <cstdint>

namespace nuvra::data {

// The "nfkc" rule as a double-array trie over UTF-8 byte strings: a key's
// value is the offset of its NUL-terminated replacement in kNfkcReplacements
// ("ｶﾞ" -> "ガ", "①" -> "1"). Text no key starts is left as it is.
extern const uint32_t kNfkcTrieUnits[];
extern const size_t kNfkcTrieUnitCount;
// Followed by one more NUL, so every offset below the size ends in range.
extern const char kNfkcReplacements[];
extern const size_t kNfkcReplacementsSize;

}  // namespace nuvra::data

#endif  // NUVRA_DATA_NFKC_CHARMAP_H_
