#include "platform/wide_writer.h"

#include "platform/cp932.h"
#include "platform/utf16.h"

namespace tv {

namespace {
constexpr size_t kFlushAt = 64 * 1024;
}  // namespace

void WideWriter::Encode(char16_t unit) {
  if (pending_high_ != 0) {
    char16_t high = pending_high_;
    pending_high_ = 0;
    if (IsLowSurrogate(unit)) {
      AppendUtf8(0x10000 + ((char32_t(high) - 0xD800) << 10) + (unit - 0xDC00), &buffer_);
      return;
    }
    AppendUtf8(0xFFFD, &buffer_);
  }
  if (unit < 0x80) {
    buffer_.push_back(static_cast<char>(unit));
  } else if (IsHighSurrogate(unit)) {
    pending_high_ = unit;
  } else if (IsEscapedByte(unit)) {
    buffer_.push_back(static_cast<char>(unit - 0xDC00));
  } else if (IsLowSurrogate(unit)) {
    AppendUtf8(0xFFFD, &buffer_);
  } else {
    AppendUtf8(unit, &buffer_);
  }
}

bool WideWriter::MaybeFlush() {
  if (buffer_.size() >= kFlushAt) {
    size_t n = sink_->Write(buffer_.data(), buffer_.size());
    if (n != buffer_.size()) failed_ = true;
    buffer_.clear();
  }
  return !failed_;
}

bool WideWriter::PutString(std::u16string_view text) {
  if (failed_) return false;
  size_t i = 0;
  while (i < text.size()) {
    if (pending_high_ == 0) {
      // Runs of ASCII, the bulk of most text, go out as they are.
      size_t run = i;
      while (run < text.size() && text[run] < 0x80) ++run;
      if (run > i) {
        size_t at = buffer_.size();
        buffer_.resize(at + (run - i));
        for (char* out = &buffer_[at]; i < run; ++i) *out++ = static_cast<char>(text[i]);
        continue;
      }
    }
    Encode(text[i++]);
  }
  return MaybeFlush();
}

bool WideWriter::PutUnit(char16_t unit) {
  if (failed_) return false;
  Encode(unit);
  return MaybeFlush();
}

bool WideWriter::PutLine(std::u16string_view text) {
  if (failed_) return false;
  for (char16_t u : text) Encode(u);
  Encode(u'\n');
  return MaybeFlush();
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
    AppendUtf8(0xFFFD, &buffer_);
  }
  if (!failed_ && !buffer_.empty()) {
    size_t n = sink_->Write(buffer_.data(), buffer_.size());
    if (n != buffer_.size()) failed_ = true;
  }
  buffer_.clear();
  if (!failed_ && !sink_->Flush()) failed_ = true;
  return !failed_;
}

}  // namespace tv
