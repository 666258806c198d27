#include "platform/posix_env.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/descriptor_output.h"
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

// The share is the process's own variable: what tvsh sets is what every
// tool reads, unit for unit, and nothing else is consulted.
class ShareTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv(kShareVariable); }

  // ReadShare's units, checked to stay within the share's 260.
  std::u16string Read(bool* published) {
    char16_t units[kShareUnits + 4];
    std::fill(units, units + kShareUnits + 4, u'#');
    *published = env_.ReadShare(units);
    for (size_t i = kShareUnits; i < kShareUnits + 4; ++i) EXPECT_EQ(units[i], u'#');
    return std::u16string(units, kShareUnits);
  }
  static std::u16string Padded(std::u16string text) {
    text.resize(kShareUnits, u'\0');
    return text;
  }

  PosixEnv env_;
};

TEST_F(ShareTest, VariableIsReadAsTheShare) {
  struct Case {
    const char* value;  // nullptr: not set
    bool published;
    std::u16string units;
  } cases[] = {
      {nullptr, false, Padded(u"")},
      {"", true, Padded(u"")},
      {"\\home\\\xE6\x97\xA5\xE6\x9C\xAC\\", true, Padded(u"\\home\\\u65E5\u672C\\")},
      {"\\a\xFF\xC3\\", true, Padded(u"\\a\xDCFF\xDCC3\\")},  // not UTF-8: escaped
      {"   ", true, Padded(u"   ")},
      {"rel\\dir", true, Padded(u"rel\\dir")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    if (c.value) {
      setenv(kShareVariable, c.value, 1);
    } else {
      unsetenv(kShareVariable);
    }
    bool published = false;
    EXPECT_EQ(Read(&published), c.units);
    EXPECT_EQ(published, c.published);
  }
}

TEST_F(ShareTest, WhatTheShellPublishesIsReadBackUnitForUnit) {
  // Random directory texts of every length around the share's size, made of
  // ASCII, kana, pairs and escaped bytes; and random bytes as a variable.
  std::mt19937 random(12);
  const char16_t pool[] = {u'\\', u'a', u' ', u'\u3042', u'\xDC80', u'\xDCFF', u'\xFFFD'};
  for (int round = 0; round < 400; ++round) {
    size_t length = random() % 300;
    std::u16string text;
    while (text.size() < length) {
      if (random() % 8 == 0) {
        text += u"\xD83D\xDE00";  // a pair
      } else {
        text.push_back(pool[random() % (sizeof pool / sizeof pool[0])]);
      }
    }
    std::string value;
    errno = 0;
    bool fits = ShareValueFor(text, &value);
    ASSERT_EQ(fits, text.size() < kShareUnits) << text.size();
    bool published = false;
    if (!fits) {
      EXPECT_EQ(errno, ENAMETOOLONG);
      continue;
    }
    setenv(kShareVariable, value.c_str(), 1);
    EXPECT_EQ(Read(&published), Padded(text));
    EXPECT_TRUE(published);

    std::string bytes;
    for (size_t n = random() % 1200; n > 0; --n)
      bytes.push_back(static_cast<char>(1 + random() % 255));
    setenv(kShareVariable, bytes.c_str(), 1);
    std::u16string decoded = Utf8ToUtf16(bytes);
    decoded.resize(std::min(decoded.size(), kShareUnits));
    EXPECT_EQ(Read(&published), Padded(decoded));
  }
}

TEST(InheritedDescriptorTest, NamesThatStandForADescriptor) {
  struct Case {
    std::u16string name;
    int fd;  // -1: an ordinary name
  } cases[] = {
      {u"-", 1},
      {u"\\dev\\stdout", 1},
      {u"\\dev\\stderr", 2},
      {u"\\dev\\fd\\7", 7},
      {u"\\proc\\self\\fd\\12", 12},
      {u"\\dev\\fd\\", -1},
      {u"\\dev\\fd\\1x", -1},
      {u"\\dev\\fd\\-1", -1},
      {u"\\dev\\stdin", -1},
      {u"\\dev\\fd\\99999999999", -1},
      {u"\\proc\\1\\fd\\1", -1},
      {u"--", -1},
      {u"\\w\\-", -1},
  };
  for (const Case& c : cases) {
    std::optional<int> fd = InheritedDescriptorOf(c.name);
    EXPECT_EQ(fd.value_or(-1), c.fd) << Utf16ToUtf8(c.name);
  }
}

// A descriptor opened by a shell's `>>` is written with its own flags; one
// the tool opened itself (close-on-exec) or not open is not written.
TEST_F(PosixEnvTest, DescriptorOutputsUseTheDescriptorItself) {
  WriteHost("log.txt", "earlier\n");
  int fd = open((dir_ + "/log.txt").c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  lseek(fd, 0, SEEK_SET);
  std::u16string name = u"\\dev\\fd\\" + Utf8ToUtf16(std::to_string(fd));
  std::unique_ptr<OutputTarget> target = env_.OpenOutput(name);
  EXPECT_FALSE(target->Attributes().exists);  // nothing to ask about
  std::unique_ptr<OutputFile> file = target->Create();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Write("new\n", 4), 4u);
  EXPECT_TRUE(file->Commit());
  std::ifstream in(dir_ + "/log.txt");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "earlier\nnew\n");
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  EXPECT_EQ(env_.OpenOutput(name)->Create(), nullptr);
  close(fd);
  EXPECT_EQ(env_.OpenOutput(name)->Create(), nullptr);
}

}  // namespace
}  // namespace tv
