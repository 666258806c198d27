// What the fuzz targets share: exact-size heap copies, so that
// AddressSanitizer reports any read past what an entry may look at; a byte
// source that hands its bytes over in small pieces; command lines built from
// fuzz bytes; and a check that ends the run with a finding.
#ifndef TV_FUZZ_FUZZ_UTIL_H_
#define TV_FUZZ_FUZZ_UTIL_H_

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_stream.h"

namespace tv::fuzz {

[[noreturn]] void Fail(const char* condition, const char* file, int line);

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::tv::fuzz::Fail(#condition, __FILE__, __LINE__))

// A heap block holding exactly `bytes` and then `zeros` zero bytes.
class ExactBytes {
 public:
  ExactBytes(std::string_view bytes, size_t zeros);
  std::string_view view() const { return {data_.get(), size_}; }

 private:
  size_t size_;
  std::unique_ptr<char[]> data_;
};

// A heap block holding exactly `units` and one zero unit: a command line
// as the shell hands it over.
class ExactUnits {
 public:
  explicit ExactUnits(std::u16string_view units);
  const char16_t* begin() const { return data_.get(); }
  const char16_t* end() const { return data_.get() + size_; }  // the zero unit
  size_t size() const { return size_; }

 private:
  size_t size_;
  std::unique_ptr<char16_t[]> data_;
};

// Hands its bytes over in pieces of the given sizes (cycled), so that a
// reader meets every split of a character or a CR LF between two reads.
class ChoppedSource : public ByteSource {
 public:
  ChoppedSource(std::string bytes, std::vector<size_t> pieces);
  ptrdiff_t Read(void* buf, size_t n) override;
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

 private:
  std::string bytes_;
  std::vector<size_t> pieces_;
  size_t pos_ = 0;
  size_t next_piece_ = 0;
};

// Piece sizes for a ChoppedSource, 1 to 16 bytes, taken from the input.
std::vector<size_t> ConsumePieces(FuzzedDataProvider& data);

// Text made mostly of the units that command lines and paths are made of
// (blanks, quotation marks, slashes, backslashes, dots, option letters),
// with now and then any unit at all.
std::u16string ConsumeCommandText(FuzzedDataProvider& data, size_t max_units);

// The whole text with every `sought` replaced, left to right, no overlap.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view sought,
                          std::u16string_view replacement);
std::string ReplaceAll(std::string_view text, std::string_view sought,
                       std::string_view replacement);

}  // namespace tv::fuzz

#endif  // TV_FUZZ_FUZZ_UTIL_H_
