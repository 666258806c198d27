// The line records of a compared file. The decoded text of a file lives in
// one buffer owned by its array, line ends and all; each record holds where
// its line lies in it, so that loading costs no allocation per line.
#ifndef TV_TOOLS_DIFF_DIFF_LINE_H_
#define TV_TOOLS_DIFF_DIFF_LINE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tv {

enum DiffKind : int8_t {
  DIFF_SAME = 0,
  DIFF_ADDED = 1,    // second-file lines only
  DIFF_DELETED = 2,  // first-file lines only
  DIFF_CHANGED = 3,
};

struct DiffLine {
  int32_t partner = -1;  // index of the paired line of the other file
  DiffKind kind = DIFF_SAME;
  bool shown = false;    // the line belongs to a printed hunk
  uint64_t place = 0;    // start << kLengthBits | length, in the array's text
};

// Records are placed in raw memory and never destroyed one by one.
static_assert(std::is_trivially_destructible_v<DiffLine>);

class DiffLineArray {
 public:
  // Lines are at most 10239 units long.
  static constexpr int kLengthBits = 14;

  DiffLineArray() = default;
  DiffLineArray(const DiffLineArray&) = delete;
  DiffLineArray& operator=(const DiffLineArray&) = delete;

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  DiffLine& operator[](size_t i) { return chunks_[i >> kChunkBits][i & kChunkMask]; }
  const DiffLine& operator[](size_t i) const { return chunks_[i >> kChunkBits][i & kChunkMask]; }

  // The text of line i, without its line end.
  std::u16string_view Text(size_t i) const {
    uint64_t place = (*this)[i].place;
    return {text_.get() + (place >> kLengthBits), place & ((uint64_t{1} << kLengthBits) - 1)};
  }

  // How many lines of the file come before line 0: lines left out at the
  // front (equal in both files). Line i is line base() + i of the file.
  size_t base() const { return base_; }

  // Appends a record holding a copy of text (at most 10239 units). Throws
  // std::bad_alloc when memory runs out (or the line count no longer fits
  // a record's index); the array then holds the lines stored before.
  void Append(std::u16string_view text);

  // The decoded text: units [0, used()) are in; Room(n) makes room for at
  // least n more at used() (keeping what is in; may throw std::bad_alloc),
  // and Added(n) takes n units written there.
  char16_t* text() { return text_.get(); }
  size_t used() const { return used_; }
  char16_t* Room(size_t units);
  void Added(size_t units) { used_ += units; }
  // The room to ask for at once: the whole text of a file of this many
  // bytes, in units, when it is known. A failing request falls back to
  // growing.
  void ExpectUnits(size_t units) { expected_ = units; }

  // Appends a record for text()[start, start + length). May throw
  // std::bad_alloc.
  void AddLine(size_t start, size_t length);

  // Drops the text before unit `start` and every record (they must all lie
  // before it), counting `lines` more lines as left out at the front.
  void DropFront(size_t start, size_t lines);

  // Frees every record and text.
  void Clear();

 private:
  // Records live in chunks of 4 MB, taken raw: a page of one is touched
  // only when a record is written to it.
  static constexpr int kChunkBits = 18;
  static constexpr size_t kChunkMask = (size_t{1} << kChunkBits) - 1;
  struct FreeChunk {
    void operator()(DiffLine* chunk) const { ::operator delete[](chunk); }
  };

  std::vector<std::unique_ptr<DiffLine[], FreeChunk>> chunks_;
  size_t size_ = 0;
  std::unique_ptr<char16_t[]> text_;
  size_t used_ = 0;
  size_t capacity_ = 0;
  size_t expected_ = 0;
  size_t base_ = 0;
};

}  // namespace tv

#endif  // TV_TOOLS_DIFF_DIFF_LINE_H_
