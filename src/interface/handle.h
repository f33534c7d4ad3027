#ifndef NUVRA_INTERFACE_HANDLE_H_
#define NUVRA_INTERFACE_HANDLE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "base/family.h"
#include "base/token_record.h"
#include "interface/type_table.h"

// The results of the last successful encode, decode and vocabulary query,
// and the family object that holds the tokenizer's tables.
struct NuvraTokenizer {
  const nuvra::TypeDescription* type = nullptr;
  uint32_t flags = 0;
  std::string decoded_text;
  std::string vocab_text;
  nuvra::TokenRecords records;
  // The buffer of the results before, emptied: the next encode fills it, so
  // that encoding text after text allocates (and first-touches) nothing.
  nuvra::TokenRecords spare_records;
  std::unique_ptr<nuvra::Family> family;
};

#endif  // NUVRA_INTERFACE_HANDLE_H_
