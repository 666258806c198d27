// kanvo_bench: times the built KANVO program on a generated Japanese text of
// about 100 MB (as Shift_JIS) in each input code, converted to UTF-8 and to
// Shift_JIS, and reports throughput and the peak memory of each run.
//
//   kanvo_bench [--mb N] [--dir FOLDER] [--newline CRLF|CR|LF] [--kanvo PATH]
//
// The text has LF line breaks; with --newline CRLF they are rewritten too.
#include <limits.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp932.h"
#include "tools/kanvo/convert.h"
#include "tools/kanvo/kanvo_types.h"
#include "tools/kanvo/output_writer.h"

namespace {

// Ordinary Japanese: kana, common kanji, full-width punctuation, some ASCII.
constexpr char16_t kKanji[] =
    u"日本語文字変換時間場所会社学校電話仕事情報自動車新聞国家世界地方政府経済社会文化"
    u"歴史科学技術研究開発計画問題結果方法理由説明意見関係以上以下今日明日毎年最近";
constexpr char16_t kKana[] =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    u"がぎぐげござじずぜぞだでどばびぶべぼ"
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモラリルレロン";
constexpr const char16_t* kAscii[] = {u"KANVO", u"UTF-8", u"2024", u"OK", u"data", u"file"};

std::string GenerateSjis(size_t bytes) {
  std::mt19937 random(20240601);
  std::u16string line;
  std::string text;
  text.reserve(bytes + 256);
  size_t kanji = std::char_traits<char16_t>::length(kKanji);
  size_t kana = std::char_traits<char16_t>::length(kKana);
  while (text.size() < bytes) {
    line.clear();
    int length = 20 + static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) {
      unsigned pick = random() % 100;
      if (pick < 40) {
        line.push_back(kKanji[random() % kanji]);
      } else if (pick < 90) {
        line.push_back(kKana[random() % kana]);
      } else if (pick < 95) {
        line.push_back(i % 2 ? u'、' : u'。');
      } else {
        line += u' ';
        line += kAscii[random() % std::size(kAscii)];
        line += u' ';
      }
    }
    line.push_back(u'\n');
    text += tv::Utf16ToCp932(line);
  }
  return text;
}

bool WriteFile(const std::string& path, const std::string& mark, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(mark.data(), static_cast<std::streamsize>(mark.size()));
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

struct RunResult {
  int status = -1;
  double seconds = 0;
  long peak_kib = 0;
};

RunResult Run(const std::vector<std::string>& argv) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.peak_kib = usage.ru_maxrss;
  return result;
}

std::string DefaultKanvo() {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "KANVO";
  exe[n] = '\0';
  std::string dir(exe);
  return dir.substr(0, dir.rfind('/') + 1) + "KANVO";
}

// KANVO takes device paths: a leading slash would start an option.
std::string DevicePath(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = 100;
  std::string dir = "/tmp";
  std::string newline = "LF";
  std::string kanvo = DefaultKanvo();
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--mb"))
      megabytes = std::strtoul(argv[i + 1], nullptr, 10);
    else if (!std::strcmp(argv[i], "--dir"))
      dir = argv[i + 1];
    else if (!std::strcmp(argv[i], "--newline"))
      newline = argv[i + 1];
    else if (!std::strcmp(argv[i], "--kanvo"))
      kanvo = argv[i + 1];
  }
  char folder_template[PATH_MAX];
  std::snprintf(folder_template, sizeof folder_template, "%s/kanvo_bench_XXXXXX", dir.c_str());
  if (mkdtemp(folder_template) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string folder = folder_template;

  // All inputs are written first and every buffer is released before the
  // runs: a child's peak memory counts what it shared with this process
  // before its exec.
  std::printf("generating %zu MB of Shift_JIS text...\n", megabytes);
  const char* codes[] = {"SJIS", "JIS", "EUC", "UTF8", "UTF8N", "UNICODE"};
  std::vector<double> sizes;
  {
    std::string sjis = GenerateSjis(megabytes * 1000 * 1000);
    for (const char* code : codes) {
      std::string text, mark;
      std::string_view name = code;
      if (name == "SJIS") {
        text = sjis;
      } else if (name == "JIS") {
        kanvo::SjisToJis(sjis, &text);
      } else if (name == "EUC") {
        kanvo::SjisToEuc(sjis, &text);
      } else if (name == "UNICODE") {
        kanvo::NewlineKind kind;
        kanvo::AssembleUtf16Output(sjis, kanvo::NL_LF, kanvo::NL_LF, &text, &kind);
        mark = "\xFF\xFE";
      } else {
        kanvo::SjisToUtf8(sjis, &text);
        if (name == "UTF8") mark = "\xEF\xBB\xBF";
      }
      std::string path = folder + "/in_" + code + ".txt";
      if (!WriteFile(path, mark, text)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
      sizes.push_back((mark.size() + text.size()) / 1e6);
    }
  }
  malloc_trim(0);

  std::printf("%-8s %-6s %10s %9s %10s %9s\n", "input", "output", "input MB", "seconds", "MB/s",
              "peak MB");
  int failures = 0;
  for (size_t i = 0; i < std::size(codes); ++i) {
    std::string in_path = folder + "/in_" + codes[i] + ".txt";
    for (const char* output : {"UTF8", "SJIS"}) {
      std::string out_path = folder + "/out.txt";
      unlink(out_path.c_str());
      RunResult r = Run({kanvo, "/I", codes[i], "/O", output, "/N", newline, DevicePath(in_path),
                         DevicePath(out_path)});
      if (r.status != 0) ++failures;
      std::printf("%-8s %-6s %10.1f %9.3f %10.1f %9.1f%s\n", codes[i], output, sizes[i], r.seconds,
                  sizes[i] / r.seconds, r.peak_kib / 1024.0, r.status == 0 ? "" : "  FAILED");
      std::fflush(stdout);
    }
    unlink(in_path.c_str());
  }
  unlink((folder + "/out.txt").c_str());
  rmdir(folder.c_str());
  return failures == 0 ? 0 : 1;
}
