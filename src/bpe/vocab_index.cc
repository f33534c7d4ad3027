#include "bpe/vocab_index.h"

#include <stdexcept>
#include <utility>

#include "base/utf8.h"
#include "bpe/bpe_encoder.h"

namespace nuvra::bpe {
namespace {

// Writes symbolsToBytes of `entry` at `out` and returns its end. `alone`:
// every character of the entry is well formed on its own, so its bytes
// inside any joined text are the bytes it gives alone. Byte symbols are
// ASCII or two-byte characters: those are decoded here, and symbolsToBytes,
// the decoder's definition, stays the plain loop its tests compare with.
char* writeEntryBytes(std::string_view entry, const ByteDecoder& decoder, char* out,
                      bool& alone) {
  const auto* p = reinterpret_cast<const unsigned char*>(entry.data());
  const auto* const end = p + entry.size();
  alone = true;
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
      if (length == 0) {
        alone = false;
        break;
      }
      p += length;
    }
    const int byte = decoder.byteOf(codepoint);
    if (byte > 0) *out++ = char(byte);
  }
  return out;
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
  LargeVector<uint32_t> offsets(slots + 2);
  // A symbol is at least one byte and gives at most one: the token index
  // has already refused anything too large for 32-bit offsets. Written
  // through a pointer, the bytes end up followed by zeros.
  LargeString bytes(entries_.textBytes() + kPadding, '\0');
  char* const first = bytes.data();
  char* out = first;
  for (size_t k = 0; k < slots; ++k) {
    const std::string_view entry = entries_.textAt(k);
    bool alone = true;
    out = writeEntryBytes(entry, byte_decoder, out, alone);
    uint8_t entry_flags = alone ? 0 : kNeedsJoining;
    // Every entry is a key of the index; both tag patterns begin with "<".
    if (!entry.empty() && entry[0] == '<' && isSpecialToken(entry, *tokens_, special_pattern)) {
      entry_flags |= kSpecial;
    }
    flags[k] = entry_flags;
    offsets[k + 1] = uint32_t(out - first);
  }
  offsets[slots + 1] = uint32_t(out - first);  // the empty slot of ids without an entry
  bytes.resize(size_t(out - first) + kPadding);
  flags_ = std::move(flags);
  offsets_ = std::move(offsets);
  bytes_ = std::move(bytes);
}

VocabIndex::VocabIndex(TableImageReader& image)
    : entries_(image), tokens_(std::make_shared<const readers::TokenIndex>(image, &entries_)) {
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
