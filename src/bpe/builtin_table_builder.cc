#include "bpe/builtin_table_builder.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bpe/byte_symbols.h"
#include "bpe/merge_table.h"
#include "bpe/pre_tokenizer_patterns.h"
#include "bpe/vocab_index.h"
#include "data/builtin_merge_lists.h"

namespace nuvra::bpe {
namespace {

// Bytes in the order their symbols take the first 256 ids: the bytes that
// keep their own code point, ascending, then the moved ones, ascending; that
// is, ordered by code point.
std::array<uint8_t, 256> bytesInTableOrder(const ByteEncoder& encoder) {
  std::array<uint8_t, 256> order{};
  for (int b = 0; b < 256; ++b) order[size_t(b)] = uint8_t(b);
  std::sort(order.begin(), order.end(),
            [&](uint8_t a, uint8_t b) { return encoder.codepoints[a] < encoder.codepoints[b]; });
  return order;
}

// Every token of a built-in list is the concatenation of two earlier ones,
// so the merge table's symbols, and from them the vocabulary, come out of the
// id pairs without reading any text.
BuiltinTables buildTables(const data::BuiltinMergeList& list, bool word_end,
                          std::initializer_list<std::string_view> specials,
                          TagPattern special_pattern, uint64_t seed) {
  const ByteEncoder& encoder = byteEncoder();
  const std::array<uint8_t, 256> order = bytesInTableOrder(encoder);
  const size_t token_count = list.first_merge_id + list.merge_count;

  // Base tokens are the byte symbols, and for the word-end list their
  // word-end forms; the other list gets those forms as extra symbols after
  // its tokens.
  std::vector<std::string> base_symbols;
  std::vector<std::string> word_end_forms;
  std::array<uint32_t, 256> byte_symbols{};
  std::array<uint32_t, 256> word_end_symbols{};
  for (uint32_t i = 0; i < 256; ++i) {
    base_symbols.emplace_back(encoder.symbols[order[i]].text());
    word_end_forms.push_back(base_symbols.back() + std::string(kWordEndMarker));
    byte_symbols[order[i]] = i;
    word_end_symbols[order[i]] = word_end ? 256 + i : uint32_t(token_count + i);
  }
  if (word_end) {
    base_symbols.insert(base_symbols.end(), word_end_forms.begin(), word_end_forms.end());
  }
  auto merges = std::make_shared<const MergeTable>(
      list, base_symbols, word_end ? std::vector<std::string>() : word_end_forms, byte_symbols,
      word_end_symbols, seed);

  std::vector<std::string> vocab;
  vocab.reserve(token_count + specials.size());
  for (uint32_t id = 0; id < token_count; ++id) vocab.emplace_back(merges->symbolText(id));
  for (std::string_view special : specials) vocab.emplace_back(special);
  return {std::make_shared<const VocabIndex>(vocab, special_pattern, byteDecoder(), seed),
          std::move(merges)};
}

}  // namespace

BuiltinTables buildBuiltinTables(BuiltinList list, uint64_t seed) {
  switch (list) {
    case BuiltinList::kTranscript:
      return buildTables(data::kTranscriptMergeList, false,
                         {"", "<|endoftext|>", "<|startoftranscript|>"}, TagPattern::kPipeTag,
                         seed);
    case BuiltinList::kWordEnd:
      return buildTables(data::kWordEndMergeList, true, {"<|startoftext|>", "<|endoftext|>"},
                         TagPattern::kPipeTag, seed);
    case BuiltinList::kNone:
      break;
  }
  return {std::make_shared<const VocabIndex>(), std::make_shared<const MergeTable>()};
}

}  // namespace nuvra::bpe
