// The wide-character console output of a tool: UTF-16 text goes out as
// UTF-8, buffered. An escaped byte (U+DC80..U+DCFF) goes out as that byte;
// any other lone surrogate as U+FFFD; a surrogate pair is one character even
// when its two units arrive in separate calls.
#ifndef TV_PLATFORM_WIDE_WRITER_H_
#define TV_PLATFORM_WIDE_WRITER_H_

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "platform/byte_stream.h"
#include "platform/format.h"

namespace tv {

class WideWriter {
 public:
  explicit WideWriter(ByteSink* sink);
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

  // Output that is UTF-8 already, stored in the buffer in place: room for
  // at least `min` bytes (at most the buffer's size), writing out what is
  // buffered if need be; *room gets how much there is. CommitBytes then
  // says how many bytes were stored there.
  char* BufferFor(size_t min, size_t* room);
  void CommitBytes(size_t n) { used_ += n; }

  // Writes out everything buffered; false when the stream has failed.
  bool Flush();
  bool failed() const { return failed_; }

 private:
  // Encodes a run of units into the buffer, writing it out as it fills.
  void EncodeRun(const char16_t* units, size_t count);
  // Encodes one unit at out (room for 6 bytes); returns the new end.
  char* EncodeUnit(char16_t unit, char* out);
  void WriteBuffer();
  // A high surrogate with no low one after it goes out as U+FFFD.
  void EndPendingPair();

  // Held in the object, not on the heap: a tool must be able to print its
  // out-of-memory message.
  static constexpr size_t kBufferSize = 64 * 1024;

  ByteSink* sink_;
  char buffer_[kBufferSize];
  size_t used_ = 0;
  char16_t pending_high_ = 0;
  bool failed_ = false;
};

}  // namespace tv

#endif  // TV_PLATFORM_WIDE_WRITER_H_
