#include "tools/diff/diff_line.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "platform/huge_pages.h"

namespace tv {

namespace {
constexpr size_t kFirstTextUnits = 16 * 1024;
}  // namespace

char16_t* DiffLineArray::Room(size_t units) {
  if (capacity_ - used_ >= units) return text_.get() + used_;
  size_t want = used_ + units;
  size_t grown = std::max({want, kFirstTextUnits, capacity_ + capacity_ / 2});
  // The whole file's text in one request when its size is known: only the
  // pages written are ever taken, and nothing is copied later.
  if (expected_ >= want) {
    grown = std::max(grown, expected_);
    expected_ = 0;
  }
  // new[] of char16_t leaves the units unwritten: pages never reached
  // cost nothing.
  std::unique_ptr<char16_t[]> bigger(new (std::nothrow) char16_t[grown]);
  if (!bigger && grown > want) {
    grown = want;
    bigger.reset(new char16_t[grown]);
  }
  if (!bigger) throw std::bad_alloc();
  AdviseHugePages(bigger.get(), grown * sizeof(char16_t));
  if (used_ > 0) std::memcpy(bigger.get(), text_.get(), used_ * sizeof(char16_t));
  text_ = std::move(bigger);
  capacity_ = grown;
  return text_.get() + used_;
}

void DiffLineArray::AddLine(size_t start, size_t length) {
  // Indexes of the other file's lines are 32-bit.
  if (size_ >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) throw std::bad_alloc();
  if ((size_ & kChunkMask) == 0 && (size_ >> kChunkBits) == chunks_.size()) {
    chunks_.reserve(chunks_.size() + 1);  // so that push_back cannot throw
    size_t bytes = (kChunkMask + 1) * sizeof(DiffLine);
    chunks_.emplace_back(static_cast<DiffLine*>(::operator new[](bytes)));
    AdviseHugePages(chunks_.back().get(), bytes);
  }
  DiffLine* line = new (&(*this)[size_]) DiffLine;
  line->place = uint64_t{start} << kLengthBits | length;
  ++size_;
}

void DiffLineArray::Append(std::u16string_view text) {
  char16_t* room = Room(text.size());
  std::copy(text.begin(), text.end(), room);
  AddLine(used_, text.size());
  used_ += text.size();
}

void DiffLineArray::DropFront(size_t start, size_t lines) {
  std::memmove(text_.get(), text_.get() + start, (used_ - start) * sizeof(char16_t));
  used_ -= start;
  size_ = 0;
  base_ += lines;
}

void DiffLineArray::Clear() {
  std::vector<std::unique_ptr<DiffLine[], FreeChunk>>().swap(chunks_);
  size_ = 0;
  text_.reset();
  used_ = 0;
  capacity_ = 0;
  expected_ = 0;
  base_ = 0;
}

}  // namespace tv
