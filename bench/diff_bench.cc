// Times diff on two large generated files with scattered edits: the whole
// run, and its loading and comparing parts apart (best of three each).
//
//   diff_bench [lines...]     (default: 100000 1000000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/posix_env.h"
#include "platform/utf16.h"
#include "platform/wide_reader.h"
#include "platform/wide_writer.h"
#include "tools/diff/compare_files.h"
#include "tools/diff/diff_main.h"
#include "tools/diff/load_lines.h"

namespace {

// Standard output that only counts, so that the terminal is not timed.
class CountingSink : public tv::ByteSink {
 public:
  size_t Write(const void*, size_t n) override {
    bytes += n;
    return n;
  }
  size_t bytes = 0;
};

class BenchEnv : public tv::PosixEnv {
 public:
  tv::ByteSink& StdOut() override { return out; }
  CountingSink out;
};

// Program-like text whose lines are all distinct (each carries its number):
// the tool pairs greedily, so with many repeated lines (blank lines, lone
// braces) one edit can leave the rest of the file unpaired, and the run
// would time the printing of a report as long as the files.
std::string MakeLine(std::mt19937& rng, int i) {
  static const char* const kWords[] = {"int", "return", "value", "count", "if", "for",
                                       "buffer", "size_t", "const", "line", "next", "end"};
  std::string line(2 * (rng() % 4), ' ');
  for (int w = 2 + rng() % 6; w > 0; --w) {
    line += kWords[rng() % 12];
    line += ' ';
  }
  return line + std::to_string(i) + ";";
}

// Writes the pair; about one line in 500 of the second file is changed,
// inserted or deleted.
void WritePair(const std::string& first, const std::string& second, int lines) {
  std::mt19937 rng(lines);
  std::ofstream a(first, std::ios::binary), b(second, std::ios::binary);
  for (int i = 0; i < lines; ++i) {
    std::string line = MakeLine(rng, i);
    a << line << "\r\n";
    switch (rng() % 500) {
      case 0: b << line << " // changed\r\n"; break;
      case 1: b << "inserted " << i << "\r\n" << line << "\r\n"; break;
      case 2: break;  // deleted
      default: b << line << "\r\n"; break;
    }
  }
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::u16string DevicePath(const std::string& path) {
  std::u16string device = tv::Utf8ToUtf16(path);
  for (char16_t& unit : device) {
    if (unit == u'/') unit = u'\\';
  }
  return device;
}

// The best of a few runs: other work on the machine only ever adds time.
template <typename F>
double Best(F run) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, Seconds(start));
  }
  return best;
}

void Load(tv::Env& env, const std::string& path, tv::DiffLineArray* lines) {
  tv::WideReader reader(env.OpenFile(DevicePath(path)), tv::InputMode::kText);
  tv::LoadLines(&reader, lines);
}

// Compares freshly loaded copies, so that each run starts from unpaired lines.
double TimeCompare(tv::Env& env, const std::string& first, const std::string& second,
                   bool ignore_blanks) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    tv::DiffLineArray a, b;
    Load(env, first, &a);
    Load(env, second, &b);
    CountingSink sink;
    tv::WideWriter out(&sink);
    auto start = std::chrono::steady_clock::now();
    tv::CompareFiles(a, b, ignore_blanks, out);
    out.Flush();
    best = std::min(best, Seconds(start));
  }
  return best;
}

void Bench(const std::string& folder, int lines) {
  std::string first = folder + "/a" + std::to_string(lines) + ".txt";
  std::string second = folder + "/b" + std::to_string(lines) + ".txt";
  WritePair(first, second, lines);

  BenchEnv env;
  int status = 0;
  double total = Best([&] {
    env.out.bytes = 0;
    status = tv::DiffMain(env, DevicePath(first) + u" " + DevicePath(second));
  });
  double load = Best([&] {
    tv::DiffLineArray a, b;
    Load(env, first, &a);
    Load(env, second, &b);
  });
  double compare = TimeCompare(env, first, second, false);
  double compare_ignoring = TimeCompare(env, first, second, true);
  std::printf("%8d lines: diff %.3f s (exit %d, report %zu bytes); load %.3f s, compare %.3f s,"
              " compare /I %.3f s\n",
              lines, total, status, env.out.bytes, load, compare, compare_ignoring);
  std::filesystem::remove(first);
  std::filesystem::remove(second);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100000, 1000000};
  std::string folder = std::filesystem::temp_directory_path() / "diff_bench_XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  for (int lines : sizes) Bench(folder, lines);
  std::filesystem::remove_all(folder);
  return 0;
}
