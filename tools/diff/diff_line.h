// The line records of a compared file. The texts of all lines of one file
// live in large blocks owned by the array, so that loading a big file costs
// a few allocations instead of one per line, and each record's text is a
// view into them.
#ifndef TV_TOOLS_DIFF_DIFF_LINE_H_
#define TV_TOOLS_DIFF_DIFF_LINE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tv {

enum DiffKind : int32_t {
  DIFF_SAME = 0,
  DIFF_ADDED = 1,    // second-file lines only
  DIFF_DELETED = 2,  // first-file lines only
  DIFF_CHANGED = 3,
};

struct DiffLine {
  int32_t partner = -1;  // index of the paired line of the other file
  DiffKind kind = DIFF_SAME;
  bool shown = false;    // the line belongs to a printed hunk
  std::u16string_view text;  // without its line end; owned by the array
};

class DiffLineArray {
 public:
  DiffLineArray() = default;
  DiffLineArray(const DiffLineArray&) = delete;
  DiffLineArray& operator=(const DiffLineArray&) = delete;

  size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  DiffLine& operator[](size_t i) { return lines_[i]; }
  const DiffLine& operator[](size_t i) const { return lines_[i]; }

  // Appends a new record holding a copy of text. Throws std::bad_alloc when
  // memory runs out (or the line count no longer fits a record's index);
  // the array then holds the lines stored before.
  void Append(std::u16string_view text);

  // Lets a line be read in place: returns room for `units` units, valid
  // until the next call. CommitLine then appends a record for the first
  // `length` units of it (length <= units). Both may throw std::bad_alloc.
  char16_t* ReserveLine(size_t units);
  void CommitLine(size_t length);

  // Frees every record and text.
  void Clear();

 private:
  std::vector<DiffLine> lines_;
  std::vector<std::unique_ptr<char16_t[]>> blocks_;
  char16_t* free_ = nullptr;  // unused part of the newest block
  size_t room_ = 0;
  size_t last_block_units_ = 0;
};

}  // namespace tv

#endif  // TV_TOOLS_DIFF_DIFF_LINE_H_
