#include "tools/diff/pair_lines.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace tv {

void RemoveBlanks(std::u16string* text) { std::erase_if(*text, IsDiffBlank); }

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
  return std::any_of(text.begin(), text.end(), IsDiffBlank);
}

// The text by which lines are matched: the line itself, or in ignore-blanks
// mode the line without its blanks (made in *scratch when it has any).
std::u16string_view MatchKey(std::u16string_view text, bool ignore_blanks,
                             std::u16string* scratch) {
  if (!ignore_blanks || !HasBlank(text)) return text;
  scratch->assign(text);
  RemoveBlanks(scratch);
  return *scratch;
}

// Lines of the second file grouped by key. Each group's positions form a
// chain in ascending order; its cursor only moves forward, since the
// search always starts after the last pair, which only grows.
class LineIndex {
 public:
  LineIndex(const DiffLineArray& lines, bool ignore_blanks) {
    size_t count = lines.size();
    // Stripped keys are stored once, in storage that never moves.
    size_t stripped_units = 0;
    if (ignore_blanks) {
      for (size_t k = 0; k < count; ++k) {
        if (HasBlank(lines[k].text)) stripped_units += lines[k].text.size();
      }
    }
    stripped_.reserve(stripped_units);
    keys_.resize(count);
    std::u16string scratch;
    for (size_t k = 0; k < count; ++k) {
      std::u16string_view text = lines[k].text;
      if (ignore_blanks && HasBlank(text)) {
        size_t at = stripped_.size();
        scratch.assign(text);
        RemoveBlanks(&scratch);
        stripped_ += scratch;
        keys_[k] = std::u16string_view(stripped_).substr(at);
      } else {
        keys_[k] = text;
      }
    }

    size_t capacity = 16;
    while (capacity < 2 * count) capacity *= 2;
    mask_ = capacity - 1;
    first_.assign(capacity, -1);
    hashes_.resize(count);
    next_.resize(count);
    // From the last line back, so that each chain ends up ascending.
    for (size_t k = count; k-- > 0;) {
      size_t hash = std::hash<std::u16string_view>()(keys_[k]);
      hashes_[k] = hash;
      size_t slot = FindSlot(keys_[k], hash);
      next_[k] = first_[slot];
      first_[slot] = static_cast<int32_t>(k);
    }
    cursor_ = first_;
  }

  // The first line after `last` whose key is `key`, or -1. Positions up to
  // `last` are dropped from the group for good.
  int32_t TakeFirstAfter(std::u16string_view key, int32_t last) {
    size_t slot = FindSlot(key, std::hash<std::u16string_view>()(key));
    int32_t k = cursor_[slot];
    while (k != -1 && k <= last) k = next_[k];
    if (k != -1) {
      cursor_[slot] = next_[k];
    } else {
      cursor_[slot] = -1;
    }
    return k;
  }

 private:
  // The slot of the group with this key, or the empty slot where it would go.
  size_t FindSlot(std::u16string_view key, size_t hash) const {
    size_t slot = hash & mask_;
    for (;;) {
      int32_t k = first_[slot];
      if (k == -1 || (hashes_[k] == hash && keys_[k] == key)) return slot;
      slot = (slot + 1) & mask_;
    }
  }

  std::u16string stripped_;
  std::vector<std::u16string_view> keys_;
  std::vector<size_t> hashes_;
  std::vector<int32_t> next_;    // next line with the same key, or -1
  std::vector<int32_t> first_;   // per slot: the group's first line, or -1
  std::vector<int32_t> cursor_;  // per slot: the group's next candidate
  size_t mask_ = 0;
};

}  // namespace

void PairLines(DiffLineArray& a, DiffLineArray& b, bool ignore_blanks) {
  if (a.empty() || b.empty()) return;
  LineIndex index(b, ignore_blanks);
  std::u16string scratch;
  int32_t last = -1;
  for (size_t i = 0; i < a.size(); ++i) {
    std::u16string_view key = MatchKey(a[i].text, ignore_blanks, &scratch);
    int32_t k = index.TakeFirstAfter(key, last);
    if (k == -1) continue;
    a[i].partner = k;
    b[k].partner = static_cast<int32_t>(i);
    last = k;
  }
}

}  // namespace tv
