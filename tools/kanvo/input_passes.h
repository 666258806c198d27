// Reading KANVO's input for a conversion in pieces. A file is read twice
// through one descriptor: once for the code detection and the line-break
// counts, once to convert. A source that cannot be read twice (a pipe, a
// terminal) is spooled to an unnamed temporary file first, and held whole
// in memory only where no such file can be made.
#ifndef TV_TOOLS_KANVO_INPUT_PASSES_H_
#define TV_TOOLS_KANVO_INPUT_PASSES_H_

#include <cstdint>
#include <string>

#include "platform/byte_stream.h"
#include "tools/kanvo/kanvo_types.h"
#include "tools/kanvo/stream_convert.h"

namespace kanvo {

// Bytes read at a time.
inline constexpr size_t kReadSize = 256 * 1024;

struct InputScan {
  TextCode code = CODE_INVALID;        // DetectInputCode's answer, when asked for
  TextCode fallback_code = CODE_SJIS;  // FallbackInputCode's, likewise
  NewlineKind kind = NL_NONE;          // DetectNewlineKind's answer
  uint64_t size = 0;                   // bytes scanned, when not held
  bool held = false;                   // the source was read whole into `text`
  std::string text;
};

// The first pass. CONV_ERR_IO when the source cannot be read,
// CONV_ERR_NOMEM when a source read whole cannot be held.
ConvStatus ScanInput(tv::ByteSource& source, bool detect, InputScan* scan);

// The first pass alone, reading the source once through, holding nothing.
ConvStatus ScanOnce(tv::ByteSource& source, bool detect, InputScan* scan);

// The second pass: every byte through `converter`, then Finish. A read
// error gives CONV_ERR_IO with *read_failed set; otherwise the converter's
// status.
ConvStatus ConvertInput(tv::ByteSource& source, InputScan* scan, StreamConverter* converter,
                        bool* read_failed);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_INPUT_PASSES_H_
