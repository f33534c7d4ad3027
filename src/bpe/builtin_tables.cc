#include "bpe/builtin_tables.h"

#include <memory>

#include "bpe/builtin_image.h"
#include "data/builtin_tables_image.h"

namespace nuvra::bpe {

const BuiltinTables& builtinTables(BuiltinList list) {
  static const BuiltinImage image =
      readBuiltinImage(data::kBuiltinTablesImage, data::kBuiltinTablesImageSize);
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
