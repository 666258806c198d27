// KANVO over real Japanese text that nobody here wrote: the manual pages of
// the Debian package manpages-ja. Each page that code page 932 carries whole
// is made into every input code with iconv, converted back to Shift_JIS by
// KANVO, with the code named by /I and detected without it, and compared
// with iconv's code page 932 form of the original.
#include <errno.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/stat.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fake_env.h"
#include "testutil/run_program.h"
#include "tools/kanvo/kanvo.h"

namespace kanvo {
namespace {

constexpr char kPages[] = "/usr/share/man/ja";

// The bytes of `in` converted by iconv, or nothing when a character has no
// form in `to` (or `in` is not valid in `from`).
std::optional<std::string> Iconv(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  bool ok = iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1) &&
            iconv(cd, nullptr, nullptr, &dst, &dst_left) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - dst_left);
  return out;
}

struct Page {
  std::string name;
  std::string text;  // UTF-8, as packaged
};

// Every page, unpacked by one gzip run: its name, a zero byte, its text, a
// zero byte.
std::vector<Page> ReadPages() {
  tv::ProgramRun run = tv::RunProgram(
      "/bin/sh", {"-c",
                  "for f in \"$0\"/man*/*.gz; do printf '%s\\0' \"$f\"; gzip -dc \"$f\"; "
                  "printf '\\0'; done",
                  kPages});
  std::vector<Page> pages;
  size_t pos = 0;
  while (pos < run.out.size()) {
    size_t name_end = run.out.find('\0', pos);
    size_t text_end = name_end == std::string::npos ? name_end : run.out.find('\0', name_end + 1);
    if (text_end == std::string::npos) break;
    pages.push_back({run.out.substr(pos, name_end - pos),
                     run.out.substr(name_end + 1, text_end - name_end - 1)});
    pos = text_end + 1;
  }
  return pages;
}

// KANVO run in-process on `input`; the output file's bytes.
std::string Convert(const std::u16string& options, const std::string& input) {
  tv::FakeEnv env;
  env.share = u"\\w\\";
  env.AddFile("/w/in.txt", input);
  int status = KanvoMain(env, options + u" in.txt out.txt");
  EXPECT_EQ(status, 0) << env.stdout_text();
  auto it = env.files.find("/w/out.txt");
  return it == env.files.end() ? "(no output)" : it->second.bytes;
}

struct Code {
  std::u16string keyword;
  const char* iconv_name;
  std::string mark;
};

TEST(RealTextTest, ManualPagesInEveryInputCode) {
  struct stat st;
  if (stat(kPages, &st) != 0) {
    GTEST_SKIP() << kPages << " is missing: install the Debian package manpages-ja";
  }
  const Code codes[] = {
      {u"SJIS", "CP932", ""},      {u"EUC", "EUC-JP", ""},
      {u"JIS", "ISO-2022-JP", ""}, {u"UTF8", "UTF-8", "\xEF\xBB\xBF"},
      {u"UTF8N", "UTF-8", ""},     {u"UNICODE", "UTF-16LE", "\xFF\xFE"},
  };
  std::vector<Page> pages = ReadPages();
  ASSERT_GT(pages.size(), 1000u) << "manpages-ja holds fewer pages than expected";
  int carried = 0, conversions = 0, mended = 0, controls = 0;
  for (const Page& page : pages) {
    SCOPED_TRACE(page.name);
    std::optional<std::string> sjis = Iconv("CP932", "UTF-8", page.text);
    if (!sjis || page.text.find('\r') != std::string::npos) continue;
    ++carried;
    for (const char* dash : {"\u2014", "\u301C", "\u2016", "\u2212"}) {
      if (page.text.find(dash) != std::string::npos) {
        ++mended;
        break;
      }
    }
    for (unsigned char c : page.text) {
      if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
        ++controls;
        break;
      }
    }
    for (const Code& code : codes) {
      std::optional<std::string> input = Iconv(code.iconv_name, "UTF-8", page.text);
      if (!input) continue;  // a character this code lacks
      // iconv's EUC-JP reaches for JIS X 0212 (0x8F) where JIS X 0208 lacks
      // a character (U+FF5E, say); Shift_JIS has no form for those.
      if (code.keyword == u"EUC" && input->find('\x8F') != std::string::npos) continue;
      *input = code.mark + *input;
      ++conversions;
      // Named and detected; a failure names the page and the code.
      ASSERT_EQ(Convert(u"/I " + code.keyword + u" /O SJIS /N LF", *input), *sjis)
          << std::string(code.keyword.begin(), code.keyword.end()) << " named";
      ASSERT_EQ(Convert(u"/O SJIS /N LF", *input), *sjis)
          << std::string(code.keyword.begin(), code.keyword.end()) << " detected";
    }
    // And the way back, as iconv reads code page 932.
    ASSERT_EQ(Convert(u"/I SJIS /O UTF8N /N LF", *sjis), Iconv("UTF-8", "CP932", *sjis).value());
  }
  std::printf(
      "%d pages carried, %d conversions, %d with a mended character, %d with control bytes\n",
      carried, conversions, mended, controls);
  // What the package held when this was written: 808 pages that code page
  // 932 carries, 29 of them with a wave dash, and EUC-JP pages with a form
  // feed or 0x1A.
  EXPECT_GT(carried, 700);
  EXPECT_GT(conversions, 5 * carried);
  EXPECT_GT(mended, 20);
  EXPECT_GT(controls, 0);
}

}  // namespace
}  // namespace kanvo
