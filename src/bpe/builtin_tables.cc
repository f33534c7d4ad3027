#include "bpe/builtin_tables.h"

#include <memory>
#include <stdexcept>
#include <utility>

#include "base/table_image.h"
#include "data/builtin_tables_image.h"

namespace nuvra::bpe {
namespace {

struct ImageTables {
  BuiltinTables transcript;
  BuiltinTables word_end;
};

BuiltinTables readTables(TableImageReader& image) {
  auto token_to_id = std::make_shared<const VocabIndex>(image);
  return {std::move(token_to_id), std::make_shared<const MergeTable>(image)};
}

ImageTables readImage() {
  TableImageReader image(data::kBuiltinTablesImage, data::kBuiltinTablesImageSize);
  if (image.number() != data::kBuiltinTablesImageVersion) {
    throw std::logic_error("table image does not match");
  }
  ImageTables tables;
  tables.transcript = readTables(image);
  tables.word_end = readTables(image);
  if (!image.atEnd()) throw std::logic_error("table image does not match");
  return tables;
}

}  // namespace

const BuiltinTables& builtinTables(BuiltinList list) {
  static const ImageTables image = readImage();
  switch (list) {
    case BuiltinList::kTranscript: return image.transcript;
    case BuiltinList::kWordEnd: return image.word_end;
    case BuiltinList::kNone: break;
  }
  static const BuiltinTables empty{std::make_shared<const VocabIndex>(),
                                   std::make_shared<const MergeTable>()};
  return empty;
}

}  // namespace nuvra::bpe
