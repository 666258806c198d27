#include "platform/input_spool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/posix_env.h"

namespace tv {
namespace {

std::string ReadAll(ByteSource& source) {
  std::string bytes;
  char buf[4096];
  ptrdiff_t n;
  while ((n = source.Read(buf, sizeof buf)) > 0) bytes.append(buf, static_cast<size_t>(n));
  return bytes;
}

// A pipe, which cannot be read twice, is read twice from its spool; the
// spool is a file without a name, so nothing can be left behind or opened
// by anyone else.
TEST(InputSpoolTest, PipeIsSpooledToAFileWithoutAName) {
  std::string bytes;
  for (int i = 0; bytes.size() < 200000; ++i) bytes += std::to_string(i) + "\n";
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    close(p[0]);
    _exit(WriteFully(p[1], bytes.data(), bytes.size()) == bytes.size() ? 0 : 1);
  }
  close(p[1]);
  bool consumed = true;
  int spool = SpoolToTemporary(p[0], &consumed);
  ASSERT_GE(spool, 0);
  EXPECT_TRUE(consumed);
  struct stat st;
  ASSERT_EQ(fstat(spool, &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_nlink, 0u) << "the spool has a name";
  EXPECT_EQ(st.st_mode & 077, 0u);
  FdSource source(spool, /*owned=*/true);
  EXPECT_EQ(source.Size(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(ReadAll(source), bytes);
  ASSERT_TRUE(source.Rewind());
  EXPECT_EQ(ReadAll(source), bytes);
  close(p[0]);
}

TEST(InputSpoolTest, SourceOverAPipeSpoolsOnRequest) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  ASSERT_EQ(write(p[1], "abc\n", 4), 4);
  close(p[1]);
  FdSource source(p[0], /*owned=*/true);
  EXPECT_EQ(source.Size(), -1);
  EXPECT_FALSE(source.Rewind());
  ASSERT_TRUE(source.Spool());
  EXPECT_EQ(source.Size(), 4);
  EXPECT_EQ(ReadAll(source), "abc\n");
  ASSERT_TRUE(source.Rewind());
  EXPECT_EQ(ReadAll(source), "abc\n");
}

}  // namespace
}  // namespace tv
