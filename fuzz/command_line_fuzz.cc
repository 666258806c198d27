// The command-line scans over random command lines, each in an exact-size
// heap block ended by its zero unit, with a random published directory (or
// none, or one that fills the share with no zero unit): the filters' option
// scan, KANVO's option scan, the three path resolutions into exact-size
// path buffers, and then each tool's whole run on a few in-memory files.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_util.h"
#include "platform/fake_env.h"
#include "runtime/option_scan.h"
#include "runtime/path_argument.h"
#include "tools/diff/diff_main.h"
#include "tools/kanvo/kanvo.h"
#include "tools/kanvo/kanvo_options.h"
#include "tools/sort/sort.h"
#include "tools/vornak/vornak.h"

using tv::fuzz::ExactUnits;

namespace {

bool IsBlankOrTab(char16_t u) { return u == u' ' || u == u'\t'; }

// The device runtime's wide white-space class, which trims KANVO's names.
bool IsWideSpace(char16_t u) {
  return u == u' ' || (u >= 0x09 && u <= 0x0D) || u == 0x85 || u == 0xA0 || u == 0x1680 ||
         (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x205F ||
         u == 0x3000;
}

// Whether the argument from p (up to end) names an absolute path: after an
// opening quotation mark and white space, a backslash.
bool NamesAbsolutePath(const char16_t* p, const char16_t* end) {
  while (p < end && IsBlankOrTab(*p)) ++p;
  if (p < end && *p == u'"') ++p;
  while (p < end && IsWideSpace(*p)) ++p;
  return p < end && *p == u'\\';
}

bool Within(const char16_t* p, const ExactUnits& line) {
  return p >= line.begin() && p <= line.end();
}

// The directory the simple joins put before a relative name: the share's
// text up to its zero unit, or nothing.
std::u16string PublishedDirectory(const std::optional<std::u16string>& share) {
  if (!share) return u"";
  std::u16string units = share->substr(0, tv::kShareUnits);
  size_t zero = units.find(u'\0');
  if (zero == std::u16string::npos) return units.size() < tv::kShareUnits ? units : u"";
  return units.substr(0, zero);
}

// The simple joins as first described: directory text, then the name; a
// result that does not fit the path buffer is refused (empty); trailing
// blanks and tabs dropped. *after gets the position after the argument.
std::u16string PlainJoin(const std::optional<std::u16string>& share, const char16_t* text,
                         bool whole_rest, const char16_t** after) {
  bool quoted = *text == u'"';
  if (quoted) {
    ++text;
    while (IsBlankOrTab(*text)) ++text;
  }
  std::u16string joined = *text == u'\\' ? u"" : PublishedDirectory(share);
  const char16_t* end = text;
  if (quoted) {
    while (*end != 0 && *end != u'"') ++end;
  } else {
    while (*end != 0 && (whole_rest || !IsBlankOrTab(*end))) ++end;
  }
  std::u16string name(text, end);
  *after = (quoted && *end == u'"') ? end + 1 : end;
  // The name of standard input is never joined to a directory.
  std::u16string trimmed = name;
  while (!trimmed.empty() && IsBlankOrTab(trimmed.back())) trimmed.pop_back();
  if (trimmed == tv::kStandardStreamName) return trimmed;
  joined += name;
  if (joined.size() + 1 > tv::kPathUnits) return u"";
  while (!joined.empty() && IsBlankOrTab(joined.back())) joined.pop_back();
  return joined;
}

// The text of a path buffer, which must hold its zero unit.
std::u16string BufferText(const char16_t* buffer) {
  const char16_t* zero = std::find(buffer, buffer + tv::kPathUnits, u'\0');
  FUZZ_CHECK(zero != buffer + tv::kPathUnits);
  return std::u16string(buffer, zero);
}

void CheckFilterScan(const ExactUnits& line, std::u16string_view known) {
  tv::OptionScan scan = tv::ScanOptions(line.begin(), known);
  if (scan.help || scan.file_argument == nullptr) return;
  FUZZ_CHECK(Within(scan.file_argument, line) && scan.file_argument < line.end());
  char16_t first = *scan.file_argument;
  FUZZ_CHECK(first != 0 && first != u'/' && !IsBlankOrTab(first));
}

void CheckSimpleJoins(tv::Env& env, const std::optional<std::u16string>& share,
                      const ExactUnits& line) {
  std::unique_ptr<char16_t[]> buffer(new char16_t[tv::kPathUnits]);
  const char16_t* after = nullptr;
  if (*line.begin() != 0) {  // the filters resolve only a present argument
    tv::ResolveFileArgument(env, buffer.get(), line.begin());
    FUZZ_CHECK(BufferText(buffer.get()) == PlainJoin(share, line.begin(), true, &after));
  }
  // diff takes up to two arguments, one after the other.
  const char16_t* cursor = line.begin();
  for (int argument = 0; argument < 2 && *cursor != 0; ++argument) {
    const char16_t* next = tv::ResolveNextFileArgument(env, buffer.get(), cursor);
    FUZZ_CHECK(BufferText(buffer.get()) == PlainJoin(share, cursor, false, &after));
    FUZZ_CHECK(next == after && Within(next, line));
    cursor = next;
    while (IsBlankOrTab(*cursor)) ++cursor;
  }
  FUZZ_CHECK(tv::ResolveNextFileArgument(env, nullptr, line.begin()) == nullptr);
}

void CheckTakePath(tv::Env& env, const std::optional<std::u16string>& share,
                   const ExactUnits& line) {
  bool has_directory = !PublishedDirectory(share).empty();
  const char16_t* cursor = line.begin();
  std::u16string path;
  while (*cursor != 0) {
    const char16_t* before = cursor;
    tv::TakePathArgument(env, &cursor, &path);
    FUZZ_CHECK(Within(cursor, line) && cursor > before);
    if (NamesAbsolutePath(before, cursor)) {
      FUZZ_CHECK(path[0] == u'\\');  // taken as it stands
      continue;
    }
    if (path.empty() || path[0] != u'\\') {
      // Left relative only when no directory could be had, or as the name
      // of standard input.
      FUZZ_CHECK(path.empty() || !has_directory || path == tv::kStandardStreamName);
      continue;
    }
    // A folded path: no "." or ".." is left among its components.
    for (size_t start = 1; start <= path.size();) {
      size_t end = std::min(path.find(u'\\', start), path.size());
      std::u16string_view component(path.data() + start, end - start);
      FUZZ_CHECK(component != u"." && component != u"..");
      start = end + 1;
    }
  }
}

void CheckKanvoScan(const ExactUnits& line) {
  kanvo::KanvoOptions options;
  if (kanvo::ScanKanvoOptions(line.begin(), &options) != kanvo::ScanResult::kNames) return;
  FUZZ_CHECK(Within(options.names, line) && *options.names != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fuzz(data, size);
  tv::FakeEnv env;
  switch (fuzz.ConsumeIntegralInRange(0, 3)) {
    case 0:
      break;  // no shell has published a directory
    case 1:
      env.share = u"\\w\\";
      break;
    case 2:
      env.share = tv::fuzz::ConsumeCommandText(fuzz, fuzz.ConsumeIntegralInRange<size_t>(0, 300));
      break;
    default:
      env.share = std::u16string(tv::kShareUnits, u'd');  // no zero unit
      break;
  }
  std::u16string answers = tv::fuzz::ConsumeCommandText(fuzz, 2);
  ExactUnits line(tv::fuzz::ConsumeCommandText(fuzz, 600));

  CheckFilterScan(line, u"RUQ");
  CheckFilterScan(line, u"U");
  CheckKanvoScan(line);
  CheckSimpleJoins(env, env.share, line);
  CheckTakePath(env, env.share, line);

  // Each tool's whole run. Nothing the tools were given may go missing.
  env.AddFile("/w/a.txt", "a\r\nb\r\n");
  env.AddFile("/w/b.txt", std::string("\xFF\xFE"
                                      "a\0\n\0",
                                      6));
  env.AddFile("/w/ro.txt", "read-only");
  env.files["/w/ro.txt"].read_only = true;
  env.AddDirectory("/w/d");
  for (char16_t answer : answers) env.answers.push_back(answer % 2 == 0);
  std::u16string text(line.begin(), line.end());
  int status = kanvo::KanvoMain(env, text);
  FUZZ_CHECK(status == 0 || status == 1);
  status = tv::DiffMain(env, text);
  FUZZ_CHECK(status == 0 || status == 1);
  status = tv::sort::ToolMain(env, text);
  FUZZ_CHECK(status == 0 || status == -1);
  status = tv::vornak::ToolMain(env, text);
  FUZZ_CHECK(status == 0 || status == -1);
  for (const char* name : {"/w/a.txt", "/w/b.txt", "/w/ro.txt", "/w/d"}) {
    FUZZ_CHECK(env.files.count(name) == 1);
  }
  FUZZ_CHECK(env.files["/w/d"].directory);
  return 0;
}
