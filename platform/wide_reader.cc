#include "platform/wide_reader.h"

#include <cstring>

#include "platform/cp932.h"
#include "platform/utf16.h"

namespace tv {

namespace {
constexpr size_t kBufferSize = 64 * 1024;
}  // namespace

WideReader::WideReader(ByteSource* source, InputMode mode)
    : source_(source), mode_(mode), buf_(new unsigned char[kBufferSize]) {}

WideReader::WideReader(std::unique_ptr<ByteSource> source, InputMode mode)
    : owned_(std::move(source)),
      source_(owned_.get()),
      mode_(mode),
      buf_(new unsigned char[kBufferSize]) {}

size_t WideReader::Fill(size_t want) {
  while (end_ - pos_ < want && !eof_ && !error_) {
    if (pos_ > 0) {
      std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
    }
    ptrdiff_t n = source_ ? source_->Read(buf_.get() + end_, kBufferSize - end_) : 0;
    if (n < 0) {
      error_ = true;
    } else if (n == 0) {
      eof_ = true;
    } else {
      end_ += static_cast<size_t>(n);
    }
  }
  return end_ - pos_;
}

int WideReader::DecodeNext() {
  size_t avail = Fill(mode_ == InputMode::kConsole ? 4 : 2);
  if (avail == 0) return error_ ? kError : kEnd;
  const unsigned char* p = buf_.get() + pos_;
  switch (mode_) {
    case InputMode::kUnicode:
      if (avail < 2) {  // an odd last byte is dropped
        pos_ = end_;
        return error_ ? kError : kEnd;
      }
      pos_ += 2;
      return p[0] | (p[1] << 8);
    case InputMode::kText:
      if (p[0] == '\r' && avail >= 2 && p[1] == '\n') {
        pos_ += 2;
        return '\n';
      }
      if (Cp932IsLeadByte(p[0])) {
        if (avail < 2 || p[1] == 0) {  // no trail byte: the default char
          pos_ += 1;
          return Cp932PairToUnit(p[0], 0);
        }
        pos_ += 2;
        return Cp932PairToUnit(p[0], p[1]);
      }
      pos_ += 1;
      return Cp932SingleByteToUnit(p[0]);
    case InputMode::kConsole: {
      if (p[0] == '\r' && avail >= 2 && p[1] == '\n') {
        pos_ += 2;
        return '\n';
      }
      char32_t cp;
      size_t len = DecodeUtf8Sequence(p, avail, &cp);
      if (len == 0) {
        pos_ += 1;
        return 0xDC00 + p[0];
      }
      pos_ += len;
      if (cp >= 0x10000) {
        cp -= 0x10000;
        pending_low_ = static_cast<int>(0xDC00 + (cp & 0x3FF));
        return static_cast<int>(0xD800 + (cp >> 10));
      }
      return static_cast<int>(cp);
    }
  }
  return kError;
}

int WideReader::GetUnit() {
  if (pushed_back_ >= 0) {
    int u = pushed_back_;
    pushed_back_ = -1;
    return u;
  }
  if (pending_low_ >= 0) {
    int u = pending_low_;
    pending_low_ = -1;
    return u;
  }
  return DecodeNext();
}

void WideReader::UngetUnit(char16_t unit) { pushed_back_ = unit; }

bool WideReader::CopyBuffered(char16_t* buf, size_t room, size_t* n) {
  if (pushed_back_ >= 0 || pending_low_ >= 0) return false;
  const unsigned char* p = buf_.get() + pos_;
  const unsigned char* end = buf_.get() + end_;
  size_t i = *n;
  bool line_end = false;
  if (mode_ == InputMode::kText) {
    // Two bytes stay in view, so a CR sees what follows it and a lead byte
    // its trail byte; the rest is left to DecodeNext.
    while (i < room && end - p >= 2) {
      unsigned char c = *p;
      if (c < 0x80 && c != '\r') {  // identical in code page 932
        buf[i++] = c;
        ++p;
        if (c == '\n') {
          line_end = true;
          break;
        }
      } else if (c == '\r') {
        if (p[1] == '\n') {
          buf[i++] = u'\n';
          p += 2;
          line_end = true;
          break;
        }
        buf[i++] = u'\r';
        ++p;
      } else if (Cp932IsLeadByte(c)) {
        if (p[1] == 0) break;
        buf[i++] = Cp932PairToUnit(c, p[1]);
        p += 2;
      } else {
        buf[i++] = Cp932SingleByteToUnit(c);
        ++p;
      }
    }
  } else if (mode_ == InputMode::kUnicode) {
    while (i < room && end - p >= 2) {
      char16_t u = static_cast<char16_t>(p[0] | (p[1] << 8));
      buf[i++] = u;
      p += 2;
      if (u == u'\n') {
        line_end = true;
        break;
      }
    }
  }
  pos_ = static_cast<size_t>(p - buf_.get());
  *n = i;
  return line_end;
}

ReadStatus WideReader::GetLine(char16_t* buf, size_t limit, size_t* length) {
  size_t n = 0;
  ReadStatus status = ReadStatus::kOk;
  while (n + 1 < limit) {
    if (CopyBuffered(buf, limit - 1, &n)) break;
    if (n + 1 >= limit) break;
    int u = GetUnit();
    if (u == kError) {
      status = ReadStatus::kError;
      break;
    }
    if (u == kEnd) {
      if (n == 0) status = ReadStatus::kEnd;
      break;
    }
    buf[n++] = static_cast<char16_t>(u);
    if (u == '\n') break;
  }
  if (limit > 0) buf[n < limit ? n : limit - 1] = 0;
  *length = n;
  return status;
}

ReadStatus WideReader::GetLine(std::u16string* line) {
  line->clear();
  for (;;) {
    int u = GetUnit();
    if (u == kError) return ReadStatus::kError;
    if (u == kEnd) return line->empty() ? ReadStatus::kEnd : ReadStatus::kOk;
    line->push_back(static_cast<char16_t>(u));
    if (u == '\n') return ReadStatus::kOk;
  }
}

}  // namespace tv
