#include "bpe/vocab_index.h"

#include <stdexcept>

#include "base/utf8.h"
#include "bpe/bpe_encoder.h"
#include "readers/json_vocab_reader.h"

namespace nuvra::bpe {
namespace {

// True when every character of `entry` is well formed on its own, so its
// bytes inside any joined text are the bytes it gives alone.
bool decodesAlone(std::string_view entry) {
  const char* p = entry.data();
  const char* const end = p + entry.size();
  while (p < end) {
    if (static_cast<unsigned char>(*p) < 0x80) {
      ++p;
      continue;
    }
    uint32_t codepoint = 0;
    const int length = utf8DecodeChar(p, int32_t(end - p), codepoint);
    if (length == 0) return false;
    p += length;
  }
  return true;
}

}  // namespace

VocabIndex::VocabIndex()
    : tokens_(std::make_shared<const readers::TokenIndex>()),
      offsets_(1, 0),
      bytes_(kPadding, '\0') {}

VocabIndex::VocabIndex(const std::vector<std::string>& entries, TagPattern special_pattern,
                       const ByteDecoder& byte_decoder)
    : tokens_(readers::rebuildTokenToId(entries)) {
  flags_.resize(entries.size());
  offsets_.reserve(entries.size() + 1);
  size_t symbol_bytes = 0;
  for (const std::string& entry : entries) symbol_bytes += entry.size();
  // A symbol is at least one byte and gives at most one: the token index
  // has already refused anything too large for 32-bit offsets.
  bytes_.reserve(symbol_bytes + kPadding);
  offsets_.push_back(0);
  for (size_t id = 0; id < entries.size(); ++id) {
    const std::string& entry = entries[id];
    uint8_t flags = 0;
    if (!decodesAlone(entry)) flags |= kNeedsJoining;
    // Every entry is a key of the index; both tag patterns begin with "<".
    if (!entry.empty() && entry[0] == '<' && isSpecialToken(entry, *tokens_, special_pattern)) {
      flags |= kSpecial;
    }
    flags_[id] = flags;
    bytes_.append(symbolsToBytes(entry, byte_decoder));
    offsets_.push_back(uint32_t(bytes_.size()));
  }
  bytes_.append(kPadding, '\0');
}

}  // namespace nuvra::bpe
