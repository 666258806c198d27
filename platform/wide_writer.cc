#include "platform/wide_writer.h"

#include <algorithm>

#include "platform/cp932.h"
#include "platform/utf16.h"

namespace tv {

namespace {

constexpr size_t kBufferSize = 64 * 1024;

char* PutUtf8(char32_t cp, char* out) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (cp >> 18));
    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

}  // namespace

WideWriter::WideWriter(ByteSink* sink) : sink_(sink), buffer_(new char[kBufferSize]) {}

// At most 6 bytes: a replacement for an unfinished pair and the unit's own.
char* WideWriter::EncodeUnit(char16_t unit, char* out) {
  if (pending_high_ != 0) {
    char16_t high = pending_high_;
    pending_high_ = 0;
    if (IsLowSurrogate(unit)) {
      return PutUtf8(0x10000 + ((char32_t(high) - 0xD800) << 10) + (unit - 0xDC00), out);
    }
    out = PutUtf8(0xFFFD, out);
  }
  if (IsHighSurrogate(unit)) {
    pending_high_ = unit;
  } else if (IsEscapedByte(unit)) {
    *out++ = static_cast<char>(unit - 0xDC00);
  } else if (IsLowSurrogate(unit)) {
    out = PutUtf8(0xFFFD, out);
  } else {
    out = PutUtf8(unit, out);
  }
  return out;
}

void WideWriter::EncodeRun(const char16_t* units, size_t count) {
  while (count > 0) {
    // A run of n units takes at most 3n + 3 bytes (a pair's halves share 4,
    // an unfinished pair adds one replacement).
    if (kBufferSize - used_ < 16) WriteBuffer();
    size_t take = std::min(count, (kBufferSize - used_ - 3) / 3);
    char* out = buffer_.get() + used_;
    for (size_t i = 0; i < take; ++i) {
      char16_t u = units[i];
      if (u < 0x80 && pending_high_ == 0) {
        *out++ = static_cast<char>(u);
      } else {
        out = EncodeUnit(u, out);
      }
    }
    used_ = static_cast<size_t>(out - buffer_.get());
    units += take;
    count -= take;
  }
}

void WideWriter::WriteBuffer() {
  if (used_ == 0) return;
  if (!failed_ && sink_->Write(buffer_.get(), used_) != used_) failed_ = true;
  used_ = 0;
}

bool WideWriter::PutString(std::u16string_view text) {
  if (failed_) return false;
  EncodeRun(text.data(), text.size());
  return !failed_;
}

bool WideWriter::PutUnit(char16_t unit) {
  if (failed_) return false;
  if (kBufferSize - used_ < 8) WriteBuffer();
  used_ = static_cast<size_t>(EncodeUnit(unit, buffer_.get() + used_) - buffer_.get());
  return !failed_;
}

bool WideWriter::PutLine(std::u16string_view text) {
  if (failed_) return false;
  EncodeRun(text.data(), text.size());
  char16_t line_end = u'\n';
  EncodeRun(&line_end, 1);
  return !failed_;
}

bool WideWriter::Printf(std::u16string_view format, std::initializer_list<FormatArg> args) {
  return PutString(FormatWide(format, args));
}

bool WideWriter::PutNarrow(std::string_view cp932_bytes) {
  return PutString(Cp932ToUtf16(cp932_bytes));
}

bool WideWriter::Flush() {
  if (pending_high_ != 0) {
    pending_high_ = 0;
    if (kBufferSize - used_ < 8) WriteBuffer();
    used_ = static_cast<size_t>(PutUtf8(0xFFFD, buffer_.get() + used_) - buffer_.get());
  }
  WriteBuffer();
  if (!failed_ && !sink_->Flush()) failed_ = true;
  return !failed_;
}

}  // namespace tv
