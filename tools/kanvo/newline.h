// Line breaks: classifying those of the raw input, and the rewriting rule
// that the writers share (which sequence is sought, what replaces it).
#ifndef TV_TOOLS_KANVO_NEWLINE_H_
#define TV_TOOLS_KANVO_NEWLINE_H_

#include <cstdint>
#include <string_view>

#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

// The newline kind of the raw input bytes, by majority: NL_NONE when there
// is no CR and no LF. A CR LF is also seen as the UTF-16 little-endian
// units 0D 00 0A 00. Reads exactly the input; the counters are 64-bit, so
// no input is too large.
NewlineKind DetectNewlineKind(std::string_view input);

// DetectNewlineKind's answer for a text that comes in pieces, cut anywhere:
// Feed every piece in order, then Kind().
class NewlineCounter {
 public:
  void Feed(std::string_view piece);
  NewlineKind Kind() const;

 private:
  // Counts the CRs among the first `starts` bytes of `bytes` (and the pairs
  // they begin, looking no further than the end of `bytes`).
  void CountCrs(std::string_view bytes, size_t starts);
  // Counts the CRs (and pairs) among the first `starts` bytes of p[0..size)
  // and the LFs among the same bytes, in whole blocks; returns how many
  // bytes it took, the rest left to the byte-wise counts.
  size_t CountBlocks(const char* p, size_t starts, size_t size);

  uint64_t crs_ = 0, lfs_ = 0, pairs_ = 0;
  // The last bytes so far (at most 3), whose CRs wait for what follows.
  char tail_[3] = {};
  size_t tail_size_ = 0;
};

// The newline target when /N was not given: LF for JIS and EUC-JP output,
// CR LF for every other code.
NewlineKind DefaultNewlineTarget(TextCode output_code);

// A line-break sequence: at most two units, CR and/or LF.
struct NewlineSequence {
  uint8_t units[2];
  uint8_t size;
};

// The sequence a text of kind `kind` is searched for when it is rewritten:
// LF, CR, or CR LF (for NL_CRLF and NL_NONE).
NewlineSequence SoughtSequence(NewlineKind kind);

// The sequence written for a target: LF, CR, or CR LF.
NewlineSequence ReplacementSequence(NewlineKind target);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_NEWLINE_H_
