// A wide-character input stream over a byte source, as the device runtime's
// wide stream input behaves: units are decoded from the bytes according to
// the stream's mode, with one unit of push-back.
#ifndef TV_PLATFORM_WIDE_READER_H_
#define TV_PLATFORM_WIDE_READER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/byte_stream.h"

namespace tv {

enum class InputMode {
  kConsole,   // UTF-8 text; CR LF as LF; invalid bytes escaped
  kText,      // code page 932 text ("r"); CR LF as LF
  kUtf8Text,  // UTF-8 text ("r" in code page 65001): as kConsole, one mark
              // EF BB BF at the very start skipped
  kUnicode,   // UTF-16 little-endian as stored ("rb"); odd last byte dropped
};

enum class ReadStatus { kOk, kEnd, kError };

class WideReader {
 public:
  static constexpr int kEnd = -1;
  static constexpr int kError = -2;

  // The reader does not own `source`.
  WideReader(ByteSource* source, InputMode mode);
  // The reader owns `source`.
  WideReader(std::unique_ptr<ByteSource> source, InputMode mode);

  // The next unit (0..0xFFFF), kEnd, or kError.
  int GetUnit();
  // Pushes one unit back; the next GetUnit returns it.
  void UngetUnit(char16_t unit);

  // Reads at most limit - 1 units into buf, stopping after a line feed, and
  // terminates them with a zero unit; *length gets the count. kEnd when the
  // input ended before any unit was read; kError on a read error (buf is then
  // unspecified but terminated). limit must be at least 2.
  ReadStatus GetLine(char16_t* buf, size_t limit, size_t* length);

  // Reads the next line, of any length, into *line (line feed included).
  ReadStatus GetLine(std::u16string* line);

  // Reads up to max units into out, as many as are at hand: it waits for
  // input only when it has nothing to deliver yet. 0 means the input has
  // ended, or failed (see failed()). Whole-buffer decoding for the filters,
  // which would otherwise pay a call per unit.
  size_t GetUnits(char16_t* out, size_t max);

  bool failed() const { return error_; }

  // The size in bytes of the whole input when its source knows it (a
  // regular file), else -1: a hint for readers that keep all of it.
  int64_t SourceSize() const { return source_ ? source_->Size() : -1; }

 private:
  // Makes at least `want` bytes available unless the source ends or fails.
  size_t Fill(size_t want);
  int DecodeNext();
  // GetLine's fast path: copies units straight from the byte buffer while
  // it holds them whole, up to `room` units in all; true when a line feed
  // (copied) ended the line.
  bool CopyBuffered(char16_t* buf, size_t room, size_t* n);
  // Decodes from the buffered bytes only, stopping where a unit might need
  // bytes not yet read; returns the count stored.
  size_t DecodeBuffered(char16_t* out, size_t max);
  // Skips a UTF-8 mark at the start of the input, once; false while too
  // few bytes are in to tell.
  bool SettleMark();

  std::unique_ptr<ByteSource> owned_;
  ByteSource* source_;
  InputMode mode_;
  std::unique_ptr<unsigned char[]> buf_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  bool error_ = false;
  int pushed_back_ = -1;
  int pending_low_ = -1;  // second unit of a four-byte UTF-8 character
  bool mark_pending_ = false;
};

}  // namespace tv

#endif  // TV_PLATFORM_WIDE_READER_H_
