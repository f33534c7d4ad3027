#ifndef NUVRA_INTERFACE_TYPE_TABLE_H_
#define NUVRA_INTERFACE_TYPE_TABLE_H_

#include <cstdint>
#include <memory>
#include <string_view>

#include "base/family.h"
#include "base/status.h"
#include "bpe/type_options.h"
#include "sentencepiece/type_options.h"
#include "wordpiece/type_options.h"

namespace nuvra {

enum class FamilyKind : uint8_t { kBpe, kWordpiece, kJapaneseWordpiece, kSentencePiece };

// Everything that tells one tokenizer type from another. The exports ask
// this table and the family object it creates; nothing else compares type
// numbers.
struct TypeDescription {
  std::string_view name;  // the enumerator's suffix, e.g. "BPE_TRANSCRIPT"
  FamilyKind family;
  uint32_t accepted_files;  // bit (1 << FileKind) per file kind the type reads
  // What an Open*File* export of any other kind returns.
  Status refused_file_status;
  // Whether a caller may read the records' word ids and spans.
  bool exposes_positions;
  // The options of the type's family; the others stay at their defaults.
  bpe::TypeOptions bpe;
  wordpiece::TypeOptions wordpiece;
  spm::TypeOptions spm;

  bool accepts(FileKind kind) const { return (accepted_files >> unsigned(kind)) & 1u; }
};

// The description of `type`, or null for a number that names no type.
const TypeDescription* findType(uint32_t type);

// A family object in the state Create leaves it: built-in tables where the
// type has them, empty ones otherwise.
std::unique_ptr<Family> createFamily(const TypeDescription& type, uint32_t flags);

}  // namespace nuvra

#endif  // NUVRA_INTERFACE_TYPE_TABLE_H_
