#include "shell/user_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "testutil/run_program.h"

namespace tv {
namespace {

// ~/.editrc and ~/.tvsh_history are used only when the effective user owns
// them and neither group nor others may write them.
TEST(UserFileTest, OnlyTheUsersOwnUnsharedRegularFile) {
  TempDir home;
  struct Case {
    const char* name;
    mode_t mode;
    bool other_owner;  // owned by nobody (as root only)
    bool read, write;
  } cases[] = {
      {"own", 0600, false, true, true},
      {"readable", 0644, false, true, true},
      {"group-writable", 0620, false, false, false},
      {"other-writable", 0602, false, false, false},
      {"nobodys", 0600, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = home.Write(c.name, "x\n");
    ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
    if (c.other_owner) {
      if (geteuid() != 0) continue;
      ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    }
    for (UserFileUse use : {UserFileUse::kRead, UserFileUse::kWrite}) {
      int fd = OpenUserFile(path, use);
      EXPECT_EQ(fd >= 0, use == UserFileUse::kRead ? c.read : c.write);
      if (fd >= 0) close(fd);
    }
  }
  // A link, even to the user's own file, a folder and a FIFO are not used.
  std::string own = home.path() + "/own";
  ASSERT_EQ(symlink(own.c_str(), (home.path() + "/link").c_str()), 0);
  ASSERT_EQ(mkdir((home.path() + "/folder").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo((home.path() + "/fifo").c_str(), 0600), 0);
  for (const char* name : {"link", "folder", "fifo", "missing"}) {
    EXPECT_EQ(OpenUserFile(home.path() + "/" + name, UserFileUse::kRead), -1) << name;
  }
  for (const char* name : {"link", "folder", "fifo"}) {
    EXPECT_EQ(OpenUserFile(home.path() + "/" + name, UserFileUse::kWrite), -1) << name;
  }
  // Written when missing: created for the user alone.
  std::string created = home.path() + "/created";
  int fd = OpenUserFile(created, UserFileUse::kWrite);
  ASSERT_GE(fd, 0);
  close(fd);
  struct stat st;
  ASSERT_EQ(stat(created.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace tv
