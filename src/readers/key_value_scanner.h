#ifndef NUVRA_READERS_KEY_VALUE_SCANNER_H_
#define NUVRA_READERS_KEY_VALUE_SCANNER_H_

#include <string_view>

namespace nuvra::readers {

// The blanks the resource readers skip around keys and trim from values.
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One pair as the resource readers see it: the key as written between its
// quotes (escapes not decoded) and the raw text of its value.
struct RawPair {
  std::string_view key;
  std::string_view value;
  bool key_escaped = false;  // a backslash stands in the key
};

// How far a value runs. kToDelimiter: to the next comma or closing brace,
// whatever stands between. kJsonAware: quoted strings and arrays are taken
// whole, so a comma or brace inside them ends nothing and no string inside
// a value becomes a key; an opening brace ends the value, so the pairs of a
// nested object are walked as well.
enum class ValueEnd { kToDelimiter, kJsonAware };

// Walks the "key": value pairs of a JSON-like text without parsing its
// structure: every quoted string where a key may stand is a key, its value
// runs as `ValueEnd` says. Nested objects give whatever those rules make of them.
class KeyValueScanner {
 public:
  explicit KeyValueScanner(std::string_view content, ValueEnd value_end = ValueEnd::kToDelimiter)
      : content_(content), value_end_(value_end) {}

  // The next complete pair; false at the end, where an unfinished pair is dropped.
  bool next(RawPair& pair);

 private:
  std::string_view content_;
  ValueEnd value_end_;
  size_t position_ = 0;
};

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_KEY_VALUE_SCANNER_H_
