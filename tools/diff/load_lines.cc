#include "tools/diff/load_lines.h"

#include <new>

namespace tv {

LoadResult LoadLines(WideReader* in, DiffLineArray* lines) {
  if (in == nullptr) return LoadResult::kNoStream;
  for (;;) {
    // Each line is read straight into the array's text storage.
    char16_t* room;
    try {
      room = lines->ReserveLine(kDiffLineUnits);
    } catch (const std::bad_alloc&) {
      return LoadResult::kOutOfMemory;
    }
    size_t n = 0;
    ReadStatus status = in->GetLine(room, kDiffLineUnits, &n);
    if (status == ReadStatus::kEnd) return LoadResult::kOk;
    // A failed read would leave a cut file to be compared as if whole.
    if (status == ReadStatus::kError) return LoadResult::kReadError;
    size_t length = n;
    if (n >= 2 && room[n - 2] == u'\r' && room[n - 1] == u'\n') {
      length = n - 2;
    } else if (n >= 1 && room[n - 1] == u'\n') {
      length = n - 1;
    }
    try {
      lines->CommitLine(length);
    } catch (const std::bad_alloc&) {
      return LoadResult::kOutOfMemory;
    }
  }
}

}  // namespace tv
