#include "tools/diff/pair_lines.h"

#include <sys/random.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

// The hash is compiled in: nothing to link, nothing to install beside diff.
#define XXH_INLINE_ALL
#include <xxhash.h>

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

uint64_t LineHash(std::u16string_view text, bool ignore_blanks, uint64_t seed) {
  if (!ignore_blanks)
    return XXH3_64bits_withSeed(text.data(), text.size() * sizeof(char16_t), seed);
  // The text without its blanks, gathered where the last one was.
  thread_local std::u16string kept;
  kept.clear();
  for (char16_t unit : text) {
    if (!IsDiffBlank(unit)) kept.push_back(unit);
  }
  return XXH3_64bits_withSeed(kept.data(), kept.size() * sizeof(char16_t), seed);
}

namespace {

// A seed of this run's own.
uint64_t RunSeed() {
  static const uint64_t seed = [] {
    uint64_t s = 0;
    if (getrandom(&s, sizeof s, GRND_NONBLOCK) != sizeof s) {
      // No entropy yet (early boot): the clock and the stack's place.
      auto now = std::chrono::steady_clock::now().time_since_epoch().count();
      s = static_cast<uint64_t>(now) * 0x9E3779B97F4A7C15u ^ reinterpret_cast<uintptr_t>(&s);
    }
    return s;
  }();
  return seed;
}

// Lines of the second file grouped by matching text (in ignore-blanks mode,
// by their text without blanks). Each group's positions form a chain in
// ascending order whose cursor only moves forward, since every search
// starts after the last pair, which only grows.
class LineIndex {
 public:
  LineIndex(const DiffLineArray& lines, bool ignore_blanks, uint64_t seed)
      : lines_(lines), ignore_blanks_(ignore_blanks), seed_(seed) {
    size_t count = lines.size();
    // The table grows with the groups, not the lines: files of a few
    // distinct lines keep it small.
    slots_.assign(16, Slot{});
    mask_ = slots_.size() - 1;
    next_.resize(count);
    // Each slot is asked for from memory a few lines before it is needed:
    // the slots are visited in random order. Hashes are kept for the lines
    // (k - kAhead, k].
    constexpr size_t kAhead = 16;
    uint64_t hashes[kAhead];
    for (size_t k = count; k-- > 0 && k + kAhead >= count;) {
      hashes[k % kAhead] = Hash(lines.Text(k));
    }
    // From the last line back, so that each chain ends up ascending.
    for (size_t k = count; k-- > 0;) {
      uint64_t hash = hashes[k % kAhead];
      if (k >= kAhead) {
        hashes[k % kAhead] = Hash(lines.Text(k - kAhead));
        Prefetch(hashes[k % kAhead]);
      }
      size_t at = FindSlot(lines.Text(k), hash);
      if (slots_[at].first == -1) {
        if (3 * (groups_ + 1) > 2 * slots_.size()) {
          Grow();
          at = FindSlot(lines.Text(k), hash);
        }
        ++groups_;
      }
      Slot& slot = slots_[at];
      slot.hash = static_cast<uint32_t>(hash);
      next_[k] = slot.first;
      slot.first = static_cast<int32_t>(k);
    }
    for (Slot& slot : slots_) slot.cursor = slot.first;
  }

  // The first line after `last` that equals `text` (whose Hash is `hash`),
  // or -1. Positions up to `last` leave the group for good.
  int32_t TakeFirstAfter(std::u16string_view text, uint64_t hash, int32_t last) {
    Slot& slot = slots_[FindSlot(text, hash)];
    int32_t k = slot.cursor;
    while (k != -1 && k <= last) k = next_[k];
    slot.cursor = k == -1 ? -1 : next_[k];
    return k;
  }

  // Asks for the slot where a text of this hash is looked up first.
  void Prefetch(uint64_t hash) const { __builtin_prefetch(&slots_[Home(hash)]); }

  uint64_t Hash(std::u16string_view text) const { return LineHash(text, ignore_blanks_, seed_); }

 private:
  struct Slot {
    uint32_t hash = 0;
    int32_t first = -1;   // the group's first line; -1: the slot is free
    int32_t cursor = -1;  // the group's next candidate
  };

  // From the hash's low 32 bits alone, which a slot keeps, so that the
  // table can grow without hashing its lines again.
  size_t Home(uint64_t hash) const { return static_cast<size_t>(hash & 0xFFFFFFFFu) & mask_; }

  // Doubles the table, moving each group to its place in the larger one.
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2, Slot{});
    old.swap(slots_);
    mask_ = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.first == -1) continue;
      size_t at = Home(slot.hash);
      while (slots_[at].first != -1) at = (at + 1) & mask_;
      slots_[at] = slot;
    }
  }

  // The slot of the group equal to text, or the free slot where it would go.
  size_t FindSlot(std::u16string_view text, uint64_t hash) const {
    uint32_t short_hash = static_cast<uint32_t>(hash);
    size_t at = Home(hash);
    for (;;) {
      const Slot& slot = slots_[at];
      if (slot.first == -1 ||
          (slot.hash == short_hash && LinesEqual(lines_.Text(slot.first), text, ignore_blanks_))) {
        return at;
      }
      at = (at + 1) & mask_;
    }
  }

  const DiffLineArray& lines_;
  bool ignore_blanks_;
  uint64_t seed_;
  std::vector<Slot> slots_;
  std::vector<int32_t> next_;  // next line of the same group, or -1
  size_t mask_ = 0;
  size_t groups_ = 0;
};

}  // namespace

void PairLines(DiffLineArray& a, DiffLineArray& b, bool ignore_blanks) {
  PairLinesSeeded(a, b, ignore_blanks, RunSeed());
}

void PairLinesSeeded(DiffLineArray& a, DiffLineArray& b, bool ignore_blanks, uint64_t seed) {
  if (a.empty() || b.empty()) return;
  LineIndex index(b, ignore_blanks, seed);
  constexpr size_t kAhead = 16;
  uint64_t ahead_hashes[kAhead];
  size_t ahead = 0;
  int32_t last = -1;
  int32_t m = static_cast<int32_t>(b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    int32_t k;
    // Files that mostly agree pair line after line: the line just after
    // the last pair, when equal, is the first equal one.
    if (last + 1 < m && LinesEqual(a.Text(i), b.Text(last + 1), ignore_blanks)) {
      k = last + 1;
    } else {
      // Where lines stop pairing in order, each is looked up at a random
      // place of the index: the next few are hashed and their slots asked
      // for early. Hashes are kept for the lines [ahead - kAhead, ahead).
      size_t want = std::min(a.size(), i + kAhead);
      if (ahead <= i) ahead = i;
      for (; ahead < want; ++ahead) {
        uint64_t hash = index.Hash(a.Text(ahead));
        ahead_hashes[ahead % kAhead] = hash;
        index.Prefetch(hash);
      }
      k = index.TakeFirstAfter(a.Text(i), ahead_hashes[i % kAhead], last);
      if (k == -1) continue;
    }
    a[i].partner = k;
    b[k].partner = static_cast<int32_t>(i);
    last = k;
  }
}

}  // namespace tv
