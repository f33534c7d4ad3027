#ifndef NUVRA_INTERFACE_HANDLE_H_
#define NUVRA_INTERFACE_HANDLE_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bpe/byte_symbols.h"
#include "bpe/merge_table.h"
#include "bpe/pre_tokenizer_patterns.h"
#include "bpe/vocab_index.h"
#include "interface/token_record.h"
#include "sentencepiece/control_text_pattern.h"
#include "wordpiece/analyzer.h"
#include "wordpiece/vocabulary.h"

// Tables are held through shared pointers to const: the built-in tables of
// types 0 and 1 are shared by every handle, and a file replaces a table by
// swapping one pointer, so a failed call never leaves a half-changed handle.
struct NuvraTokenizer {
  // The vocabulary's text-to-id lookup, in the form its family searches.
  struct TokenToId {
    std::shared_ptr<const nuvra::bpe::VocabIndex> bpe;              // highest id wins
    std::shared_ptr<const nuvra::wordpiece::VocabIndex> wordpiece;  // lowest id wins
  };

  uint32_t type = 0;
  uint32_t flags = 0;
  std::string decoded_text;
  std::string vocab_text;
  nuvra::TokenRecords records;
  std::shared_ptr<const std::vector<std::string>> vocab;
  TokenToId token_to_id;
  const nuvra::bpe::ByteEncoder* byte_encoder = nullptr;
  const nuvra::bpe::ByteDecoder* byte_decoder = nullptr;
  std::shared_ptr<const nuvra::bpe::MergeTable> merges;
  std::unique_ptr<sentencepiece::SentencePieceProcessor> spm_processor;
  std::unique_ptr<nuvra::wordpiece::Analyzer> analyzer;
  nuvra::bpe::PreTokenizerPatternSet pre_tokenizer;
  std::unique_ptr<const nuvra::spm::SpecialPattern> spm_special_pattern;
  bool tokenize_chinese_chars = true;
  bool do_lower_case = true;
};

namespace nuvra {

// A fully built handle of `type` (0 to 10, checked by the caller).
std::unique_ptr<NuvraTokenizer> createHandle(uint32_t type, uint32_t flags);

}  // namespace nuvra

#endif  // NUVRA_INTERFACE_HANDLE_H_
