// Whether a text is UTF-8 as RFC 3629 has it, looked at 64 bytes at a time
// over pieces cut anywhere: what chooses the code page a text file is read
// in.
#ifndef TV_PLATFORM_UTF8_CHECK_H_
#define TV_PLATFORM_UTF8_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tv {

// How the blocks are looked at: the fastest way this machine has, or one
// named, so that the tests can hold each to the plain method.
enum class Utf8CheckMethod { kFastest, kBytes, kSse2, kSsse3, kAvx2 };

// Whether this machine runs `method`.
bool Utf8CheckMethodRuns(Utf8CheckMethod method);

class Utf8Check {
 public:
  Utf8Check() : Utf8Check(Utf8CheckMethod::kFastest) {}
  // A method this machine does not run falls back to the plain bytes.
  explicit Utf8Check(Utf8CheckMethod method);

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
  // Looks at whole 64-byte blocks, each byte held to the three before it
  // (`tail` first, which then takes the last three), until a block with an
  // error: then returns false. Sets *multi_byte where a valid text would
  // have a multi-byte sequence.
  using CheckBlocks = bool (*)(const unsigned char* p, size_t blocks, unsigned char* tail,
                               bool* multi_byte);

  void Blocks(const unsigned char* p, size_t blocks);

  CheckBlocks check_blocks_;
  unsigned char staged_[64];
  size_t staged_size_ = 0;
  bool finished_ = false;
  uint64_t errors_ = 0;
  // The last three bytes looked at: what the next ones are held to.
  unsigned char tail_[3] = {0, 0, 0};
  bool multi_byte_ = false;
};

// The same, a byte at a time with DecodeUtf8Sequence: the plain method the
// tests hold the blocks to.
bool IsUtf8ByteByByte(std::string_view text, bool* multi_byte);

}  // namespace tv

#endif  // TV_PLATFORM_UTF8_CHECK_H_
