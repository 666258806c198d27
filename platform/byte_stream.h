// The byte-level ends of every stream: a source to read from and a sink to
// write to. Files, pipes, the console and in-memory buffers all look alike.
#ifndef TV_PLATFORM_BYTE_STREAM_H_
#define TV_PLATFORM_BYTE_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to n bytes. Returns the count read (> 0), 0 at end of input, or
  // -1 on a read error.
  virtual ptrdiff_t Read(void* buf, size_t n) = 0;
  // The total size when the source knows it (a regular file), else -1.
  virtual int64_t Size() { return -1; }
  // Starts reading again from the first byte; false when the source cannot
  // be read twice (a pipe, a terminal), in which case nothing changed.
  virtual bool Rewind() { return false; }
  // Before the first Read: makes a source that cannot be read twice
  // readable twice (Size and Rewind then work) without holding it in
  // memory. False when it cannot, in which case nothing changed.
  virtual bool Spool() { return Size() >= 0; }
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes up to n bytes and returns how many were written; fewer than n
  // (a short write) means the sink failed.
  virtual size_t Write(const void* buf, size_t n) = 0;
  // Pushes buffered bytes out; false when they could not be written.
  virtual bool Flush() { return true; }
};

// An in-memory source, for standard input in tests and for parsing.
class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string bytes) : bytes_(std::move(bytes)) {}
  ptrdiff_t Read(void* buf, size_t n) override;
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  bool Rewind() override {
    pos_ = 0;
    return true;
  }
  // Makes the next read (after `after` bytes) fail, to test read errors.
  void FailAfter(size_t after) { fail_after_ = after; }

 private:
  std::string bytes_;
  size_t pos_ = 0;
  size_t fail_after_ = static_cast<size_t>(-1);
};

// An in-memory sink. A capacity makes it behave like a full disk: bytes past
// it are refused (a short write).
class StringSink : public ByteSink {
 public:
  size_t Write(const void* buf, size_t n) override;
  const std::string& bytes() const { return bytes_; }
  void set_capacity(size_t capacity) { capacity_ = capacity; }

 private:
  std::string bytes_;
  size_t capacity_ = static_cast<size_t>(-1);
};

}  // namespace tv

#endif  // TV_PLATFORM_BYTE_STREAM_H_
