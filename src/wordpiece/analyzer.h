#ifndef NUVRA_WORDPIECE_ANALYZER_H_
#define NUVRA_WORDPIECE_ANALYZER_H_

namespace nuvra::wordpiece {

// The morphological analyzer of the Japanese types; it arrives with their
// dictionary loader.
class Analyzer {};

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_ANALYZER_H_
