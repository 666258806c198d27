// The output side of the converters: a byte buffer written through a raw
// position, with one room check per character and amortised growth.
#ifndef TV_TOOLS_KANVO_BYTE_WRITER_H_
#define TV_TOOLS_KANVO_BYTE_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

// Usage: p = w.Room(p, k) before writing at most k bytes at p; at the end
// w.Finish(p, &text). Growth throws std::bad_alloc, which the converters
// turn into CONV_ERR_NOMEM.
class ByteWriter {
 public:
  // `capacity` should be what the text will need, so that Room never grows.
  explicit ByteWriter(size_t capacity) : buffer_(capacity, '\0') {}

  // The same, writing in the storage of `*reuse` when it holds `capacity`
  // bytes already: a text converted piece by piece then costs no new
  // memory (and no fresh pages) for every piece. *reuse is left empty.
  ByteWriter(size_t capacity, std::string* reuse) {
    if (reuse->capacity() >= capacity) buffer_.swap(*reuse);
    buffer_.resize(capacity);
  }

  uint8_t* start() { return reinterpret_cast<uint8_t*>(buffer_.data()); }

  // `pos` with room for `count` more bytes, the buffer moved if need be.
  uint8_t* Room(uint8_t* pos, size_t count) {
    size_t used = static_cast<size_t>(pos - start());
    return buffer_.size() - used >= count ? pos : Grow(used, count);
  }

  // Writes `count` bytes, making room first.
  uint8_t* Write(uint8_t* pos, const uint8_t* bytes, size_t count) {
    pos = Room(pos, count);
    std::memcpy(pos, bytes, count);
    return pos + count;
  }

  // Hands the bytes before `pos` to `*text`.
  void Finish(uint8_t* pos, std::string* text) {
    buffer_.resize(static_cast<size_t>(pos - start()));
    text->swap(buffer_);
  }

 private:
  uint8_t* Grow(size_t used, size_t count);

  std::string buffer_;  // its size is the capacity while writing
};

inline const uint8_t* BytesOf(std::string_view text) {
  return reinterpret_cast<const uint8_t*>(text.data());
}

// The byte at `i`, or the zero that stands for a byte past the end.
inline uint8_t ByteOrZero(const uint8_t* p, size_t n, size_t i) { return i < n ? p[i] : 0; }

// How many bytes below 0x80 start p[0..n), eight at a time where it can.
inline size_t AsciiRun(const uint8_t* p, size_t n) {
  size_t i = 0;
  while (n - i >= 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    if ((word & 0x8080808080808080ULL) != 0) break;
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// Runs `body(writer)`, which returns its final write position, and hands the
// text to `*output` only when it is complete. The storage of `*output` is
// written in when it is large enough: `capacity` is then an upper bound that
// never grows, so nothing can fail once it is taken.
template <typename Body>
ConvStatus RunConverter(std::string* output, size_t capacity, Body body) {
  if (output == nullptr) return CONV_ERR_PARAM;
  try {
    ByteWriter writer(capacity, output);
    uint8_t* end = body(writer);
    writer.Finish(end, output);
  } catch (const std::bad_alloc&) {
    return CONV_ERR_NOMEM;
  } catch (const std::length_error&) {
    return CONV_ERR_NOMEM;
  }
  return CONV_OK;
}

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_BYTE_WRITER_H_
