#include "bpe/bpe_decoder.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "bpe/bpe_encoder.h"
#include "bpe/pre_tokenizer.h"
#include "interface/utf8.h"

namespace nuvra::bpe {
namespace {

constexpr uint32_t kWordEndType = 1;

struct CleanUpRule {
  std::string_view from;
  std::string_view to;
};

constexpr CleanUpRule kCleanUpRules[] = {
    {" .", "."},     {" ?", "?"},     {" !", "!"},     {" ,", ","},     {" ' ", "'"},
    {" n't", "n't"}, {" 'm", "'m"},   {" 's", "'s"},   {" 've", "'ve"}, {" 're", "'re"},
};

// Both tag patterns begin with "<", so almost every token is ruled out
// before the vocabulary lookup that isSpecialToken starts with.
bool isSpecialTokenText(std::string_view token, const PreTokenizerPatternSet& pre_tokenizer,
                        const readers::TokenIndex& token_to_id) {
  return !token.empty() && token[0] == '<' &&
         isSpecialToken(token, token_to_id, pre_tokenizer.special_pattern);
}

// Ids to bytes, token by token, into one growing buffer: no per-token
// allocation. The bytes are those of symbolsToBytes over the joined symbol
// text; a token that ends inside a character, or holds a malformed one,
// hands the rest of the work to symbolsToBytes over the remaining joined
// text, which is then exact by construction.
class TokenBytesWriter {
 public:
  TokenBytesWriter(const ByteDecoder& byte_decoder, uint32_t count) : decoder_(byte_decoder) {
    constexpr size_t kFirstBuffer = size_t(1) << 20;
    out_.resize(std::min(size_t(count) * 4, kFirstBuffer));
  }

  // Appends the bytes of `token`; false when it could not be converted on its
  // own, leaving its unconverted rest in `rest`.
  bool append(std::string_view token, std::string_view& rest) {
    if (out_.size() - used_ < token.size()) {
      out_.resize(std::max(out_.size() * 2, used_ + token.size()));
    }
    char* out = &out_[used_];
    // A local copy: stores through `out` may alias anything reached through `this`.
    const int16_t* const bytes = decoder_.bytes.data();
    const char* p = token.data();
    const char* const end = p + token.size();
    while (p < end) {
      const auto lead = static_cast<unsigned char>(*p);
      // Printable ASCII is its own symbol; the other ASCII code points name
      // no byte.
      if (lead < 0x80) {
        const int byte = bytes[lead];
        if (byte > 0) *out++ = char(byte);
        ++p;
        continue;
      }
      // Every other symbol is two bytes, C2 A1 to C5 83; longer characters
      // are no symbol and only checked for being well formed.
      uint32_t codepoint = 0;
      int length = 0;
      if (lead >= 0xC2 && lead <= 0xC5 && end - p >= 2 &&
          (static_cast<unsigned char>(p[1]) & 0xC0) == 0x80) {
        codepoint = (uint32_t(lead & 0x1F) << 6) | (static_cast<unsigned char>(p[1]) & 0x3F);
        length = 2;
      } else {
        length = utf8DecodeChar(p, int32_t(end - p), codepoint);
        if (length == 0) {
          used_ = size_t(out - out_.data());
          rest = std::string_view(p, size_t(end - p));
          return false;
        }
      }
      const int byte = codepoint < ByteDecoder::kLimit ? bytes[codepoint] : -1;
      if (byte > 0) *out++ = char(byte);
      p += length;
    }
    used_ = size_t(out - out_.data());
    return true;
  }

  void appendBytes(std::string_view bytes) {
    out_.resize(used_);
    out_.append(bytes);
    used_ = out_.size();
  }

  std::string take() {
    out_.resize(used_);
    return std::move(out_);
  }

 private:
  const ByteDecoder& decoder_;
  std::string out_;
  size_t used_ = 0;
};

// The symbols of the kept ids turned into bytes, as symbolsToBytes of their
// concatenation gives them.
std::string decodeIds(const PreTokenizerPatternSet& pre_tokenizer, const int32_t* ids,
                      uint32_t count, const readers::TokenIndex& token_to_id,
                      const std::vector<std::string>& vocab, const ByteDecoder& byte_decoder,
                      bool skip_special) {
  if (count > uint32_t(std::numeric_limits<int32_t>::max())) return std::string();
  // The token of ids[i], or null when it is left out.
  const std::string* const entries = vocab.data();
  const size_t size = vocab.size();
  auto keptToken = [&](uint32_t i) -> const std::string* {
    const auto id = uint32_t(ids[i]);  // a negative id becomes too large
    if (id >= size) {
      if (skip_special) return nullptr;
      throw std::out_of_range("token range overflow");
    }
    const std::string& token = entries[id];
    if (skip_special && isSpecialTokenText(token, pre_tokenizer, token_to_id)) return nullptr;
    return &token;
  };

  TokenBytesWriter writer(byte_decoder, count);
  std::string_view rest;
  uint32_t i = 0;
  for (; i < count; ++i) {
    const std::string* token = keptToken(i);
    if (token != nullptr && !writer.append(*token, rest)) break;
  }
  if (i < count) {
    std::string joined(rest);
    for (++i; i < count; ++i) {
      if (const std::string* token = keptToken(i)) joined.append(*token);
    }
    writer.appendBytes(symbolsToBytes(joined, byte_decoder));
  }
  return writer.take();
}

}  // namespace

std::string bpeDecode(const PreTokenizerPatternSet& pre_tokenizer, const int32_t* ids,
                      uint32_t count, uint32_t type, uint32_t flags,
                      const readers::TokenIndex& token_to_id,
                      const std::vector<std::string>& vocab, const ByteDecoder& byte_decoder,
                      bool skip_special) {
  std::string text =
      decodeIds(pre_tokenizer, ids, count, token_to_id, vocab, byte_decoder, skip_special);
  if (type == kWordEndType) text = cleanUpTokenization(replaceWordEndMarkers(text));
  if ((flags & kUtf8SafeFlag) != 0) text = utf8RoundTrip(text);
  if (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
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
