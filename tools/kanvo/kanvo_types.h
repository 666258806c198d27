// The small enumerations every part of KANVO shares: text codes, newline
// kinds and the 32-bit status codes of its operations.
#ifndef TV_TOOLS_KANVO_KANVO_TYPES_H_
#define TV_TOOLS_KANVO_KANVO_TYPES_H_

#include <cstdint>

namespace kanvo {

// A character code: set by /I and /O, answered by input code detection.
enum TextCode : int {
  CODE_ASCII = 0,    // detection only: 7-bit text, handled as Shift_JIS
  CODE_SJIS = 1,     // Shift_JIS, the pivot every conversion passes through
  CODE_JIS = 2,      // ISO-2022-JP
  CODE_EUC = 3,      // EUC-JP
  CODE_UTF8 = 4,     // UTF-8 written with the mark EF BB BF
  CODE_UTF8N = 5,    // UTF-8 without a mark
  CODE_UNICODE = 6,  // UTF-16 little-endian, written with the mark FF FE
  CODE_AUTO = 7,     // no input code given: detect it
  CODE_INVALID = 9,  // keyword not recognised, or detection found no code
};

// A line-break convention: the target of /N, or what the input uses.
enum NewlineKind : int {
  NL_CRLF = 0,
  NL_CR = 1,
  NL_LF = 2,
  NL_NONE = 3,  // no line break found, /N not given, or a bad keyword
};

// Result of every operation that can fail. 0x2000xxxx: arguments, memory
// and conversion; 0x2001xxxx: files.
enum ConvStatus : uint32_t {
  CONV_OK = 0x00000000,
  CONV_ERR_PARAM = 0x20000002,          // a required argument is missing
  CONV_ERR_NOMEM = 0x20000004,          // memory cannot be obtained
  CONV_ERR_UNCONVERTIBLE = 0x20000013,  // UTF-16 to Shift_JIS gave nothing
  CONV_ERR_CREATE = 0x20010000,         // the output file cannot be created
  CONV_ERR_IO = 0x20010002,             // a file cannot be opened/sized/read/written
};

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_KANVO_TYPES_H_
