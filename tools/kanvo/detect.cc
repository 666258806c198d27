#include "tools/kanvo/detect.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#include "platform/char_starts.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kanvo {

namespace {

// Each byte test is a small state machine run from one table, one lookup
// per byte: the grammar's branches would be poorly predicted on real text.
// State 0 is "between characters"; kFail ends the test.
constexpr uint8_t kFail = 0xFF;
using Machine = std::array<std::array<uint8_t, 256>, 8>;

constexpr bool IsTextByte(int b) {
  return b == 0x09 || b == 0x0A || b == 0x0D || (b >= 0x20 && b <= 0x7E);
}

constexpr int LeadLength(int lead) {
  int ones = 0;
  for (int bit = 0x80; bit != 0 && (lead & bit) != 0; bit >>= 1) ++ones;
  return ones >= 2 && ones <= 6 ? ones : -1;
}

// UTF-8 as RFC 3629 has it: state k of 1-3 waits for k more continuation
// bytes (80-BF); 4 and 5 wait for the second byte after E0 (A0-BF: no
// overlong form) and ED (80-9F: no surrogate), 6 and 7 for the one after F0
// (90-BF: no overlong form) and F4 (80-8F: nothing above U+10FFFF). C0, C1
// and F5-FF start nothing.
constexpr Machine kUtf8 = [] {
  Machine m{};
  for (auto& row : m) row.fill(kFail);
  for (int b = 0; b < 256; ++b) {
    if (IsTextByte(b) || b == 0x7F) m[0][b] = 0;
    if (b >= 0xC2 && b <= 0xDF) m[0][b] = 1;
    if (b >= 0xE1 && b <= 0xEF) m[0][b] = 2;
    if (b >= 0xF1 && b <= 0xF3) m[0][b] = 3;
    if (b >= 0x80 && b <= 0xBF) {
      for (int k = 1; k <= 3; ++k) m[k][b] = static_cast<uint8_t>(k - 1);
    }
    if (b >= 0xA0 && b <= 0xBF) m[4][b] = 1;
    if (b >= 0x80 && b <= 0x9F) m[5][b] = 1;
    if (b >= 0x90 && b <= 0xBF) m[6][b] = 2;
    if (b >= 0x80 && b <= 0x8F) m[7][b] = 2;
  }
  m[0][0xE0] = 4;
  m[0][0xED] = 5;
  m[0][0xF0] = 6;
  m[0][0xF4] = 7;
  return m;
}();

// Shift_JIS: state 1 waits for a trail byte.
constexpr Machine kShiftJis = [] {
  Machine m{};
  for (auto& row : m) row.fill(kFail);
  for (int b = 0; b < 256; ++b) {
    if (IsTextByte(b) || (b >= 0xA1 && b <= 0xDF)) m[0][b] = 0;
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF)) m[0][b] = 1;
    if ((b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC)) m[1][b] = 0;
  }
  return m;
}();

// EUC-JP: 1 waits for the trail of a pair, 2 for the byte after 0x8E, 3 and
// 4 for the two bytes after 0x8F.
constexpr Machine kEucJp = [] {
  Machine m{};
  for (auto& row : m) row.fill(kFail);
  for (int b = 0; b < 256; ++b) {
    if (IsTextByte(b)) m[0][b] = 0;
    if (b >= 0xA1 && b <= 0xFE) {
      m[0][b] = 1;
      m[1][b] = 0;
      m[3][b] = 4;
      m[4][b] = 0;
    }
    if (b >= 0xA1 && b <= 0xDF) m[2][b] = 0;
  }
  m[0][0x8E] = 2;
  m[0][0x8F] = 3;
  return m;
}();

// A machine that also takes every control byte but zero (0x01-0x1F, 0x7F)
// as a character of its own where a character may start. No control byte
// is a trail or continuation byte in any of the codes, so nothing else
// changes.
constexpr Machine WithControlBytes(Machine m) {
  for (int b = 0x01; b <= 0x1F; ++b) m[0][b] = 0;
  m[0][0x7F] = 0;
  return m;
}
constexpr Machine kUtf8WithControls = WithControlBytes(kUtf8);
constexpr Machine kShiftJisWithControls = WithControlBytes(kShiftJis);
constexpr Machine kEucJpWithControls = WithControlBytes(kEucJp);

// The state after the whole input, kFail as soon as a byte does not fit:
// the plain method, a byte at a time.
uint8_t RunMachineByteByByte(const Machine& m, std::string_view input) {
  uint8_t state = 0;
  for (unsigned char c : input) {
    state = m[state][c];
    if (state == kFail) break;
  }
  return state;
}

// Whether the 16 bytes at p are all text bytes (DEL too when `del`), which
// leave every machine between characters.
inline bool IsTextBlock(const uint8_t* p, bool del) {
#if defined(__SSE2__)
  __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  // Signed compares: bytes from 0x80 count as negative and fail.
  __m128i printable = _mm_cmpgt_epi8(b, _mm_set1_epi8(0x1F));
  if (!del) printable = _mm_and_si128(printable, _mm_cmplt_epi8(b, _mm_set1_epi8(0x7F)));
  __m128i controls = _mm_or_si128(
      _mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8(0x09)), _mm_cmpeq_epi8(b, _mm_set1_epi8(0x0A))),
      _mm_cmpeq_epi8(b, _mm_set1_epi8(0x0D)));
  return _mm_movemask_epi8(_mm_or_si128(printable, controls)) == 0xFFFF;
#else
  (void)p;
  (void)del;
  return false;
#endif
}

inline bool InRange(uint8_t b, uint8_t low, uint8_t high) {
  return static_cast<uint8_t>(b - low) <= static_cast<uint8_t>(high - low);
}

// The machine's end state, with shortcuts where it is between characters:
// plain text 16 bytes at a time, and whole characters that `whole`
// recognises (it returns their length, or 0). Each shortcut leaves the
// machine where stepping through the bytes would, and the branches it
// takes are well predicted, where every step of the machine must wait for
// the step before.
// `state` is where an earlier piece of the text left the machine.
template <typename Whole>
uint8_t RunMachine(const Machine& m, std::string_view input, Whole whole, uint8_t state = 0) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(input.data());
  const size_t n = input.size();
  if (state == kFail) return kFail;
  size_t i = 0;
  while (i < n) {
    if (state == 0) {
      if (p[i] < 0x80 && n - i >= 16 && IsTextBlock(p + i, false)) {
        i += 16;
        continue;
      }
      if (size_t length = whole(p + i, n - i)) {
        i += length;
        continue;
      }
    }
    state = m[state][p[i++]];
    if (state == kFail) break;
  }
  return state;
}

// Whole characters for RunMachine's shortcut: a Shift_JIS pair or
// half-width katakana, an EUC-JP pair. Types, not functions, so that the
// loop's call is inlined.
struct WholeShiftJis {
  size_t operator()(const uint8_t* p, size_t left) const {
    uint8_t b = p[0];
    if (InRange(b, 0xA1, 0xDF)) return 1;
    bool lead = InRange(b, 0x81, 0x9F) || InRange(b, 0xE0, 0xEF);
    if (lead && left >= 2 && (InRange(p[1], 0x40, 0x7E) || InRange(p[1], 0x80, 0xFC))) return 2;
    return 0;
  }
};

struct WholeEucJp {
  size_t operator()(const uint8_t* p, size_t left) const {
    return left >= 2 && InRange(p[0], 0xA1, 0xFE) && InRange(p[1], 0xA1, 0xFE) ? 2 : 0;
  }
};

// The EUC-JP test over one piece from `state`. Where the next 64 bytes are
// all text bytes, A1-FE and 0x8E (and the machine is between characters or
// waits for the byte that ends a pair or a katakana), the only thing that
// matters is whether each run of those bytes holds whole characters, which
// bit masks tell for all 64 at once. Other blocks (0x8F, bytes that fail)
// go through the machine.
uint8_t RunEucJp(std::string_view input, uint8_t state) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(input.data());
  const size_t n = input.size();
  size_t i = 0;
#if defined(__SSE2__)
  while (state != kFail && n - i >= 64) {
    uint64_t high = 0, kana = 0, kana_lead = 0, text = 0;
    for (int k = 0; k < 64; k += 16) {
      __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + k));
      // Signed compares: A1-FE are -95 to -2, A1-DF -95 to -33.
      __m128i above_a0 = _mm_cmpgt_epi8(b, _mm_set1_epi8(static_cast<char>(0xA0)));
      __m128i h = _mm_and_si128(above_a0, _mm_cmplt_epi8(b, _mm_set1_epi8(-1)));
      __m128i kn = _mm_and_si128(above_a0, _mm_cmplt_epi8(b, _mm_set1_epi8(-32)));
      __m128i t = _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi8(b, _mm_set1_epi8(0x1F)),
                                             _mm_cmplt_epi8(b, _mm_set1_epi8(0x7F))),
                               _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8(0x09)),
                                                         _mm_cmpeq_epi8(b, _mm_set1_epi8(0x0A))),
                                            _mm_cmpeq_epi8(b, _mm_set1_epi8(0x0D))));
      __m128i kl = _mm_cmpeq_epi8(b, _mm_set1_epi8(static_cast<char>(0x8E)));
      high |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(h))) << k;
      kana |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(kn))) << k;
      kana_lead |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(kl))) << k;
      text |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(t))) << k;
    }
    if ((high | kana_lead | text) != ~uint64_t{0} || state > 2) {
      state = RunMachine(kEucJp, input.substr(i, 64), WholeEucJp{}, state);
      i += 64;
      continue;
    }
    uint64_t takes_next = high | kana_lead;
    if (state != 0) {
      // The first byte ends the character the last block began.
      if (((state == 1 ? high : kana) & 1) == 0) return kFail;
      takes_next &= ~uint64_t{1};
    }
    // Each character that starts with one of these needs its byte after it.
    uint64_t leads = tv::CharacterStarts(takes_next) & takes_next;
    uint64_t kana_leads = leads & kana_lead;
    if (((leads & ~kana_lead) << 1 & ~high) != 0 || (kana_leads << 1 & ~kana) != 0) return kFail;
    state = static_cast<uint8_t>((kana_leads >> 63) ? 2 : leads >> 63);  // one that goes on
    i += 64;
  }
#endif
  return RunMachine(kEucJp, input.substr(i), WholeEucJp{}, state);
}

#if defined(__SSE2__)
// Bytes of v in [low, high], as a byte mask.
inline __m128i BytesIn(__m128i v, uint8_t low, uint8_t high) {
  __m128i shifted = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(low)));
  __m128i span = _mm_set1_epi8(static_cast<char>(high - low));
  return _mm_cmpeq_epi8(_mm_min_epu8(shifted, span), shifted);
}

inline uint64_t Bits(__m128i mask, int at) {
  return static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(mask))) << at;
}
#endif

// The Shift_JIS test (with `controls`, the machine that takes control bytes
// too) over one piece from `state`, 64 bytes at a time: each byte is
// classed as a lead, a trail and a character of its own at once, the
// character starts follow from the leads, and the block passes when every
// start is a lead or a character of its own and every byte after a lead a
// trail. The rest goes through the machine.
uint8_t RunShiftJis(std::string_view input, uint8_t state, bool controls) {
  const Machine& machine = controls ? kShiftJisWithControls : kShiftJis;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(input.data());
  const size_t n = input.size();
  size_t i = 0;
#if defined(__SSE2__)
  while (state <= 1 && n - i >= 64) {
    uint64_t lead = 0, trail = 0, single = 0;
    for (int k = 0; k < 64; k += 16) {
      __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + k));
      lead |= Bits(_mm_or_si128(BytesIn(b, 0x81, 0x9F), BytesIn(b, 0xE0, 0xEF)), k);
      trail |= Bits(_mm_or_si128(BytesIn(b, 0x40, 0x7E), BytesIn(b, 0x80, 0xFC)), k);
      __m128i own = BytesIn(b, 0xA1, 0xDF);
      if (controls) {
        own = _mm_or_si128(own, BytesIn(b, 0x01, 0x7F));
      } else {
        own = _mm_or_si128(_mm_or_si128(own, BytesIn(b, 0x20, 0x7E)),
                           _mm_or_si128(BytesIn(b, 0x09, 0x0A), _mm_cmpeq_epi8(b, _mm_set1_epi8(0x0D))));
      }
      single |= Bits(own, k);
    }
    uint64_t takes_next = lead;
    uint64_t own_starts = ~uint64_t{0};
    if (state == 1) {
      // The first byte ends the pair the last block began.
      if ((trail & 1) == 0) return kFail;
      takes_next &= ~uint64_t{1};
      own_starts &= ~uint64_t{1};
    }
    uint64_t starts = tv::CharacterStarts(takes_next);
    uint64_t leads = starts & takes_next;
    if ((leads << 1 & ~trail) != 0 || (starts & ~takes_next & own_starts & ~single) != 0) {
      return kFail;
    }
    state = static_cast<uint8_t>(leads >> 63);  // a pair that goes on
    i += 64;
  }
#endif
  return RunMachine(machine, input.substr(i), WholeShiftJis{}, state);
}

// True at the first ESC '$' or ESC '(' when it comes before any zero byte.
// A zero byte first, or neither, gives false; `*zero_first` tells which.
bool JisEscapeBeforeZero(std::string_view input, bool* zero_first) {
  const void* zero = std::memchr(input.data(), 0, input.size());
  *zero_first = zero != nullptr;
  size_t end =
      zero ? static_cast<size_t>(static_cast<const char*>(zero) - input.data()) : input.size();
  for (size_t i = input.find('\x1B'); i < end; i = input.find('\x1B', i + 1)) {
    if (i + 1 < input.size() && (input[i + 1] == '$' || input[i + 1] == '(')) {
      *zero_first = false;
      return true;
    }
  }
  return false;
}

// The UTF-8 test on machine m (kUtf8, or the one that also takes control
// bytes), with its shortcuts, over one piece of a text: from *state (kFail
// once it failed), noting in *multi_byte any multi-byte sequence completed.
void RunUtf8(const Machine& m, std::string_view input, uint8_t* state_io, bool* multi_byte_io) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(input.data());
  const size_t n = input.size();
  uint8_t state = *state_io;
  bool multi_byte = *multi_byte_io;
  if (state == kFail) return;
  size_t i = 0;
  while (i < n) {
    if (state == 0) {
      // Shortcuts as in RunMachine: text, and whole two- and three-byte
      // sequences (the machine's leads, continuation bytes after them).
      uint8_t b = p[i];
      if (b < 0x80 && n - i >= 16 && IsTextBlock(p + i, true)) {
        i += 16;
        continue;
      }
      // (E0 and ED, whose second byte is held to less, go through the
      // machine.)
      if (InRange(b, 0xE1, 0xEF) && b != 0xED && n - i >= 3 && InRange(p[i + 1], 0x80, 0xBF) &&
          InRange(p[i + 2], 0x80, 0xBF)) {
        multi_byte = true;
        i += 3;
        continue;
      }
      if (InRange(b, 0xC2, 0xDF) && n - i >= 2 && InRange(p[i + 1], 0x80, 0xBF)) {
        multi_byte = true;
        i += 2;
        continue;
      }
    }
    uint8_t next = m[state][p[i++]];
    if (next == kFail) {
      state = kFail;
      break;
    }
    multi_byte |= state == 1 && next == 0;  // the last byte of a sequence
    state = next;
  }
  *state_io = state;
  *multi_byte_io = multi_byte;
}

// The whole test: true when the text passes.
bool RunUtf8(const Machine& m, std::string_view input, bool* seven_bit_only) {
  uint8_t state = 0;
  bool multi_byte = false;
  RunUtf8(m, input, &state, &multi_byte);
  if (seven_bit_only) *seven_bit_only = !multi_byte;
  return state == 0;
}

}  // namespace

int Utf8LeadLength(uint8_t lead) { return LeadLength(lead); }

bool IsUtf8Text(std::string_view input, bool* seven_bit_only) {
  return RunUtf8(kUtf8, input, seven_bit_only);
}

bool IsShiftJisText(std::string_view input) {
  // A lead byte as the last byte is accepted.
  return RunShiftJis(input, 0, false) <= 1;
}

bool IsEucJpText(std::string_view input) {
  // A pair's lead as the last byte is accepted; 0x8E and 0x8F need theirs.
  return RunEucJp(input, 0) <= 1;
}

bool IsUtf8TextByteByByte(std::string_view input, bool* seven_bit_only) {
  uint8_t state = 0;
  bool multi_byte = false;
  for (unsigned char c : input) {
    uint8_t next = kUtf8[state][c];
    if (next == kFail) {
      state = kFail;
      break;
    }
    multi_byte |= state == 1 && next == 0;
    state = next;
  }
  *seven_bit_only = !multi_byte;
  return state == 0;
}

bool IsShiftJisTextByteByByte(std::string_view input) {
  return RunMachineByteByByte(kShiftJis, input) <= 1;
}

bool IsEucJpTextByteByByte(std::string_view input) {
  return RunMachineByteByByte(kEucJp, input) <= 1;
}

TextCode DetectInputCode(std::string_view input) {
  if (input.empty()) return CODE_INVALID;
  bool seven_bit_only = true;
  if (input.size() >= 3 && std::memcmp(input.data(), "\xEF\xBB\xBF", 3) == 0) {
    // A UTF-8 mark: only UTF-8 or EUC-JP are considered.
    if (IsUtf8Text(input)) return CODE_UTF8;
    if (IsEucJpText(input)) return CODE_EUC;
    return CODE_INVALID;
  }
  if (IsUtf8Text(input, &seven_bit_only)) return seven_bit_only ? CODE_ASCII : CODE_UTF8N;
  bool zero_first = false;
  if (JisEscapeBeforeZero(input, &zero_first)) return CODE_JIS;
  if (zero_first) return CODE_UNICODE;
  if (IsShiftJisText(input)) return CODE_SJIS;
  if (IsEucJpText(input)) return CODE_EUC;
  return CODE_INVALID;
}

TextCode FallbackInputCode(std::string_view input) {
  // UTF-8 first, as DetectInputCode tests it first; 7-bit text is left to
  // the Shift_JIS test, which it passes.
  bool seven_bit_only = true;
  if (RunUtf8(kUtf8WithControls, input, &seven_bit_only) && !seven_bit_only) {
    return input.starts_with("\xEF\xBB\xBF") ? CODE_UTF8 : CODE_UTF8N;
  }
  if (RunShiftJis(input, 0, true) <= 1) return CODE_SJIS;
  if (RunMachine(kEucJpWithControls, input, WholeEucJp{}) <= 1) return CODE_EUC;
  return CODE_SJIS;
}

void DetectScanner::Feed(std::string_view piece) {
  if (piece.empty()) return;
  while (mark_size_ < 3 && !piece.empty()) {
    // The first three bytes are kept to look for the UTF-8 mark.
    mark_[mark_size_++] = piece[0];
    ScanPiece(piece.substr(0, 1));
    piece.remove_prefix(1);
  }
  ScanPiece(piece);
}

void DetectScanner::ScanPiece(std::string_view piece) {
  if (piece.empty()) return;
  size_ += piece.size();
  // A machine that takes control bytes too steps as the plain one does
  // until that one fails: it runs only from the piece where that happened.
  const uint8_t utf8_before = utf8_;
  const bool multi_byte_before = multi_byte_;
  RunUtf8(kUtf8, piece, &utf8_, &multi_byte_);
  if (utf8_ == kFail) {
    if (utf8_before != kFail) {
      utf8_controls_ = utf8_before;
      multi_byte_controls_ = multi_byte_before;
    }
    RunUtf8(kUtf8WithControls, piece, &utf8_controls_, &multi_byte_controls_);
  }
  uint8_t sjis_before = sjis_, euc_before = euc_;
  sjis_ = RunShiftJis(piece, sjis_, false);
  if (sjis_ == kFail) {
    sjis_controls_ = RunShiftJis(piece, sjis_before == kFail ? sjis_controls_ : sjis_before, true);
  }
  euc_ = RunEucJp(piece, euc_);
  if (euc_ == kFail) {
    euc_controls_ = RunMachine(kEucJpWithControls, piece, WholeEucJp{},
                               euc_before == kFail ? euc_controls_ : euc_before);
  }
  if (escape_or_zero_ != kUndecided) return;
  // JisEscapeBeforeZero over the pieces: an ESC that ended the last piece
  // looks at this one's first byte.
  if (esc_pending_ && (piece[0] == '$' || piece[0] == '(')) {
    escape_or_zero_ = kEscapeFirst;
    return;
  }
  esc_pending_ = false;
  bool zero_first = false;
  if (JisEscapeBeforeZero(piece, &zero_first)) {
    escape_or_zero_ = kEscapeFirst;
  } else if (zero_first) {
    escape_or_zero_ = kZeroFirst;
  } else {
    esc_pending_ = piece.back() == '\x1B';
  }
}

TextCode DetectScanner::Code() const {
  if (size_ == 0) return CODE_INVALID;
  const bool utf8 = utf8_ == 0;
  const bool euc = euc_ <= 1;
  if (mark_size_ == 3 && std::memcmp(mark_, "\xEF\xBB\xBF", 3) == 0) {
    if (utf8) return CODE_UTF8;
    return euc ? CODE_EUC : CODE_INVALID;
  }
  if (utf8) return multi_byte_ ? CODE_UTF8N : CODE_ASCII;
  if (escape_or_zero_ == kEscapeFirst) return CODE_JIS;
  if (escape_or_zero_ == kZeroFirst) return CODE_UNICODE;
  if (sjis_ <= 1) return CODE_SJIS;
  return euc ? CODE_EUC : CODE_INVALID;
}

TextCode DetectScanner::FallbackCode() const {
  const bool utf8 = (utf8_ == kFail ? utf8_controls_ : utf8_) == 0;
  const bool multi_byte = utf8_ == kFail ? multi_byte_controls_ : multi_byte_;
  if (utf8 && multi_byte) {
    return mark_size_ == 3 && std::memcmp(mark_, "\xEF\xBB\xBF", 3) == 0 ? CODE_UTF8 : CODE_UTF8N;
  }
  if ((sjis_ == kFail ? sjis_controls_ : sjis_) <= 1) return CODE_SJIS;
  if ((euc_ == kFail ? euc_controls_ : euc_) <= 1) return CODE_EUC;
  return CODE_SJIS;
}

}  // namespace kanvo
