#ifndef NUVRA_READERS_TOKEN_INDEX_H_
#define NUVRA_READERS_TOKEN_INDEX_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvra::readers {

// Immutable text-to-id map over a vocabulary, built once per vocabulary
// change and read on every lookup of encode. Open addressing over one key
// arena: no allocation per entry, one probe sequence per lookup.
class TokenIndex {
 public:
  // Which id a text that stands at several ids maps to.
  enum class Duplicates { kHighestId, kLowestId };

  TokenIndex() = default;
  TokenIndex(const std::vector<std::string>& entries, Duplicates duplicates);

  // The id of `text`, or -1.
  int32_t find(std::string_view text) const;
  bool contains(std::string_view text) const { return find(text) >= 0; }
  // Number of distinct texts.
  size_t size() const { return count_; }

 private:
  struct Slot {
    uint64_t hash = 0;
    uint32_t offset = 0;
    uint32_t length = 0;
    int32_t id = -1;  // -1: empty slot
  };

  std::vector<Slot> slots_;
  std::string arena_;
  size_t count_ = 0;
};

uint64_t hashText(std::string_view text);

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_TOKEN_INDEX_H_
