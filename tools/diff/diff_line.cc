#include "tools/diff/diff_line.h"

#include <algorithm>
#include <limits>
#include <new>

namespace tv {

namespace {
// Blocks grow from small (short files stay cheap) to this size.
constexpr size_t kFirstBlockUnits = 16 * 1024;
constexpr size_t kLargestBlockUnits = 1024 * 1024;
}  // namespace

char16_t* DiffLineArray::ReserveLine(size_t units) {
  if (room_ < units) {
    size_t size = std::min(kLargestBlockUnits, std::max(kFirstBlockUnits, 2 * last_block_units_));
    size = std::max(size, units);
    blocks_.reserve(blocks_.size() + 1);  // so that push_back cannot throw
    blocks_.push_back(std::unique_ptr<char16_t[]>(new char16_t[size]));
    last_block_units_ = size;
    free_ = blocks_.back().get();
    room_ = size;
  }
  return free_;
}

void DiffLineArray::CommitLine(size_t length) {
  // Indexes of the other file's lines are 32-bit.
  if (lines_.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw std::bad_alloc();
  }
  DiffLine line;
  line.text = std::u16string_view(free_, length);
  lines_.push_back(line);
  free_ += length;
  room_ -= length;
}

void DiffLineArray::Append(std::u16string_view text) {
  char16_t* room = ReserveLine(text.size());
  std::copy(text.begin(), text.end(), room);
  CommitLine(text.size());
}

void DiffLineArray::Clear() {
  std::vector<DiffLine>().swap(lines_);
  std::vector<std::unique_ptr<char16_t[]>>().swap(blocks_);
  free_ = nullptr;
  room_ = 0;
  last_block_units_ = 0;
}

}  // namespace tv
