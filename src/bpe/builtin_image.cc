#include "bpe/builtin_image.h"

#include <memory>
#include <stdexcept>
#include <utility>

#include "base/table_image.h"
#include "data/builtin_tables_image.h"

namespace nuvra::bpe {

std::string layOutBuiltinImage(const BuiltinImage& tables) {
  TableImageWriter image;
  image.number(data::kBuiltinTablesImageVersion);
  for (const BuiltinTables* list : {&tables.transcript, &tables.word_end}) {
    list->token_to_id->save(image);
    list->merges->save(image);
  }
  const LargeString bytes = image.bytes();
  return std::string(bytes.data(), bytes.size());
}

BuiltinImage readBuiltinImage(const unsigned char* data, size_t size) {
  TableImageReader image(data, size);
  if (image.number() != data::kBuiltinTablesImageVersion) {
    throw std::logic_error("table image does not match");
  }
  BuiltinImage tables;
  for (BuiltinTables* list : {&tables.transcript, &tables.word_end}) {
    // The index is read first: the image holds it first.
    auto token_to_id = std::make_shared<const VocabIndex>(image);
    *list = {std::move(token_to_id), std::make_shared<const MergeTable>(image)};
  }
  if (!image.atEnd()) throw std::logic_error("table image does not match");
  return tables;
}

}  // namespace nuvra::bpe
