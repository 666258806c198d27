// Other users and other sessions on the same machine: nothing they publish
// steers where a tool reads or writes, and sessions running at once each
// keep their own folder. The tools learn their shell's folder only from
// their own environment.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/faults/fault_run.h"

namespace tv::faults {
namespace {

// The machine-wide name the first design read the shell's folder from.
constexpr char kPlantedName[] = "/TORVELAN_CURRENT_DIRECTORY";

std::string DeviceForm(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path + "\\";
}

// Creates the object with `directory` in it (UTF-16LE, 520 bytes), as user
// nobody when the tests run as root, so that it belongs to another user.
// Another copy of the suite may hold the name for a moment: wait for it.
bool Plant(const std::string& directory) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    pid_t pid = fork();
    if (pid == 0) {
      if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
          _exit(2);
        }
      }
      int fd = shm_open(kPlantedName, O_RDWR | O_CREAT | O_EXCL, 0644);
      if (fd < 0) _exit(errno == EEXIST ? 3 : 2);
      std::string bytes(520, '\0');
      for (size_t i = 0; i < directory.size() && i < 259; ++i) bytes[2 * i] = directory[i];
      _exit(write(fd, bytes.data(), bytes.size()) == 520 ? 0 : 2);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) return false;
    if (WEXITSTATUS(status) != 3) return WEXITSTATUS(status) == 0;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

struct PlantedObject {
  ~PlantedObject() { shm_unlink(kPlantedName); }
};

TEST(OtherUsersTest, PlantedMachineWideFolderSteersNoTool) {
  // Another user's folder with its own in.txt and an out.txt that leads
  // into a folder it may not write.
  Folder attacker, victim, guarded;
  attacker.Write("in.txt", "planted\n");
  ASSERT_EQ(symlink((guarded.path() + "/made.txt").c_str(), (attacker.path() + "/out.txt").c_str()),
            0);
  victim.Write("in.txt", "mine\n");
  ASSERT_TRUE(Plant(DeviceForm(attacker.path())))
      << "cannot create " << kPlantedName << " (one is left that this test did not make?)";
  PlantedObject planted;

  struct Case {
    std::vector<std::string> args;  // tvsh's, or the tool's alone
    std::string out;
  } cases[] = {
      {{"KANVO", "/O", "UTF8N", "in.txt", "out.txt"}, ""},
      {{"sort", "in.txt"}, "mine\n"},
      {{"vornak", "in.txt"}, "MINE\n"},
      {{"diff", "in.txt", "out.txt"}, ""},  // after KANVO: the same text
  };
  for (bool through_tvsh : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.args[0] + (through_tvsh ? " through tvsh" : " alone"));
      std::vector<std::string> args = c.args;
      std::string program = args[0];
      if (through_tvsh) {
        args.insert(args.begin(), {"-C", victim.path()});
        program = "tvsh";
      } else {
        args.erase(args.begin());
      }
      ProgramRun run = RunProgram(program, args, {.stdin_bytes = "y\n", .cwd = victim.path()});
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.out, c.out);
    }
    EXPECT_EQ(victim.Read("out.txt"), "mine\r\n");
  }
  EXPECT_EQ(guarded.Names(), std::set<std::string>());
  EXPECT_EQ(attacker.Names(), (std::set<std::string>{"in.txt", "out.txt"}));
}

TEST(OtherSessionsTest, ConcurrentSessionsEachSeeTheirOwnFolder) {
  // Four sessions at once, 25 sorts each: two run `tvsh -C DIR sort`, two
  // are interactive tvsh that cd to their folder before every sort.
  Folder folders[4];
  std::vector<std::string> args = {
      "-c",
      "tvsh=$1; shift; n=0\n"
      "for d in \"$@\"; do\n"
      "  n=$((n + 1))\n"
      "  if [ $((n % 2)) -eq 0 ]; then\n"
      "    for i in $(seq 25); do \"$tvsh\" -C \"$d\" sort in.txt; done "
      "> \"$d/got\" &\n"
      "  else\n"
      "    for i in $(seq 25); do printf 'cd %s\\nsort in.txt\\n' \"$d\"; "
      "done | \"$tvsh\" > \"$d/got\" &\n"
      "  fi\n"
      "done\n"
      "wait\n",
      "sh", BinDir() + "/tvsh"};
  std::vector<std::string> expected;
  for (int i = 0; i < 4; ++i) {
    std::string tag = std::to_string(i);
    folders[i].Write("in.txt", "z" + tag + "\na" + tag + "\n");
    args.push_back(folders[i].path());
    expected.push_back("");
    for (int run = 0; run < 25; ++run) expected.back() += "a" + tag + "\nz" + tag + "\n";
  }
  ProgramRun run = RunProgram("/bin/sh", args);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(folders[i].Read("got"), expected[i]) << "session " << i;
}

}  // namespace
}  // namespace tv::faults
