#include "tools/kanvo/stream_convert.h"

#include <array>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/cp932.h"
#include "tools/kanvo/convert.h"
#include "tools/kanvo/newline.h"
#include "tools/kanvo/sjis_decode.h"
#include "tools/kanvo/unicode_recode.h"

namespace kanvo {

namespace {

constexpr char kCr = 0x0D;
constexpr char kLf = 0x0A;

// Writes go out in pieces of about this size.
constexpr size_t kWriteSize = 256 * 1024;
// How far back from the end of the held bytes a cut is looked for before
// the characters are walked from the start (text without a line break or a
// plain byte for this long).
constexpr size_t kBackwardWindow = 4096;

// For every byte: how many bytes after it the character it starts may take
// along, at most.
using Reach = std::array<uint8_t, 256>;

bool IsSjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF); }
bool IsHalfKatakana(uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

constexpr Reach kEucReach = [] {
  Reach r{};
  for (int b = 0xA1; b <= 0xFF; ++b) r[b] = 1;
  r[0x8E] = 1;
  r[0x8F] = 2;
  return r;
}();

// Only a lead byte of a valid form takes bytes along (Utf8ToSjis drops
// every other byte alone).
constexpr Reach kUtf8Reach = [] {
  Reach r{};
  for (int b = 0xC2; b <= 0xF4; ++b) r[b] = b <= 0xDF ? 1 : b <= 0xEF ? 2 : 3;
  return r;
}();

// Whether byte b may stand k bytes after `lead` in a valid form: the
// second byte's range depends on the lead, the others are 80-BF.
bool FitsAfterLead(uint8_t lead, size_t k, uint8_t b) {
  uint8_t low = 0x80, high = 0xBF;
  if (k == 1) {
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  return b >= low && b <= high;
}

// Utf8ToSjis's steps: a whole valid character, or one byte dropped as soon
// as the bytes in view show it starts none; 0 while they cannot tell yet.
size_t Utf8Step(const uint8_t* p, size_t left) {
  const size_t length = 1 + kUtf8Reach[p[0]];
  for (size_t k = 1; k < length && k < left; ++k) {
    if (!FitsAfterLead(p[0], k, p[k])) return 1;
  }
  return length <= left ? length : 0;
}

// SjisToEuc's and SjisToJis's lead bytes (and the half-width katakana,
// which may take a voiced mark along into JIS).
constexpr Reach kSjisEucReach = [] {
  Reach r{};
  for (int b = 0; b < 256; ++b) r[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
  return r;
}();

constexpr Reach kSjisJisReach = [] {
  Reach r = kSjisEucReach;
  for (int b = 0xA1; b <= 0xDF; ++b) r[b] = 1;
  return r;
}();

// SjisToUtf8 takes 0xF0-0xFC as lead bytes too.
constexpr Reach kSjisUtf8Reach = [] {
  Reach r{};
  for (int b = 0; b < 256; ++b) r[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  return r;
}();

// The end of the last character that is surely whole in p[0..n), p[0]
// starting one: a cut that no byte before it reaches past. `walk` gives the
// length of the character at p, or 0 when the bytes there do not yet tell.
template <typename Walk>
size_t FindCut(const uint8_t* p, size_t n, const Reach& reach, int max_reach, Walk walk) {
  const size_t low = n > kBackwardWindow ? n - kBackwardWindow : 0;
  for (size_t q = n; q > low; --q) {
    bool whole = true;
    for (int k = 1; k <= max_reach && static_cast<size_t>(k) <= q; ++k) {
      if (reach[p[q - k]] >= k) {
        whole = false;
        break;
      }
    }
    if (whole) return q;
  }
  // No such place near the end: the characters from the start.
  size_t i = 0;
  while (i < n) {
    size_t length = walk(p + i, n - i);
    if (length == 0) break;
    i += length;
  }
  return i;
}

// A walk for converters whose characters' length the first byte tells.
auto WalkByReach(const Reach& reach) {
  return [&reach](const uint8_t* p, size_t left) -> size_t {
    size_t length = 1 + reach[p[0]];
    return length <= left ? length : 0;
  };
}

// For ISO-2022-JP output: a cut right after a single-byte character, where
// the output is back in the single-byte set, or else after the last whole
// character, telling in *two_byte whether that left the two-byte set open.
size_t FindJisOutputCut(const uint8_t* p, size_t n, bool* two_byte) {
  *two_byte = false;
  const size_t low = n > kBackwardWindow ? n - kBackwardWindow : 0;
  for (size_t q = n; q > low; --q) {
    if (kSjisJisReach[p[q - 1]] == 0 && (q < 2 || kSjisJisReach[p[q - 2]] == 0)) return q;
  }
  size_t i = 0;
  while (i < n) {
    uint8_t b = p[i];
    size_t length = 1;
    if (IsSjisLead(b) || IsHalfKatakana(b)) {
      if (n - i < 2) break;
      uint8_t full[2];
      if (IsSjisLead(b) || HalfToFullKatakana(b, p[i + 1], full)) length = 2;
    }
    *two_byte = length == 2 || IsHalfKatakana(b);
    i += length;
  }
  return i;
}

// Input codes that the pivot is taken from as it is.
bool IsPivotInput(TextCode code) {
  return code != CODE_EUC && code != CODE_JIS && code != CODE_UTF8 && code != CODE_UTF8N &&
         code != CODE_UNICODE;
}

std::string_view AsText(const uint8_t* p, size_t n) {
  return std::string_view(reinterpret_cast<const char*>(p), n);
}

std::string_view MarkOf(TextCode code) {
  if (code == CODE_UTF8) return "\xEF\xBB\xBF";
  if (code == CODE_UNICODE) return "\xFF\xFE";
  return {};
}

// The rewrite the UTF-16 assembly or the console applies while decoding.
NewlineRewrite DecodeRewrite(const StreamPlan& plan) {
  if (plan.console) {
    if (plan.current == NL_CR || plan.current == NL_LF) {
      return {SoughtSequence(plan.current), ReplacementSequence(NL_CRLF)};
    }
    return kNoRewrite;
  }
  if (plan.current == plan.target) return kNoRewrite;
  return {SoughtSequence(plan.current), ReplacementSequence(plan.target)};
}

}  // namespace

StreamConverter::StreamConverter(const StreamPlan& plan, tv::ByteSink* sink)
    : plan_(plan), sink_(sink) {
  if (plan_.console) plan_.output_code = CODE_SJIS;
  direct_ = IsUnicodeToUnicode(plan_.input_code, plan_.output_code);
}

// Runs one step; running out of memory anywhere in it is the conversion's
// memory error, never an escaping exception.
template <typename Step>
ConvStatus StreamConverter::Guarded(Step step) {
  try {
    step();
  } catch (const std::bad_alloc&) {
    status_ = CONV_ERR_NOMEM;
  } catch (const std::length_error&) {
    status_ = CONV_ERR_NOMEM;
  }
  return status_;
}

ConvStatus StreamConverter::Feed(std::string_view piece) {
  if (status_ != CONV_OK) return status_;
  return Guarded([&] {
    if (IsPivotInput(plan_.input_code)) {
      Encode(piece, false);
    } else {
      raw_.append(piece);
      Decode(false);
    }
  });
}

char* StreamConverter::Room(size_t n) {
  std::string* buffer = IsPivotInput(plan_.input_code) ? &room_ : &raw_;
  size_t used = buffer == &room_ ? 0 : buffer->size();
  buffer->resize(used + n);
  room_size_ = n;
  return buffer->data() + used;
}

ConvStatus StreamConverter::FeedRoom(size_t count) {
  if (status_ != CONV_OK) return status_;
  return Guarded([&] {
    if (IsPivotInput(plan_.input_code)) {
      Encode(std::string_view(room_.data(), count), false);
    } else {
      // Room(n) grew raw_ by n bytes, of which `count` were read.
      raw_.resize(raw_.size() - (room_size_ - count));
      Decode(false);
    }
  });
}

ConvStatus StreamConverter::Finish() {
  if (status_ != CONV_OK) return status_;
  return Guarded([&] {
    if (IsPivotInput(plan_.input_code)) {
      Encode({}, true);
    } else {
      Decode(true);
    }
    if (status_ == CONV_OK) {
      if (plan_.console) {
        PutConsoleUnit(u'\n');  // the line end of line output
      } else if (!mark_written_) {
        Put(MarkOf(plan_.output_code));
        mark_written_ = true;
      }
      if (Drain() && plan_.console && !sink_->Flush()) status_ = CONV_ERR_IO;
    }
  });
}

ConvStatus StreamConverter::Decode(bool final) {
  uint8_t* const p = reinterpret_cast<uint8_t*>(raw_.data());
  const size_t n = raw_.size();
  size_t skip = 0;
  if (at_start_) {
    // A mark is dropped: EF BB BF for UTF-8, either order for UTF-16.
    size_t mark = plan_.input_code == CODE_UTF8 ? 3 : plan_.input_code == CODE_UNICODE ? 2 : 0;
    if (n < mark && !final) return CONV_OK;
    std::string_view text = AsText(p, n);
    if ((plan_.input_code == CODE_UTF8 && text.starts_with("\xEF\xBB\xBF")) ||
        (plan_.input_code == CODE_UNICODE &&
         (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")))) {
      skip = mark;
    }
    at_start_ = false;
  }
  const uint8_t* const q = p + skip;
  const size_t left = n - skip;
  size_t cut = left;
  ConvStatus status = CONV_OK;
  if (direct_) {
    if (!final) cut = UnicodeCut(plan_.input_code, AsText(q, left));
    encoded_.clear();
    RecodeUnicode(plan_.input_code, plan_.output_code, AsText(q, cut), DecodeRewrite(plan_),
                  final, &direct_cr_held_, &encoded_, &replaced_);
    if (!mark_written_) {
      Put(MarkOf(plan_.output_code));
      mark_written_ = true;
    }
    Put(encoded_);
    raw_.erase(0, skip + cut);
    return status_;
  }
  switch (plan_.input_code) {
    case CODE_EUC:
      if (!final) cut = FindCut(q, left, kEucReach, 2, WalkByReach(kEucReach));
      status = EucToSjis(AsText(q, cut), &pivot_, &replaced_);
      break;
    case CODE_UTF8:
    case CODE_UTF8N:
      if (!final) cut = FindCut(q, left, kUtf8Reach, 3, Utf8Step);
      status = Utf8ToSjis(AsText(q, cut), &pivot_, &replaced_);
      break;
    case CODE_UNICODE:
      if (!final) cut = left & ~static_cast<size_t>(1);
      status = Utf16ToSjis(AsText(q, cut), &pivot_, &replaced_);
      break;
    case CODE_JIS:
      // The converter finds the cut itself, in the one walk over the escapes.
      status = JisPieceToSjis(AsText(q, left), final, &jis_mode_, &cut, &pivot_);
      break;
    default:
      break;
  }
  if (status != CONV_OK) {
    status_ = status;
    return status_;
  }
  raw_.erase(0, skip + cut);
  return Encode(pivot_, final);
}

ConvStatus StreamConverter::Encode(std::string_view pivot, bool final) {
  if (status_ != CONV_OK) return status_;
  if (!plan_.console && plan_.output_code == CODE_SJIS) {
    Emit(pivot, final);
    return status_;
  }
  // The held bytes and this piece as one text, copied only when bytes are
  // held.
  std::string_view text = pivot;
  if (!held_pivot_.empty()) {
    held_pivot_.append(pivot);
    text = held_pivot_;
  }
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  size_t cut = n;
  ConvStatus status = CONV_OK;
  if (plan_.console || plan_.output_code == CODE_UNICODE) {
    const NewlineRewrite rewrite = DecodeRewrite(plan_);
    const Cp932DecodeTable& table = Cp932Decoding();
    if (!final) {
      Reach reach{};
      for (int b = 0; b < 256; ++b) reach[b] = table.lead[b];
      if (rewrite.sought.size == 2) reach[rewrite.sought.units[0]] = 1;
      auto walk = [&](const uint8_t* c, size_t left) -> size_t {
        if (left < 2) return 0;  // a lead or a CR: the next byte decides
        if (rewrite.sought.size > 0 && c[0] == rewrite.sought.units[0]) {
          return rewrite.sought.size == 2 && c[1] == rewrite.sought.units[1] ? 2 : 1;
        }
        return table.lead[c[0]] && c[1] != 0 ? 2 : 1;
      };
      cut = FindCut(p, n, reach, 1, walk);
    }
    std::string_view chunk = text.substr(0, cut);
    if (plan_.console) {
      // Up to three UTF-8 bytes a byte (a rewritten CR: two).
      if (encoded_.size() < 3 * cut + 3) encoded_.resize(3 * cut + 3);
      char* out = encoded_.data();
      DecodeSjis(chunk, rewrite, [&out](char16_t unit) { out += EncodeConsoleUnit(unit, out); });
      Put(std::string_view(encoded_.data(), static_cast<size_t>(out - encoded_.data())));
    } else {
      // Two units a byte at most (a CR rewritten to CR LF).
      if (encoded_.size() < 4 * cut) encoded_.resize(4 * cut);
      char* out = encoded_.data();
      DecodeSjis(chunk, rewrite, [&out](char16_t unit) {
        *out++ = static_cast<char>(unit & 0xFF);  // little-endian, whatever the host
        *out++ = static_cast<char>(unit >> 8);
      });
      if (!mark_written_) {
        Put(MarkOf(CODE_UNICODE));
        mark_written_ = true;
      }
      Put(std::string_view(encoded_.data(), static_cast<size_t>(out - encoded_.data())));
    }
  } else if (plan_.output_code == CODE_JIS) {
    bool two_byte_open = false;
    if (!final) cut = FindJisOutputCut(p, n, &two_byte_open);
    if (cut > 0) {
      status = SjisToJis(text.substr(0, cut), &encoded_);
      if (status == CONV_OK) {
        std::string_view out = encoded_;
        if (jis_open_) {
          // A two-byte character goes on in the set already open; any other
          // closes it first.
          if (kSjisJisReach[p[0]] != 0) {
            out.remove_prefix(3);
          } else {
            Emit("\x1B(B", false);
          }
        }
        if (two_byte_open) out.remove_suffix(3);  // the set stays open
        jis_open_ = two_byte_open;
        Emit(out, final);
      }
    } else if (final) {
      if (jis_open_) Emit("\x1B(B", false);
      jis_open_ = false;
      Emit({}, true);
    }
  } else {
    const bool utf8 = plan_.output_code != CODE_EUC;
    const Reach& reach = utf8 ? kSjisUtf8Reach : kSjisEucReach;
    if (!final) cut = FindCut(p, n, reach, 1, WalkByReach(reach));
    std::string_view chunk = text.substr(0, cut);
    status = utf8 ? SjisToUtf8(chunk, &encoded_) : SjisToEuc(chunk, &encoded_);
    if (status == CONV_OK) Emit(encoded_, final);
  }
  if (status != CONV_OK) status_ = status;
  // Keep what was not converted.
  if (text.data() == held_pivot_.data()) {
    held_pivot_.erase(0, cut);
  } else {
    held_pivot_.assign(text.substr(cut));
  }
  return status_;
}

void StreamConverter::Emit(std::string_view bytes, bool final) {
  if (!mark_written_) {
    Put(MarkOf(plan_.output_code));
    mark_written_ = true;
  }
  if (plan_.current == plan_.target) {
    Put(bytes);
    return;
  }
  // The line breaks rewritten on the output bytes, as the whole-file
  // writer does; a CR at the end waits for the byte after it.
  const NewlineSequence sought = SoughtSequence(plan_.current);
  const NewlineSequence replacement = ReplacementSequence(plan_.target);
  const std::string_view with(reinterpret_cast<const char*>(replacement.units), replacement.size);
  if (cr_held_) {
    if (!bytes.empty() && bytes[0] == kLf) {
      Put(with);
      bytes.remove_prefix(1);
      cr_held_ = false;
    } else if (!bytes.empty() || final) {
      Put(std::string_view(&kCr, 1));
      cr_held_ = false;
    }
  }
  const char first = static_cast<char>(sought.units[0]);
  const char* segment = bytes.data();
  const char* const end = bytes.data() + bytes.size();
  const char* p = segment;
  while (p < end) {
    const char* hit = static_cast<const char*>(std::memchr(p, first, end - p));
    if (hit == nullptr) break;
    if (sought.size == 2 && (hit + 1 == end || hit[1] != kLf)) {
      if (hit + 1 == end && !final) {
        Put(std::string_view(segment, hit - segment));
        cr_held_ = true;
        return;
      }
      p = hit + 1;  // a lone CR in a CR LF text passes unchanged
      continue;
    }
    Put(std::string_view(segment, hit - segment));
    Put(with);
    p = segment = hit + sought.size;
  }
  Put(std::string_view(segment, end - segment));
}

void StreamConverter::PutConsoleUnit(char16_t unit) {
  char byte = static_cast<char>(unit);  // only the final line break comes here
  Put(std::string_view(&byte, 1));
}

void StreamConverter::Put(std::string_view bytes) {
  if (status_ != CONV_OK || bytes.empty()) return;
  // Large pieces go out as they are, small ones gathered into large writes.
  if (out_.size() + bytes.size() > kWriteSize || bytes.size() >= kWriteSize / 4) {
    if (!Drain()) return;
    if (bytes.size() >= kWriteSize / 4) {
      if (sink_->Write(bytes.data(), bytes.size()) != bytes.size()) status_ = CONV_ERR_IO;
      return;
    }
  }
  out_.append(bytes);
}

bool StreamConverter::Drain() {
  if (status_ == CONV_OK && !out_.empty() &&
      sink_->Write(out_.data(), out_.size()) != out_.size()) {
    status_ = CONV_ERR_IO;
  }
  out_.clear();
  return status_ == CONV_OK;
}

}  // namespace kanvo
