#include "tools/diff/pair_lines.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace tv {

void RemoveBlanks(std::u16string* text) {
  std::erase_if(*text, [](char16_t u) { return IsDiffBlank(u); });
}

bool LinesEqual(std::u16string_view a, std::u16string_view b, bool ignore_blanks) {
  if (!ignore_blanks) return a == b;
  // Walks both texts past their blanks: the same answer as comparing
  // stripped copies, without making them.
  size_t i = 0, k = 0;
  for (;;) {
    while (i < a.size() && IsDiffBlank(a[i])) ++i;
    while (k < b.size() && IsDiffBlank(b[k])) ++k;
    if (i == a.size() || k == b.size()) return i == a.size() && k == b.size();
    if (a[i] != b[k]) return false;
    ++i;
    ++k;
  }
}

namespace {

bool HasBlank(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t u) { return IsDiffBlank(u); });
}

// Lines of the second file grouped by matching key: the line itself, or in
// ignore-blanks mode the line without its blanks. Each group's positions
// form a chain in ascending order whose cursor only moves forward, since
// every search starts after the last pair, which only grows.
class LineIndex {
 public:
  LineIndex(const DiffLineArray& lines, bool ignore_blanks)
      : lines_(lines), ignore_blanks_(ignore_blanks) {
    size_t count = lines.size();
    if (ignore_blanks) MakeStrippedKeys();
    size_t capacity = 16;
    while (capacity < count + count / 2) capacity *= 2;
    mask_ = capacity - 1;
    slots_.assign(capacity, Slot{});
    next_.resize(count);
    // From the last line back, so that each chain ends up ascending.
    for (size_t k = count; k-- > 0;) {
      std::u16string_view key = Key(k);
      Slot& slot = slots_[FindSlot(key, Hash(key))];
      slot.hash = static_cast<uint32_t>(Hash(key));
      next_[k] = slot.first;
      slot.first = static_cast<int32_t>(k);
    }
    for (Slot& slot : slots_) slot.cursor = slot.first;
  }

  // The matching key of a line of either file.
  std::u16string_view KeyOf(std::u16string_view text, std::u16string* scratch) const {
    if (!ignore_blanks_ || !HasBlank(text)) return text;
    scratch->assign(text);
    RemoveBlanks(scratch);
    return *scratch;
  }

  // The first line after `last` with this key, or -1. Positions up to
  // `last` leave the group for good.
  int32_t TakeFirstAfter(std::u16string_view key, int32_t last) {
    Slot& slot = slots_[FindSlot(key, Hash(key))];
    int32_t k = slot.cursor;
    while (k != -1 && k <= last) k = next_[k];
    slot.cursor = k == -1 ? -1 : next_[k];
    return k;
  }

 private:
  struct Slot {
    uint32_t hash = 0;
    int32_t first = -1;   // the group's first line; -1: the slot is free
    int32_t cursor = -1;  // the group's next candidate
  };

  static size_t Hash(std::u16string_view key) { return std::hash<std::u16string_view>()(key); }

  std::u16string_view Key(size_t k) const { return ignore_blanks_ ? keys_[k] : lines_[k].text; }

  // Stripped keys are stored once, in storage that never moves.
  void MakeStrippedKeys() {
    size_t count = lines_.size();
    size_t stripped_units = 0;
    for (size_t k = 0; k < count; ++k) {
      if (HasBlank(lines_[k].text)) stripped_units += lines_[k].text.size();
    }
    stripped_.reserve(stripped_units);
    keys_.resize(count);
    for (size_t k = 0; k < count; ++k) {
      std::u16string_view text = lines_[k].text;
      if (!HasBlank(text)) {
        keys_[k] = text;
        continue;
      }
      size_t at = stripped_.size();
      for (char16_t unit : text) {
        if (!IsDiffBlank(unit)) stripped_.push_back(unit);
      }
      keys_[k] = std::u16string_view(stripped_).substr(at);
    }
  }

  // The slot of the group with this key, or the free slot where it would go.
  size_t FindSlot(std::u16string_view key, size_t hash) const {
    uint32_t short_hash = static_cast<uint32_t>(hash);
    size_t at = (hash >> 32 ^ hash) & mask_;
    for (;;) {
      const Slot& slot = slots_[at];
      if (slot.first == -1 || (slot.hash == short_hash && Key(slot.first) == key)) return at;
      at = (at + 1) & mask_;
    }
  }

  const DiffLineArray& lines_;
  bool ignore_blanks_;
  std::u16string stripped_;
  std::vector<std::u16string_view> keys_;  // ignore-blanks mode only
  std::vector<Slot> slots_;
  std::vector<int32_t> next_;  // next line with the same key, or -1
  size_t mask_ = 0;
};

}  // namespace

void PairLines(DiffLineArray& a, DiffLineArray& b, bool ignore_blanks) {
  if (a.empty() || b.empty()) return;
  LineIndex index(b, ignore_blanks);
  std::u16string scratch;
  int32_t last = -1;
  int32_t m = static_cast<int32_t>(b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    int32_t k;
    // Files that mostly agree pair line after line: the line just after
    // the last pair, when equal, is the first equal one.
    if (last + 1 < m && LinesEqual(a[i].text, b[last + 1].text, ignore_blanks)) {
      k = last + 1;
    } else {
      k = index.TakeFirstAfter(index.KeyOf(a[i].text, &scratch), last);
      if (k == -1) continue;
    }
    a[i].partner = k;
    b[k].partner = static_cast<int32_t>(i);
    last = k;
  }
}

}  // namespace tv
