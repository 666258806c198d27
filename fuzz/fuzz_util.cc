#include "fuzz/fuzz_util.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tv::fuzz {

void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

ExactBytes::ExactBytes(std::string_view bytes, size_t zeros)
    : size_(bytes.size()), data_(new char[bytes.size() + zeros]) {
  if (!bytes.empty()) std::memcpy(data_.get(), bytes.data(), bytes.size());
  std::memset(data_.get() + size_, 0, zeros);
}

ExactUnits::ExactUnits(std::u16string_view units)
    : size_(units.size()), data_(new char16_t[units.size() + 1]) {
  std::copy(units.begin(), units.end(), data_.get());
  data_[size_] = u'\0';
}

ChoppedSource::ChoppedSource(std::string bytes, std::vector<size_t> pieces)
    : bytes_(std::move(bytes)), pieces_(std::move(pieces)) {
  if (pieces_.empty()) pieces_.push_back(bytes_.size() + 1);
}

ptrdiff_t ChoppedSource::Read(void* buf, size_t n) {
  size_t piece = pieces_[next_piece_];
  next_piece_ = (next_piece_ + 1) % pieces_.size();
  size_t count = std::min({n, piece, bytes_.size() - pos_});
  if (count > 0) std::memcpy(buf, bytes_.data() + pos_, count);
  pos_ += count;
  return static_cast<ptrdiff_t>(count);
}

std::vector<size_t> ConsumePieces(FuzzedDataProvider& data) {
  std::vector<size_t> pieces;
  for (size_t n = data.ConsumeIntegralInRange<size_t>(0, 4); n > 0; --n) {
    pieces.push_back(data.ConsumeIntegralInRange<size_t>(1, 16));
  }
  return pieces;
}

std::u16string ConsumeCommandText(FuzzedDataProvider& data, size_t max_units) {
  static constexpr char16_t kUnits[] = {
      u' ', u' ', u'\t', u'"',  u'/',   u'/',   u'\\',  u'\\',  u'.',   u'.',
      u'a', u'b', u'H',  u'h',  u'I',   u'i',   u'O',   u'N',   u'U',   u'u',
      u'R', u'Q', u'S',  u'J',  u'E',   u'C',   u'L',   u'F',   u'T',   u'8',
      u'n', u'x', u'\r', u'\n', 0x3000, 0x00A0, 0xFEFF, 0xDC80, 0xD800, 0xFFFF,
  };
  std::u16string text;
  while (text.size() < max_units && data.remaining_bytes() > 0) {
    uint8_t b = data.ConsumeIntegral<uint8_t>();
    if (b < 0xF0) {
      text.push_back(kUnits[b % std::size(kUnits)]);
    } else {
      text.push_back(data.ConsumeIntegral<char16_t>());
    }
  }
  return text;
}

namespace {

template <typename Char>
std::basic_string<Char> ReplaceAllOf(std::basic_string_view<Char> text,
                                     std::basic_string_view<Char> sought,
                                     std::basic_string_view<Char> replacement) {
  std::basic_string<Char> out;
  size_t i = 0;
  while (i < text.size()) {
    if (!sought.empty() && text.substr(i, sought.size()) == sought) {
      out += replacement;
      i += sought.size();
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

}  // namespace

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view sought,
                          std::u16string_view replacement) {
  return ReplaceAllOf(text, sought, replacement);
}

std::string ReplaceAll(std::string_view text, std::string_view sought,
                       std::string_view replacement) {
  return ReplaceAllOf(text, sought, replacement);
}

}  // namespace tv::fuzz
