#include "tools/diff/report.h"

#include <string>

namespace tv {

namespace {

bool IsStarred(const DiffLineArray& lines, int first, int last) {
  if (last < first) return true;
  return last - first < 2 && lines[first].kind == DIFF_SAME && lines[last].kind == DIFF_SAME;
}

void PrintLine(WideWriter& out, std::u16string_view mark, std::u16string_view text) {
  out.PutString(mark);
  out.PutString(text);
  out.PutUnit(u'\n');
}

}  // namespace

void PrintEncodingHeader(WideWriter& out, InputMode first, InputMode second) {
  auto name = [](InputMode mode) -> std::u16string_view {
    return mode == InputMode::kUnicode    ? u"[Unicode]"
           : mode == InputMode::kUtf8Text ? u"[UTF-8]"
                                          : u"[シフトJIS]";
  };
  out.PutLine(u"< " + std::u16string(name(first)));
  out.PutLine(u"> " + std::u16string(name(second)));
  out.PutLine(u"--------------");
}

void PrintHunk(WideWriter& out, const DiffLineArray& a, int b1, int e1, const DiffLineArray& b,
               int b2, int e2) {
  bool first_starred = IsStarred(a, b1, e1);
  bool second_starred = IsStarred(b, b2, e2);
  // Line numbers count the lines left out at the front.
  const long first = static_cast<long>(a.base()) + 1;
  const long second = static_cast<long>(b.base()) + 1;
  if (first_starred) {
    out.Printf(u"\n*,%d-%d\n", {b2 + second, e2 + second});
  } else if (second_starred) {
    out.Printf(u"\n%d-%d,*\n", {b1 + first, e1 + first});
  } else {
    out.Printf(u"\n%d-%d,%d-%d\n", {b1 + first, e1 + first, b2 + second, e2 + second});
  }
  if (!first_starred) {
    for (int i = b1; i <= e1; ++i) {
      switch (a[i].kind) {
        case DIFF_DELETED: PrintLine(out, u"-<", a.Text(i)); break;
        case DIFF_CHANGED: PrintLine(out, u"!<", a.Text(i)); break;
        default: PrintLine(out, u" <", a.Text(i)); break;
      }
    }
  }
  out.PutLine(u" ---");
  if (!second_starred) {
    for (int i = b2; i <= e2; ++i) {
      switch (b[i].kind) {
        case DIFF_ADDED: PrintLine(out, u"+>", b.Text(i)); break;
        case DIFF_CHANGED: PrintLine(out, u"!>", b.Text(i)); break;
        default: PrintLine(out, u" >", b.Text(i)); break;
      }
    }
  }
}

}  // namespace tv
