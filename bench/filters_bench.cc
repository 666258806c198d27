// Times the built filters on large generated inputs: sort on a
// 1 000 000-line Japanese text, vornak on a 100 MB text, each in the ways
// its input can arrive. When the host has its own sort and tr, their times
// on the same inputs are printed beside ours for reference.
//
//   filters_bench [BIN_DIR]

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/utf16.h"

extern char** environ;

namespace {

struct Timed {
  double seconds = 0;
  int status = -1;
};

// Runs argv with standard input from in_path and output to out_path.
Timed RunTimed(const std::vector<std::string>& argv, const std::string& in_path,
               const std::string& out_path, bool c_locale = false) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) {
    if (c_locale && std::string(*e).rfind("LC_ALL=", 0) == 0) continue;
    env_strings.push_back(*e);
  }
  if (c_locale) env_strings.push_back("LC_ALL=C");
  std::vector<char*> env;
  for (std::string& e : env_strings) env.push_back(e.data());
  env.push_back(nullptr);

  Timed timed;
  auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data()) == 0) {
    int status;
    waitpid(pid, &status, 0);
    timed.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  timed.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  return timed;
}

bool OnPath(const std::string& name) {
  std::string cmd = "command -v " + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

void Report(const char* what, const Timed& t) {
  if (t.status != 0) {
    std::printf("  %-44s failed (status %d)\n", what, t.status);
  } else {
    std::printf("  %-44s %7.3f s\n", what, t.seconds);
  }
}

// Best of three runs, to keep other load on the machine out of the figure.
Timed Best(const std::vector<std::string>& argv, const std::string& in, const std::string& out,
           bool c_locale = false) {
  Timed best;
  for (int i = 0; i < 3; ++i) {
    Timed t = RunTimed(argv, in, out, c_locale);
    if (t.status != 0) return t;
    if (i == 0 || t.seconds < best.seconds) best = t;
  }
  return best;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Japanese lines of kana, kanji, some ASCII and many repeats.
std::u16string JapaneseLines(size_t count) {
  std::mt19937 rng(2024);
  std::u16string text;
  std::vector<std::u16string> common;
  auto random_line = [&rng] {
    std::u16string line;
    for (size_t n = 4 + rng() % 24; n > 0; --n) {
      switch (rng() % 8) {
        case 0: case 1: case 2: line.push_back(static_cast<char16_t>(0x3041 + rng() % 83)); break;
        case 3: case 4: line.push_back(static_cast<char16_t>(0x30A1 + rng() % 86)); break;
        case 5: case 6: line.push_back(static_cast<char16_t>(0x4E00 + rng() % 3000)); break;
        default: line.push_back(static_cast<char16_t>(u'0' + rng() % 10)); break;
      }
    }
    return line;
  };
  for (int i = 0; i < 1000; ++i) common.push_back(random_line());
  for (size_t i = 0; i < count; ++i) {
    text += (rng() % 10 == 0) ? common[rng() % common.size()] : random_line();
    text.push_back(u'\n');
  }
  return text;
}

// About `bytes` of mixed text: mostly ASCII prose with Japanese lines.
std::u16string MixedText(size_t bytes) {
  std::mt19937 rng(7);
  const char16_t* words[] = {u"the ", u"quick ", u"brown ", u"fox ", u"jumps ", u"over ",
                             u"lazy ", u"dog ", u"Sphinx ", u"of ", u"black ", u"quartz, "};
  std::u16string text;
  size_t utf8 = 0;
  while (utf8 < bytes) {
    if (rng() % 5 == 0) {
      std::u16string line = u"日本語のテキストです。かなカナ漢字。";
      text += line;
      utf8 += line.size() * 3;
    } else {
      for (int w = 0; w < 12; ++w) {
        std::u16string_view word = words[rng() % 12];
        text += word;
        utf8 += word.size();
      }
    }
    text.push_back(u'\n');
    ++utf8;
  }
  return text;
}

// The tools take device paths: backslashes.
std::string DevicePath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string Utf16Le(const std::u16string& text) {
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  std::string bin = argc > 1 ? argv[1] : TV_BIN_DIR;
  char tmpl[] = "/tmp/tv_bench_XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  std::string dir = tmpl;
  std::string out = dir + "/out";
  bool host_sort = OnPath("sort");
  bool host_tr = OnPath("tr");

  std::printf("Generating inputs in %s ...\n", dir.c_str());
  std::u16string lines = JapaneseLines(1000000);
  WriteFile(dir + "/lines.utf8", tv::Utf16ToUtf8(lines));
  WriteFile(dir + "/lines.sjis", tv::Utf16ToCp932(lines));
  WriteFile(dir + "/lines.utf16", Utf16Le(lines));
  std::u16string mixed = MixedText(100 * 1000 * 1000);
  WriteFile(dir + "/mixed.utf8", tv::Utf16ToUtf8(mixed));
  WriteFile(dir + "/mixed.sjis", tv::Utf16ToCp932(mixed));
  lines.clear();
  mixed.clear();

  std::printf("sort, 1 000 000 Japanese lines (best of 3):\n");
  std::string sort = bin + "/sort";
  Report("standard input, UTF-8", Best({sort}, dir + "/lines.utf8", out));
  Report("file, code page 932", Best({sort, DevicePath(dir + "/lines.sjis")}, "/dev/null", out));
  Report("file, /U UTF-16", Best({sort, "/U", DevicePath(dir + "/lines.utf16")}, "/dev/null", out));
  Report("standard input, /R", Best({sort, "/R"}, dir + "/lines.utf8", out));
  if (host_sort) {
    // The host's sort, by byte order like ours by code units.
    Report("host sort, LC_ALL=C, standard input", Best({"/usr/bin/env", "sort"}, dir + "/lines.utf8", out, true));
  }

  std::printf("vornak, 100 MB of mixed text (best of 3):\n");
  std::string vornak = bin + "/vornak";
  Report("standard input, UTF-8", Best({vornak}, dir + "/mixed.utf8", out));
  Report("file, code page 932", Best({vornak, DevicePath(dir + "/mixed.sjis")}, "/dev/null", out));
  if (host_tr) {
    Report("host tr a-z A-Z, standard input", Best({"tr", "a-z", "A-Z"}, dir + "/mixed.utf8", out, true));
  }

  std::string cleanup = "rm -rf '" + dir + "'";
  return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
