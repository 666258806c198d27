// The wide-character console output of a tool: UTF-16 text goes out as
// UTF-8, buffered. An escaped byte (U+DC80..U+DCFF) goes out as that byte;
// any other lone surrogate as U+FFFD; a surrogate pair is one character even
// when its two units arrive in separate calls.
#ifndef TV_PLATFORM_WIDE_WRITER_H_
#define TV_PLATFORM_WIDE_WRITER_H_

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/byte_stream.h"
#include "platform/format.h"

namespace tv {

class WideWriter {
 public:
  explicit WideWriter(ByteSink* sink) : sink_(sink) {}
  ~WideWriter() { Flush(); }
  WideWriter(const WideWriter&) = delete;
  WideWriter& operator=(const WideWriter&) = delete;

  // Each returns false once the stream has failed (a failure may show only
  // at a later call, when the buffer is written).
  bool PutString(std::u16string_view text);  // fputws
  bool PutUnit(char16_t unit);               // fputwc
  bool PutLine(std::u16string_view text);    // _putws: the text and one LF
  bool Printf(std::u16string_view format, std::initializer_list<FormatArg> args);
  // Narrow output: code page 932 bytes shown through the code page.
  bool PutNarrow(std::string_view cp932_bytes);

  // Writes out everything buffered; false when the stream has failed.
  bool Flush();
  bool failed() const { return failed_; }

 private:
  void Encode(char16_t unit);
  bool MaybeFlush();

  ByteSink* sink_;
  std::string buffer_;
  char16_t pending_high_ = 0;
  bool failed_ = false;
};

}  // namespace tv

#endif  // TV_PLATFORM_WIDE_WRITER_H_
