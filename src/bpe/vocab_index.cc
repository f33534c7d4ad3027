#include "bpe/vocab_index.h"

#include <stdexcept>
#include <utility>

#include "base/utf8.h"
#include "bpe/bpe_encoder.h"

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
      flags_(LargeVector<uint8_t>(1, 0)),
      offsets_(LargeVector<uint32_t>(2, 0)),
      bytes_(LargeString(kPadding, '\0')) {}

VocabIndex::VocabIndex(const std::vector<std::string>& entries, TagPattern special_pattern,
                       const ByteDecoder& byte_decoder, uint64_t seed)
    : VocabIndex(readers::TokenList(entries), special_pattern, byte_decoder, seed) {}

VocabIndex::VocabIndex(readers::TokenList entries, TagPattern special_pattern,
                       const ByteDecoder& byte_decoder, uint64_t seed)
    : entries_(std::move(entries)),
      tokens_(std::make_shared<const readers::TokenIndex>(
          entries_, readers::TokenIndex::Duplicates::kHighestId, seed,
          readers::TokenIndex::Texts::kBorrowed)) {
  const size_t slots = entries_.slotCount();
  LargeVector<uint8_t> flags(slots + 1);
  LargeVector<uint32_t> offsets;
  LargeString bytes;
  offsets.reserve(slots + 2);
  const size_t symbol_bytes = entries_.textBytes();
  // A symbol is at least one byte and gives at most one: the token index
  // has already refused anything too large for 32-bit offsets.
  bytes.reserve(symbol_bytes + kPadding);
  offsets.push_back(0);
  for (size_t k = 0; k < slots; ++k) {
    const std::string_view entry = entries_.textAt(k);
    uint8_t entry_flags = 0;
    if (!decodesAlone(entry)) entry_flags |= kNeedsJoining;
    // Every entry is a key of the index; both tag patterns begin with "<".
    if (!entry.empty() && entry[0] == '<' && isSpecialToken(entry, *tokens_, special_pattern)) {
      entry_flags |= kSpecial;
    }
    flags[k] = entry_flags;
    appendSymbolBytes(entry, byte_decoder, bytes);
    offsets.push_back(uint32_t(bytes.size()));
  }
  offsets.push_back(uint32_t(bytes.size()));  // the empty slot of ids without an entry
  bytes.append(kPadding, '\0');
  flags_ = std::move(flags);
  offsets_ = std::move(offsets);
  bytes_ = std::move(bytes);
}

VocabIndex::VocabIndex(TableImageReader& image)
    : entries_(image), tokens_(std::make_shared<const readers::TokenIndex>(image)) {
  image.array(flags_);
  image.array(offsets_);
  image.array(bytes_);
}

void VocabIndex::save(TableImageWriter& image) const {
  entries_.save(image);
  tokens_->save(image);
  image.array(flags_);
  image.array(offsets_);
  image.array(bytes_);
}

}  // namespace nuvra::bpe
