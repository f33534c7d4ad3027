#include "bpe/bpe_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "base/utf8.h"
#include "bpe/pre_tokenizer.h"

namespace nuvra::bpe {
namespace {

struct CleanUpRule {
  std::string_view from;
  std::string_view to;
};

constexpr CleanUpRule kCleanUpRules[] = {
    {" .", "."},     {" ?", "?"},   {" !", "!"},   {" ,", ","},     {" ' ", "'"},
    {" n't", "n't"}, {" 'm", "'m"}, {" 's", "'s"}, {" 've", "'ve"}, {" 're", "'re"},
};

// Bytes of the kept ids, one precomputed copy per id into one growing
// buffer. The first id whose entry does not decode on its own (a character
// cut or malformed) hands the rest to symbolsToBytes over the joined
// remaining entries, which is exact by construction.
// nullopt: an id outside the vocabulary without `skip_special`.
std::optional<std::string> decodeIds(const int32_t* ids, uint32_t count, const VocabIndex& index,
                                     const ByteDecoder& byte_decoder, bool skip_special) {
  if (count > uint32_t(std::numeric_limits<int32_t>::max())) return std::string();
  const readers::TokenList& entries = index.entries();
  const size_t size = index.entryCount();
  const bool dense = entries.dense();
  const uint8_t* const flags = index.flagData();
  const uint32_t* const offsets = index.offsetData();
  const char* const bytes = index.byteData();
  constexpr size_t kPadding = VocabIndex::kPadding;

  // Slack of kPadding bytes behind the used part takes the fixed-size copies.
  constexpr size_t kFirstBuffer = size_t(1) << 20;
  std::string out(std::min(size_t(count) * 4, kFirstBuffer) + kPadding, '\0');
  char* base = &out[0];
  size_t capacity = out.size() - kPadding;
  size_t used = 0;
  uint32_t i = 0;
  for (; i < count; ++i) {
    const auto id = uint32_t(ids[i]);  // a negative id becomes too large
    if (id >= size) {
      if (skip_special) continue;
      return std::nullopt;
    }
    // An id without an entry takes the last slot: no bytes, no flags.
    const size_t slot = dense ? id : entries.slotOf(id);
    const uint8_t flag = flags[slot];
    if (flag != 0) {
      if (skip_special && (flag & VocabIndex::kSpecial) != 0) continue;
      if ((flag & VocabIndex::kNeedsJoining) != 0) break;
    }
    const uint32_t begin = offsets[slot];
    const size_t length = offsets[slot + 1] - begin;
    if (capacity - used < length) {
      out.resize(std::max(capacity * 2, used + length) + kPadding);
      base = &out[0];
      capacity = out.size() - kPadding;
    }
    // Most entries are a few bytes: one fixed move, reading into the index's
    // padding and writing into the slack, beats a call.
    if (length <= kPadding) {
      std::memcpy(base + used, bytes + begin, kPadding);
    } else {
      std::memcpy(base + used, bytes + begin, length);
    }
    used += length;
  }
  out.resize(used);
  if (i < count) {
    std::string joined(index.text(uint32_t(ids[i])));
    for (++i; i < count; ++i) {
      const auto id = uint32_t(ids[i]);
      if (id >= size) {
        if (skip_special) continue;
        return std::nullopt;
      }
      if (skip_special && (index.flags(id) & VocabIndex::kSpecial) != 0) continue;
      joined.append(index.text(id));
    }
    out.append(symbolsToBytes(joined, byte_decoder));
  }
  return out;
}

}  // namespace

std::optional<std::string> bpeDecode(const int32_t* ids, uint32_t count,
                                     const DecodeOptions& options, const VocabIndex& index,
                                     const ByteDecoder& byte_decoder, DecodeSpecials specials) {
  std::optional<std::string> decoded =
      decodeIds(ids, count, index, byte_decoder, specials == DecodeSpecials::kSkip);
  if (!decoded) return std::nullopt;
  std::string& text = *decoded;
  if (options.word_end) text = cleanUpTokenization(replaceWordEndMarkers(text));
  if (options.utf8_safe) text = utf8RoundTrip(text);
  if (!text.empty() && text.back() == ' ') text.pop_back();
  return decoded;
}

std::string cleanUpTokenization(std::string_view text) {
  std::string current(text);
  std::string next;
  for (const CleanUpRule& rule : kCleanUpRules) {
    size_t found = current.find(rule.from);
    if (found == std::string::npos) continue;
    // Searching on behind each match in the old text equals resuming behind
    // the inserted text in the new one: a replacement is never matched again.
    next.clear();
    size_t copied = 0;
    while (found != std::string::npos) {
      next.append(current, copied, found - copied);
      next.append(rule.to);
      copied = found + rule.from.size();
      found = current.find(rule.from, copied);
    }
    next.append(current, copied, std::string::npos);
    current.swap(next);
  }
  return current;
}

}  // namespace nuvra::bpe
