#include "tools/diff/compare_files.h"

#include "tools/diff/pair_lines.h"
#include "tools/diff/report.h"

namespace tv {

namespace {

int Count(const DiffLineArray& lines) { return static_cast<int>(lines.size()); }

}  // namespace

void ClassifyUnpaired(DiffLineArray& lines, const DiffLineArray& other, DiffKind one_sided) {
  int n = Count(lines);
  int m = Count(other);
  if (m == 0) {
    for (int i = 0; i < n; ++i) lines[i].kind = one_sided;
    return;
  }
  int s = 0;
  while (s < n) {
    if (lines[s].partner != -1) {
      ++s;
      continue;
    }
    int e = s;
    while (e < n && lines[e].partner == -1) ++e;
    // A run is one-sided when the stretch of the other file facing it (the
    // lines between the partners of the paired lines around it) is empty.
    DiffKind kind;
    if (s == 0) {
      kind = (e < n && lines[e].partner == 0) ? one_sided : DIFF_CHANGED;
    } else {
      int g = lines[s - 1].partner;
      if (g == m - 1) {
        kind = one_sided;
      } else if (e == n) {
        kind = DIFF_CHANGED;
      } else {
        kind = lines[e].partner == g + 1 ? one_sided : DIFF_CHANGED;
      }
    }
    for (int i = s; i < e; ++i) lines[i].kind = kind;
    s = e;
  }
}

void MarkContext(DiffLineArray& lines) {
  int n = Count(lines);
  for (int i = 0; i < n; ++i) {
    if (lines[i].kind == DIFF_SAME) continue;
    if (i > 0) lines[i - 1].shown = true;
    lines[i].shown = true;
    if (i + 1 < n) lines[i + 1].shown = true;
  }
}

void CarryShownOver(DiffLineArray& a, const DiffLineArray& b) {
  int n = Count(a);
  int m = Count(b);
  int h = 0;
  while (h < m) {
    if (!b[h].shown) {
      ++h;
      continue;
    }
    int l = h;
    while (l < m && b[l].shown) ++l;
    int u = b[h].partner;
    if (u == -1 && h == 0) u = 0;
    int t = b[l - 1].partner;
    if (t == -1 && l == m) t = n - 1;
    // The context marks leave the ends of an inner block paired, so u and
    // t are lines of a; the bounds only guard against the impossible.
    if (u >= 0 && t < n) {
      for (int i = u; i <= t; ++i) a[i].shown = true;
    }
    h = l;
  }
}

void PrintHunks(const DiffLineArray& a, const DiffLineArray& b, WideWriter& out) {
  int n = Count(a);
  int m = Count(b);
  if (n == 0) {
    // Every line of the second file is new: one hunk shows them all.
    if (m > 0) PrintHunk(out, a, 0, -1, b, 0, m - 1);
    return;
  }
  int start = 0;
  while (start < n && !out.failed()) {
    if (!a[start].shown) {
      ++start;
      continue;
    }
    int j = start;
    while (j < n && a[j].shown) ++j;
    int e = a[start].partner;
    if (e == -1 && start == 0) e = 0;
    // The first and the last hunk also take in the shown lines of b before
    // and after the partners of their ends.
    if (start == 0 && e < m && b[e].shown) {
      while (e > 0 && b[e - 1].shown) --e;
    }
    int c = a[j - 1].partner;
    if (c == -1 && j == n) c = m - 1;
    if (j == n && c >= 0 && b[c].shown) {
      while (c + 1 < m && b[c + 1].shown) ++c;
    }
    PrintHunk(out, a, start, j - 1, b, e, c);
    start = j;
  }
}

void CompareFiles(DiffLineArray& a, DiffLineArray& b, bool ignore_blanks, WideWriter& out) {
  PairLines(a, b, ignore_blanks);
  ClassifyUnpaired(a, b, DIFF_DELETED);
  ClassifyUnpaired(b, a, DIFF_ADDED);
  MarkContext(a);
  MarkContext(b);
  CarryShownOver(a, b);
  PrintHunks(a, b, out);
}

}  // namespace tv
