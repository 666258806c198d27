#include "platform/output_target.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "platform/file_metadata.h"

namespace tv {
namespace {

// Each test runs with an unnamed temporary file and with a named one.
class OutputTargetTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tv_out_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::unique_ptr<OutputTarget> Open(const std::string& name) const {
    return OpenOutputTarget(Path(name), {.named_temporary = GetParam()});
  }
  void Write(const std::string& name, const std::string& bytes, mode_t mode = 0644) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    chmod(Path(name).c_str(), mode);
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    std::unique_ptr<FILE, int (*)(FILE*)> ls(popen(("ls -A '" + dir_ + "'").c_str(), "r"), pclose);
    char line[4096];
    while (fgets(line, sizeof line, ls.get()) != nullptr) {
      names.insert(std::string(line, strcspn(line, "\n")));
    }
    return names;
  }
  mode_t Mode(const std::string& name) const {
    struct stat st;
    return lstat(Path(name).c_str(), &st) == 0 ? st.st_mode : 0;
  }
  // Writes text through a new look-up of name; Commit's result.
  bool Put(const std::string& name, const std::string& text) const {
    std::unique_ptr<OutputFile> out = Open(name)->Create();
    return out && out->Write(text.data(), text.size()) == text.size() && out->Commit();
  }

  std::string dir_;
};

INSTANTIATE_TEST_SUITE_P(Temporary, OutputTargetTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Named" : "Unnamed"; });

TEST_P(OutputTargetTest, ReplacesTargetOnlyWhenCommitted) {
  Write("out.txt", "old", 0640);
  {
    std::unique_ptr<OutputFile> out = Open("out.txt")->Create();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->Write("new text", 8), 8u);
    EXPECT_EQ(Read("out.txt"), "old");  // untouched while writing
  }                                     // dropped without Commit
  EXPECT_EQ(Read("out.txt"), "old");
  EXPECT_EQ(Names(), std::set<std::string>{"out.txt"});
  ASSERT_TRUE(Put("out.txt", "new"));
  EXPECT_EQ(Read("out.txt"), "new");
  EXPECT_EQ(Mode("out.txt") & 07777, 0640u);
  ASSERT_TRUE(Put("made.txt", "made"));
  EXPECT_EQ(Read("made.txt"), "made");
  EXPECT_EQ(Names(), (std::set<std::string>{"out.txt", "made.txt"}));
}

TEST_P(OutputTargetTest, NameAtTheFileSystemLimitIsWrittenAndOnePastIsNot) {
  // The temporary file beside it must not need a longer name.
  for (size_t length : {247, 248, 255}) {
    std::string name(length, 'n');
    for (const char* text : {"first", "second"}) {
      ASSERT_TRUE(Put(name, text)) << length;
      EXPECT_EQ(Read(name), text) << length;
      EXPECT_EQ(Names(), std::set<std::string>{name}) << length;
    }
    unlink(Path(name).c_str());
  }
  std::unique_ptr<OutputTarget> too_long = Open(std::string(256, 'n'));
  EXPECT_FALSE(too_long->Attributes().exists);
  EXPECT_EQ(too_long->Create(), nullptr);
}

TEST_P(OutputTargetTest, WhatIsFoundAndWhatCanBeWritten) {
  Write("file.txt", "old");
  Write("ro.txt", "old", 0444);
  mkdir(Path("sub").c_str(), 0755);
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  struct Link {
    const char* name;
    const char* to;
  } links[] = {{"to-file", "file.txt"}, {"chain", "to-file"},       {"to-sub", "sub"},
               {"dangling", "sub/x"},   {"into-nothing", "none/x"}, {"loop", "loop"}};
  for (const Link& l : links) ASSERT_EQ(symlink(l.to, Path(l.name).c_str()), 0);
  struct Case {
    std::string name;
    bool exists, directory, regular, read_only, creatable;
  } cases[] = {
      {"file.txt", true, false, true, false, true},
      {"ro.txt", true, false, true, true, true},  // root writes it; others fail at Create
      {"sub", true, true, false, false, false},
      {"sub/", true, true, false, false, false},
      {"fifo", true, false, false, false, false},  // no reader: refused, never waited for
      {"new.txt", false, false, false, false, true},
      {"to-file", true, false, true, false, true},
      {"chain", true, false, true, false, true},
      {"to-sub", true, true, false, false, false},
      {"dangling", false, false, false, false, false},
      {"into-nothing", false, false, false, false, false},
      {"loop", false, false, false, false, false},
      {"file.txt/x", false, false, false, false, false},
      {"none/x", false, false, false, false, false},
      {std::string(1, '\0'), false, false, false, false, false},
  };
  bool root = geteuid() == 0;
  for (const Case& c : cases) {
    std::unique_ptr<OutputTarget> target = Open(c.name);
    FileAttributes attrs = target->Attributes();
    EXPECT_EQ(attrs.exists, c.exists) << c.name;
    EXPECT_EQ(attrs.directory, c.directory) << c.name;
    EXPECT_EQ(attrs.regular, c.regular) << c.name;
    EXPECT_EQ(attrs.read_only, c.read_only) << c.name;
    bool creatable = c.creatable && (root || !c.read_only);
    EXPECT_EQ(target->Create() != nullptr, creatable) << c.name;
  }
  // Through links: the file they lead to is replaced; they stay links.
  ASSERT_TRUE(Put("chain", "new"));
  EXPECT_EQ(Read("file.txt"), "new");
  for (const Link& l : links) EXPECT_TRUE(S_ISLNK(Mode(l.name))) << l.name;
  EXPECT_EQ(Names(), (std::set<std::string>{"file.txt", "ro.txt", "sub", "fifo", "to-file", "chain",
                                            "to-sub", "dangling", "into-nothing", "loop"}));
}

TEST_P(OutputTargetTest, DevicesAndPipesAreWrittenDirectly) {
  std::unique_ptr<OutputFile> full = OpenOutputTarget("/dev/full")->Create();
  ASSERT_NE(full, nullptr);
  EXPECT_LT(full->Write("abc", 3), 3u);
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  int reader = open(Path("fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::unique_ptr<OutputFile> pipe = Open("fifo")->Create();
  ASSERT_NE(pipe, nullptr);
  EXPECT_EQ(pipe->Write("abc", 3), 3u);
  EXPECT_TRUE(pipe->Commit());
  char got[4] = {};
  EXPECT_EQ(read(reader, got, sizeof got), 3);
  EXPECT_STREQ(got, "abc");
  close(reader);
  // An unnamed pipe reached through a link, as /dev/stdout may be.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  pipe = OpenOutputTarget("/proc/self/fd/" + std::to_string(fds[1]))->Create();
  ASSERT_NE(pipe, nullptr);
  EXPECT_EQ(pipe->Write("def", 3), 3u);
  EXPECT_TRUE(pipe->Commit());
  EXPECT_EQ(read(fds[0], got, sizeof got), 3);
  EXPECT_STREQ(got, "def");
  close(fds[0]);
  close(fds[1]);
}

// Between the look-up and the moment the file is put in place, the name is
// made to lead elsewhere: to another file, a link to a victim's file, a
// pipe. The output is refused, and neither the victim nor whatever now
// holds the name is touched.
TEST_P(OutputTargetTest, NameChangedAfterTheLookUpIsRefused) {
  using Change = std::function<void()>;
  auto replace_with_link = [&] {
    unlink(Path("out.txt").c_str());
    symlink("victim.txt", Path("out.txt").c_str());
  };
  auto replace_with_fifo = [&] {
    unlink(Path("out.txt").c_str());
    mkfifo(Path("out.txt").c_str(), 0666);
  };
  auto replace_with_file = [&] {
    unlink(Path("out.txt").c_str());
    Write("out.txt", "other", 0666);
  };
  struct Case {
    const char* what;
    bool existed;
    Change change;
    mode_t kind;  // of what then holds the name
  } cases[] = {
      {"a link appears", false, replace_with_link, S_IFLNK},
      {"a pipe appears", false, replace_with_fifo, S_IFIFO},
      {"a file appears", false, replace_with_file, S_IFREG},
      {"the file becomes a link", true, replace_with_link, S_IFLNK},
      {"the file becomes a pipe", true, replace_with_fifo, S_IFIFO},
      {"the file becomes another", true, replace_with_file, S_IFREG},
  };
  for (const Case& c : cases) {
    for (bool before_create : {true, false}) {
      std::string what = std::string(c.what) + (before_create ? ", before Create" : ", at Commit");
      unlink(Path("out.txt").c_str());
      Write("victim.txt", "secret", 0600);
      if (c.existed) Write("out.txt", "old");
      std::unique_ptr<OutputTarget> target = Open("out.txt");
      std::unique_ptr<OutputFile> out;
      if (!before_create) out = target->Create();
      c.change();
      if (before_create) out = target->Create();
      ASSERT_NE(out, nullptr) << what;
      EXPECT_EQ(out->Write("new", 3), 3u) << what;
      EXPECT_FALSE(out->Commit()) << what;
      EXPECT_TRUE(out->PlacementRefused()) << what;
      out.reset();
      EXPECT_EQ(Read("victim.txt"), "secret") << what;
      EXPECT_EQ(Mode("victim.txt"), S_IFREG | 0600) << what;
      EXPECT_EQ(Mode("out.txt") & S_IFMT, c.kind) << what;
      if (c.kind == S_IFREG) {
        EXPECT_EQ(Read("out.txt"), "other") << what;
      }
      EXPECT_EQ(Names(), (std::set<std::string>{"victim.txt", "out.txt"})) << what;
    }
  }
}

TEST_P(OutputTargetTest, ReadOnlyIsClearedOnTheFileFound) {
  // The read-only file is swapped for a link to a victim's file after the
  // look-up: the victim keeps its mode.
  Write("out.txt", "old", 0444);
  Write("victim.txt", "secret", 0600);
  std::unique_ptr<OutputTarget> target = Open("out.txt");
  ASSERT_TRUE(target->Attributes().read_only);
  ASSERT_EQ(rename(Path("out.txt").c_str(), Path("moved.txt").c_str()), 0);
  ASSERT_EQ(symlink("victim.txt", Path("out.txt").c_str()), 0);
  EXPECT_TRUE(target->ClearReadOnly());
  EXPECT_EQ(Mode("victim.txt"), S_IFREG | 0600);
  EXPECT_EQ(Mode("moved.txt"), S_IFREG | 0644);
  EXPECT_FALSE(target->Attributes().read_only);
}

TEST(ReplacementModeTest, NobodyGainsAccess) {
  // Every mode, each way the owner and the group may fail to be kept,
  // against the rule stated class by class.
  for (mode_t old = 0; old <= 07777; ++old) {
    for (int kept = 0; kept < 4; ++kept) {
      bool owner = kept & 1, group = kept & 2;
      mode_t mode = ReplacementMode(old | S_IFREG, owner, group);
      SCOPED_TRACE(testing::Message() << std::oct << old << " " << owner << group);
      ASSERT_EQ(mode & ~07777, 0u);
      if (owner && group) {
        ASSERT_EQ(mode, old);
        continue;
      }
      ASSERT_EQ(mode & (S_IRWXU | S_IRWXO | S_ISVTX), old & (S_IRWXU | S_IRWXO | S_ISVTX));
      ASSERT_EQ(mode & S_ISUID, owner ? old & S_ISUID : 0);
      ASSERT_EQ(mode & S_ISGID, 0u);
      for (int bit = 0; bit < 3; ++bit) {
        bool had_group = old & (S_IXGRP << bit), had_other = old & (S_IXOTH << bit);
        bool gets = mode & (S_IXGRP << bit);
        ASSERT_EQ(gets, group ? had_group : had_group && had_other);
      }
    }
  }
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

// Killed part way through writing, by each signal that ends a tool: no
// temporary file remains, named or not, and the old file is whole.
TEST_P(OutputTargetTest, TemporaryGoesWithTheSignal) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    Write("out.txt", "old");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      std::unique_ptr<OutputFile> out = Open("out.txt")->Create();
      if (!out || out->Write("new", 3) != 3) _exit(2);
      kill(getpid(), sig);
      _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << ": " << status;
    EXPECT_EQ(Names(), std::set<std::string>{"out.txt"}) << sig;
    EXPECT_EQ(Read("out.txt"), "old") << sig;
  }
}

}  // namespace
}  // namespace tv
