#include "bpe/vocab_index.h"

#include <stdexcept>
#include <utility>

#include "base/utf8.h"
#include "bpe/bpe_encoder.h"

namespace nuvra::bpe {
namespace {

// Appends the bytes of `entry`'s symbols, as appendSymbolBytes does, and
// tells whether every character of it is well formed on its own, so that its
// bytes inside any joined text are the bytes it gives alone. Byte symbols
// are ASCII or two-byte characters: those are decoded here.
bool appendEntryBytes(std::string_view entry, const ByteDecoder& decoder, LargeString& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(entry.data());
  const auto* const end = p + entry.size();
  while (p < end) {
    uint32_t codepoint = *p;
    if (codepoint < 0x80) {
      ++p;
    } else if (codepoint >= 0xC2 && codepoint < 0xE0 && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
      codepoint = (codepoint & 0x1F) << 6 | (p[1] & 0x3F);
      p += 2;
    } else {
      const int length =
          utf8DecodeChar(reinterpret_cast<const char*>(p), int32_t(end - p), codepoint);
      if (length == 0) return false;
      p += length;
    }
    const int byte = decoder.byteOf(codepoint);
    if (byte > 0) bytes.push_back(char(byte));
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
    if (!appendEntryBytes(entry, byte_decoder, bytes)) entry_flags |= kNeedsJoining;
    // Every entry is a key of the index; both tag patterns begin with "<".
    if (!entry.empty() && entry[0] == '<' && isSpecialToken(entry, *tokens_, special_pattern)) {
      entry_flags |= kSpecial;
    }
    flags[k] = entry_flags;
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
