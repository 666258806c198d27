// Whether a text is UTF-8 as RFC 3629 has it, looked at 64 bytes at a time
// over pieces cut anywhere: what chooses the code page a text file is read
// in.
#ifndef TV_PLATFORM_UTF8_CHECK_H_
#define TV_PLATFORM_UTF8_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tv {

class Utf8Check {
 public:
  // Takes the next piece of the text.
  void Feed(std::string_view piece);
  // After the last piece: the whole text is UTF-8 (control bytes and zero
  // bytes included; no overlong form, surrogate, value above U+10FFFF,
  // byte C0, C1 or F5-FF, and no sequence cut off by the end).
  bool Valid();
  // Valid, with at least one multi-byte sequence.
  bool ValidWithMultiByte() { return Valid() && multi_byte_; }
  // Already known not to be UTF-8, whatever follows.
  bool failed() const { return errors_ != 0; }

 private:
  void Block(const unsigned char* p);

  unsigned char staged_[64];
  size_t staged_size_ = 0;
  bool finished_ = false;
  uint64_t errors_ = 0;
  // What the last block hands on: continuation bytes still needed at the
  // start of the next one, and whether its last byte was E0, ED, F0 or F4
  // (whose next byte has a narrower range).
  uint64_t need_ = 0;
  uint64_t after_e0_ = 0, after_ed_ = 0, after_f0_ = 0, after_f4_ = 0;
  bool multi_byte_ = false;
};

// The same, a byte at a time with DecodeUtf8Sequence: the plain method the
// tests hold the blocks to.
bool IsUtf8ByteByByte(std::string_view text, bool* multi_byte);

}  // namespace tv

#endif  // TV_PLATFORM_UTF8_CHECK_H_
