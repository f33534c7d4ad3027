#ifndef NUVRA_WORDPIECE_DICTIONARY_CHECK_H_
#define NUVRA_WORDPIECE_DICTIONARY_CHECK_H_

#include <string>

namespace nuvra::wordpiece {

// The files of a compiled MeCab dictionary directory.
inline constexpr const char* kDictionaryFiles[] = {"dicrc", "sys.dic", "unk.dic", "matrix.bin",
                                                   "char.bin"};

// True when `directory` is a directory whose dictionary files are regular
// files whose tables MeCab can follow without leaving them. MeCab itself
// checks sizes and magic numbers, then trusts every index: a flipped bit in
// a trie base or a token's context id makes its parse read out of bounds and
// crash. Never blocks: a FIFO or a device is refused before it is opened.
bool isSoundDictionary(const std::string& directory);

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_DICTIONARY_CHECK_H_
