#include "platform/posix_env.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/device_path.h"
#include "platform/shared_directory.h"
#include "platform/utf16.h"

namespace tv {
namespace {

class PosixEnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tv_env_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::u16string Device(const std::string& name) { return Utf8ToUtf16(dir_ + "/" + name); }
  void WriteHost(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
  }

  std::string dir_;
  PosixEnv env_;
};

TEST_F(PosixEnvTest, AttributesFollowTheFileSystem) {
  WriteHost("a.txt", "x");
  mkdir((dir_ + "/sub").c_str(), 0755);
  FileAttributes file = env_.GetFileAttributes(Device("a.txt"));
  EXPECT_TRUE(file.exists && file.regular && !file.directory && !file.read_only);
  FileAttributes folder = env_.GetFileAttributes(Device("sub"));
  EXPECT_TRUE(folder.exists && folder.directory);
  EXPECT_FALSE(env_.GetFileAttributes(Device("none")).exists);
  EXPECT_FALSE(env_.GetFileAttributes(u"").exists);

  chmod((dir_ + "/a.txt").c_str(), 0444);
  EXPECT_TRUE(env_.GetFileAttributes(Device("a.txt")).read_only);
}

TEST_F(PosixEnvTest, BackslashPathsReachTheFileSystem) {
  WriteHost("b.txt", "hello");
  std::u16string device = Device("b.txt");
  for (char16_t& u : device) u = u == u'/' ? u'\\' : u;
  std::unique_ptr<ByteSource> in = env_.OpenFile(device);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->Size(), 5);
}

TEST_F(PosixEnvTest, NonUtf8FileNameRoundTrips) {
  std::string name = "\x93\xFA\xFF.txt";
  WriteHost(name, "data");
  std::u16string device = Device(name);
  EXPECT_EQ(DevicePathToHost(device), dir_ + "/" + name);
  EXPECT_TRUE(env_.GetFileAttributes(device).exists);
  EXPECT_NE(env_.OpenFile(device), nullptr);
}

TEST_F(PosixEnvTest, FolderCannotBeOpenedForReading) {
  mkdir((dir_ + "/sub").c_str(), 0755);
  EXPECT_EQ(env_.OpenFile(Device("sub")), nullptr);
  EXPECT_EQ(env_.OpenFile(Device("missing")), nullptr);
}

class ShareTest : public ::testing::Test {
 protected:
  void TearDown() override { RemoveSharedDirectory(); }
};

TEST_F(ShareTest, ReadingNeverCreatesTheShare) {
  RemoveSharedDirectory();
  char16_t units[kShareUnits];
  EXPECT_FALSE(ReadSharedDirectory(units));
  EXPECT_NE(access("/dev/shm/TORVELAN_CURRENT_DIRECTORY", F_OK), 0);
}

TEST_F(ShareTest, PublishedTextIsReadBackAndTooLongATextRefused) {
  ASSERT_TRUE(PublishSharedDirectory(u"\\home\\日本\\"));
  char16_t units[kShareUnits];
  ASSERT_TRUE(ReadSharedDirectory(units));
  EXPECT_EQ(std::u16string(units), u"\\home\\日本\\");

  std::u16string longest(kShareUnits - 1, u'x');
  ASSERT_TRUE(PublishSharedDirectory(longest));
  ASSERT_TRUE(ReadSharedDirectory(units));
  EXPECT_EQ(std::u16string(units), longest);
  // One unit more would be cut to another folder's name: refused, and the
  // share keeps what it held.
  errno = 0;
  EXPECT_FALSE(PublishSharedDirectory(longest + u'y'));
  EXPECT_EQ(errno, ENAMETOOLONG);
  ASSERT_TRUE(ReadSharedDirectory(units));
  EXPECT_EQ(std::u16string(units), longest);
  EXPECT_TRUE(RemoveSharedDirectory());
  EXPECT_FALSE(ReadSharedDirectory(units));
}

TEST_F(ShareTest, ObjectLargerThanTheShareIsReadOnlyToItsSize) {
  int fd = shm_open(kShareName, O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 4096), 0);
  std::string fill(4096, 'a');  // no zero unit anywhere
  ASSERT_EQ(pwrite(fd, fill.data(), fill.size(), 0), 4096);
  close(fd);
  char16_t units[kShareUnits + 1];
  units[kShareUnits] = u'!';
  ASSERT_TRUE(ReadSharedDirectory(units));
  EXPECT_EQ(units[kShareUnits - 1], 0x6161);
  EXPECT_EQ(units[kShareUnits], u'!');
}

}  // namespace
}  // namespace tv
