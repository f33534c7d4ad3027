#ifndef NUVRA_BASE_FAMILY_H_
#define NUVRA_BASE_FAMILY_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "base/file_path.h"
#include "base/codec_modes.h"
#include "base/status.h"
#include "base/token_record.h"

namespace nuvra {

// The resource files a handle can be given, one per pair of Open*File* exports.
enum class FileKind : uint8_t {
  kModel,
  kDictionary,
  kVocab,
  kMerges,
  kAddedTokens,
  kTokenizerConfig,
};

// What a handle asks of the family that serves its type. One object per
// handle holds that family's tables; the handle keeps only the results.
// Every call either succeeds or leaves the object as it was, so the caller
// can keep its previous results when a call fails.
class Family {
 public:
  Family() = default;
  Family(const Family&) = delete;
  Family& operator=(const Family&) = delete;
  virtual ~Family() = default;

  // Records of `text` into `out`; `out` is meaningful only on success.
  virtual Status encode(std::string_view text, EncodeSpecials specials, TokenRecords& out) = 0;
  // Text of `count` ids into `out`; meaningful only on success.
  virtual Status decode(const int32_t* ids, uint32_t count, DecodeSpecials specials,
                        std::string& out) const = 0;
  // Loads the file into the table it fills. Only kinds the type accepts
  // reach a family.
  virtual Status open(FileKind kind, const FilePath& path) = 0;
  // Number of ids the vocabulary queries answer for.
  virtual uint32_t vocabSize() const = 0;
  // Text of entry `id`, for id < vocabSize().
  virtual std::string vocabEntry(uint32_t id) const = 0;
};

}  // namespace nuvra

#endif  // NUVRA_BASE_FAMILY_H_
