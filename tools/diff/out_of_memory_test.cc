// Allocation failures injected into the test process: once armed, the
// allocation with the given number fails as a real one would; the ones
// after it succeed again, as when the failed request was a large one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>

#include "platform/fake_env.h"
#include "platform/wide_reader.h"
#include "tools/diff/diff_main.h"
#include "tools/diff/load_lines.h"

namespace {
long g_allocations_left = -1;  // -1: never fail

__attribute__((noinline)) void InjectedFailure() { throw std::bad_alloc(); }
void* Allocate(size_t size) {
  if (g_allocations_left == 0) {
    g_allocations_left = -1;
    InjectedFailure();
  }
  if (g_allocations_left > 0) --g_allocations_left;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace tv {
namespace {

// Runs f with the allocation number `after` (0-based) failing.
template <typename F>
auto WithAllocationFailing(long after, F f) {
  g_allocations_left = after;
  auto result = f();
  g_allocations_left = -1;
  return result;
}

// Standard output kept in room reserved beforehand, so that writing it
// needs no allocation: a real console needs none either.
class ReservedSink : public ByteSink {
 public:
  ReservedSink() { bytes_.reserve(1 << 20); }
  size_t Write(const void* buf, size_t n) override {
    size_t count = std::min(n, bytes_.capacity() - bytes_.size());
    bytes_.append(static_cast<const char*>(buf), count);
    return count;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

class ReservedOutputEnv : public FakeEnv {
 public:
  ByteSink& StdOut() override { return out; }
  ReservedSink out;
};

std::string NumberedLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += "line " + std::string(i % 97, 'x') + std::to_string(i) + "\r\n";
  }
  return text;
}

TEST(OutOfMemoryTest, LoadingStopsAndKeepsTheLinesStoredBefore) {
  const int kLines = 3000;
  bool completed = false;
  for (long after = 0; !completed; ++after) {
    ASSERT_LT(after, 200) << "loading never completed";
    StringSource source(NumberedLines(kLines));
    WideReader reader(&source, InputMode::kText);
    DiffLineArray lines;
    LoadResult result = WithAllocationFailing(after, [&] { return LoadLines(&reader, &lines); });
    if (result == LoadResult::kOk) {
      completed = true;
      EXPECT_EQ(lines.size(), static_cast<size_t>(kLines));
    } else {
      ASSERT_EQ(result, LoadResult::kOutOfMemory) << "after " << after;
      ASSERT_LT(lines.size(), static_cast<size_t>(kLines));
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      std::u16string expected = u"line " + std::u16string(i % 97, u'x');
      for (char c : std::to_string(i)) expected += static_cast<char16_t>(c);
      ASSERT_EQ(lines.Text(i), expected) << "after " << after << " line " << i;
    }
  }
}

// Wherever memory runs out, a run ends with the message and exit value 0,
// after nothing or after part of the full report, never with a crash.
TEST(OutOfMemoryTest, ARunPrintsTheMessageInsteadOfItsReport) {
  const std::string kMessage = "メモリー不足が発生しました。";
  std::string first = NumberedLines(500);
  std::string second = first;
  second.replace(second.find("xxxxx199"), 5, "XXXXX");
  std::string full_report;
  {
    FakeEnv env;
    env.AddFile("a.txt", first);
    env.AddFile("b.txt", second);
    ASSERT_EQ(DiffMain(env, u"a.txt b.txt"), 0);
    full_report = env.stdout_text();
    ASSERT_NE(full_report.find("XXXXX199"), std::string::npos);
  }
  bool completed = false;
  int message_runs = 0;
  for (long after = 0; !completed; ++after) {
    ASSERT_LT(after, 1000) << "the run never completed";
    ReservedOutputEnv env;
    env.AddFile("a.txt", first);
    env.AddFile("b.txt", second);
    std::u16string command_line = u"a.txt b.txt";
    int status = WithAllocationFailing(after, [&] { return DiffMain(env, command_line); });
    EXPECT_EQ(status, 0);
    const std::string& out = env.out.bytes();
    if (out == full_report) {
      completed = true;
      continue;
    }
    ++message_runs;
    ASSERT_GE(out.size(), kMessage.size()) << "after " << after;
    size_t cut = out.size() - kMessage.size();
    ASSERT_EQ(out.substr(cut), kMessage) << "after " << after;
    ASSERT_EQ(full_report.compare(0, cut, out, 0, cut), 0) << "after " << after;
  }
  EXPECT_GT(message_runs, 0);
}

}  // namespace
}  // namespace tv
