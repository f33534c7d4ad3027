#ifndef NUVRA_DATA_BUILTIN_MERGE_LISTS_H_
#define NUVRA_DATA_BUILTIN_MERGE_LISTS_H_

#include <cstdint>

namespace nuvra::data {

// A built-in merge list as token ids. Ids below `first_merge_id` are the base
// tokens (the 256 byte symbols in table order; for the word-end list, then the
// same 256 followed by "</w>"). Merge k joins the tokens pairs[2k] and
// pairs[2k+1], both below first_merge_id + k, into token first_merge_id + k,
// so every token text is the concatenation of two earlier ones. All token
// texts, and the word-end forms of the byte symbols, are distinct.
struct BuiltinMergeList {
  const uint16_t* pairs;
  uint32_t merge_count;
  uint32_t first_merge_id;
};

// Generated at build time by tools/embed_merge_lists.py from the published
// lists in NUVRA_DATA_DIR: the 50,000-pair byte-level list and the first
// 48,894 pairs of the word-end list.
extern const BuiltinMergeList kTranscriptMergeList;
extern const BuiltinMergeList kWordEndMergeList;

}  // namespace nuvra::data

#endif  // NUVRA_DATA_BUILTIN_MERGE_LISTS_H_
