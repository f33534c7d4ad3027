#ifndef NUVRA_INTERFACE_FAMILY_BRIDGE_H_
#define NUVRA_INTERFACE_FAMILY_BRIDGE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "interface/handle.h"
#include "nuvra_tokenizer.h"
#include "readers/text_file.h"

// What the exports ask of each family, on a handle whose type belongs to it.
// Each returns a status; the out value is written only on success, and the
// handle's results are replaced by the caller.
namespace nuvra {

int32_t bpeEncodeHandle(const NuvraTokenizer& handle, std::string_view text, bool encode_flag,
                        TokenRecords& out);
int32_t bpeDecodeHandle(const NuvraTokenizer& handle, const int32_t* ids, uint32_t count,
                        bool skip_special, std::string& out);

int32_t wordpieceEncodeHandle(const NuvraTokenizer& handle, std::string_view text,
                              bool encode_flag, TokenRecords& out);
// Shared by the WordPiece types with and without the analyzer.
int32_t wordpieceDecodeHandle(const NuvraTokenizer& handle, const int32_t* ids, uint32_t count,
                              bool skip_special, std::string& out);

int32_t japaneseEncodeHandle(NuvraTokenizer& handle, std::string_view text, bool encode_flag,
                             TokenRecords& out);
int32_t openJapaneseDictionary(NuvraTokenizer& handle, const readers::FilePath& path);

int32_t spmEncodeHandle(const NuvraTokenizer& handle, std::string_view text, bool encode_flag,
                        TokenRecords& out);
int32_t spmDecodeHandle(const NuvraTokenizer& handle, const int32_t* ids, uint32_t count,
                        bool skip_special, std::string& out);
int32_t loadSpmModel(NuvraTokenizer& handle, const readers::FilePath& path);
// Number of ids of the type's id space (0 without a model).
int32_t spmVocabSize(const NuvraTokenizer& handle);
// Text of model id `id`, 0 <= id < spmVocabSize.
std::string spmIdToText(const NuvraTokenizer& handle, int32_t id);

}  // namespace nuvra

#endif  // NUVRA_INTERFACE_FAMILY_BRIDGE_H_
