#include "tools/diff/diff_command_line.h"

#include <algorithm>
#include <cstdint>

#include "runtime/filter_input.h"
#include "runtime/path_argument.h"

namespace tv {

namespace {
// How much of a file IsUnicodeFile looks at.
constexpr size_t kDetectBytes = 1024;
// The name as the command line gives it, without its quotation marks and
// the blanks inside them: what a message says when no path could be formed
// from it (the shell's folder and the name together too long).
std::u16string GivenName(const char16_t* begin, const char16_t* after) {
  const char16_t* end = after;
  if (*begin == u'"') {
    ++begin;
    while (begin < end && (*begin == u' ' || *begin == u'\t')) ++begin;
    if (end > begin && end[-1] == u'"') --end;
  }
  while (end > begin && (end[-1] == u' ' || end[-1] == u'\t')) --end;
  return std::u16string(begin, end);
}

}  // namespace

const char16_t* SkipArgumentBlanks(const char16_t* p, bool ideographic) {
  if (p == nullptr) return nullptr;
  while (*p == u' ' || *p == u'\t' || (ideographic && *p == u'\u3000')) ++p;
  return p;
}

bool IsDiffOption(const char16_t* p, char16_t lower_letter) {
  return p[0] == u'/' && (p[1] == lower_letter || p[1] == lower_letter - (u'a' - u'A'));
}

void PrintUsage(WideWriter& out) {
  out.PutLine(u"使用方法:");
  out.PutLine(u"  diff [/I] [/U] file1 [/U] file2");
  out.PutLine(u"");
  out.PutLine(u" /I  空白文字のみの差異なら無視");
  out.PutLine(u" /U  Unicodeファイルとして処理");
  out.PutLine(u"file1, file2 比較対照のファイル");
}

bool IsUnicodeFile(Env& env, const char16_t* path) {
  std::unique_ptr<ByteSource> file = env.OpenFile(path);
  if (!file) return false;
  // A source of unknown size (a pipe) is not read: the bytes taken here
  // would be missing from the stream that reads the lines.
  int64_t size = file->Size();
  if (size <= 0) return false;
  unsigned char bytes[kDetectBytes];
  size_t want = static_cast<size_t>(std::min<int64_t>(size, kDetectBytes));
  size_t got = 0;
  while (got < want) {
    ptrdiff_t n = file->Read(bytes + got, want - got);
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bool mark = got >= 2 &&
              ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
  return mark || std::find(bytes, bytes + got, 0) != bytes + got;
}

CompareFile OpenCompareFile(Env& env, WideWriter& out, const char16_t** cursor, int file_number,
                            CodePageSetting code_page) {
  CompareFile file;
  const char16_t* p = *cursor;
  if (p == nullptr || *p == 0) {
    out.Printf(kDiffSpecifyFile, {file_number});
    PrintUsage(out);
    return file;
  }
  bool forced_unicode = false;
  if (IsDiffOption(p, u'u')) {
    forced_unicode = true;
    p = SkipArgumentBlanks(p + 2, false);
    // A /U with no name after it would otherwise resolve to the bare
    // current directory and be reported as a folder.
    if (*p == 0) {
      *cursor = p;
      out.Printf(kDiffSpecifyFile, {file_number});
      PrintUsage(out);
      return file;
    }
  }
  char16_t path[kPathUnits];
  const char16_t* argument = p;
  p = ResolveNextFileArgument(env, path, p);
  *cursor = p;
  if (p == nullptr) {
    out.Printf(kDiffBadFileArgument, {file_number});
    PrintUsage(out);
    return file;
  }
  file.path = path;
  FileAttributes attributes = env.GetFileAttributes(file.path);
  if (!attributes.exists) {
    out.Printf(kDiffFileMissing, {file.path.empty() ? GivenName(argument, p) : file.path});
    return file;
  }
  if (attributes.directory) {
    out.Printf(kDiffFileIsFolder, {file_number, file.path});
    return file;
  }
  file.unicode = forced_unicode || IsUnicodeFile(env, path);
  std::unique_ptr<ByteSource> source = env.OpenFile(file.path);
  if (!source) {
    out.Printf(kDiffOpenFailed, {file.path});
    return file;
  }
  file.mode = file.unicode ? InputMode::kUnicode : ChooseTextMode(code_page, &source);
  file.stream = std::make_unique<WideReader>(std::move(source), file.mode);
  if (file.unicode) SkipByteOrderMark(*file.stream);
  *cursor = SkipArgumentBlanks(p, true);
  return file;
}

}  // namespace tv
