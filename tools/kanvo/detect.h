// Input code detection: a fixed order of yes/no tests over the whole input;
// the first that succeeds decides.
#ifndef TV_TOOLS_KANVO_DETECT_H_
#define TV_TOOLS_KANVO_DETECT_H_

#include <cstdint>
#include <string_view>

#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

// The code of `input`: CODE_ASCII, CODE_SJIS, CODE_JIS, CODE_EUC, CODE_UTF8,
// CODE_UTF8N, CODE_UNICODE, or CODE_INVALID (also for an empty input).
// Reads exactly `input`, nothing after it.
TextCode DetectInputCode(std::string_view input);

// The code to read `input` in when DetectInputCode found none. Real text
// holds a form feed or a stray 0x1A now and then, which the tests above
// refuse; so the input is looked at again with every control byte but zero
// (0x01-0x1F, 0x7F) taken as a character of its own wherever a character
// may start: CODE_UTF8 (with the mark) or CODE_UTF8N if it then passes the
// UTF-8 test with at least one multi-byte sequence, else CODE_SJIS if it
// passes the Shift_JIS test, else CODE_EUC if it passes the EUC-JP test,
// else CODE_SJIS, as without this look.
TextCode FallbackInputCode(std::string_view input);

// DetectInputCode's answer for a text that comes in pieces, cut anywhere:
// Feed every piece in order, then Code(). Every test runs over each piece
// from where the one before left it, so the text is never held.
class DetectScanner {
 public:
  void Feed(std::string_view piece);
  TextCode Code() const;
  // FallbackInputCode's answer for the same text.
  TextCode FallbackCode() const;

 private:
  void ScanPiece(std::string_view piece);

  enum EscapeOrZero : uint8_t { kUndecided, kEscapeFirst, kZeroFirst };
  uint64_t size_ = 0;
  char mark_[3] = {};
  size_t mark_size_ = 0;
  uint8_t utf8_ = 0, sjis_ = 0, euc_ = 0;  // machine states (0xFF: failed)
  // The machines that take control bytes too, once the plain ones failed.
  uint8_t utf8_controls_ = 0, sjis_controls_ = 0, euc_controls_ = 0;
  bool multi_byte_controls_ = false;
  bool multi_byte_ = false;
  EscapeOrZero escape_or_zero_ = kUndecided;
  bool esc_pending_ = false;  // the text so far ends in ESC
};

// Length of the UTF-8 sequence that `lead` announces, 2 to 6, or -1 for a
// byte that starts none (ASCII, continuation bytes, 0xFE, 0xFF).
int Utf8LeadLength(uint8_t lead);

// True when the whole input is UTF-8 as RFC 3629 defines it (TAB, CR, LF
// and 0x20-0x7F as single bytes; overlong forms, surrogates, values above
// U+10FFFF and the bytes C0, C1, F5-FF are not UTF-8). When
// `seven_bit_only` is given, it tells whether no multi-byte sequence was
// seen.
bool IsUtf8Text(std::string_view input, bool* seven_bit_only = nullptr);

// True when every byte fits the code's byte grammar; a lead byte as the very
// last byte is accepted.
bool IsShiftJisText(std::string_view input);
bool IsEucJpText(std::string_view input);

// The same tests stepping through every byte: the plain method the tests
// hold the ones above to.
bool IsUtf8TextByteByByte(std::string_view input, bool* seven_bit_only);
bool IsShiftJisTextByteByByte(std::string_view input);
bool IsEucJpTextByteByByte(std::string_view input);

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_DETECT_H_
