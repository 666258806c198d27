// Runs the built Pelquin program on this host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testutil/run_program.h"

namespace tv {
namespace {

const std::string kUsage =
    "使用方法： Pelquin [/h]\n"
    "\n"
    "\xE3\x80\x80/h 使用方法を表示します\n"
    "\n"
    "OS に関する情報とデバイスに関する情報を表示します\n";

TEST(PelquinProgramTest, UsageOnlyForTheExactSlashH) {
  for (const char* arg : {"/h", "/H"}) {
    ProgramRun run = RunProgram("Pelquin", {arg});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kUsage);
  }
  for (std::vector<std::string> args :
       {std::vector<std::string>{}, {" /h"}, {"/h "}, {"/h", "x"}, {"x"}}) {
    // Blanks around a word reach the tool only from tvsh's prompt.
    ProgramRun run = RunProgram("Pelquin", args, {.typed = true});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, 19), "System Information\n");
  }
}

TEST(PelquinProgramTest, ReportOfThisHost) {
  ProgramRun run = RunProgram("Pelquin", {});
  ASSERT_EQ(run.status, 0);
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(run.out.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[1], "-------------------------");
  const char* system_labels[] = {
      "CPU Architecture : ", "CPU Type         : ", "CPU Level        : ", "CPU Number       : ",
      "PageSize         : ", "Application Addr : ", "AllocGranularity : "};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(lines[2 + i].rfind(system_labels[i], 0), 0u) << i;
  EXPECT_EQ(lines[9], "");
  EXPECT_EQ(lines[10], "OS Information");
  const char* version_labels[] = {"Major Version  : ", "Minor Version  : ", "dwBuildNumber  : ",
                                  "Platform ID    : ", "Additional Info: "};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(lines[12 + i].rfind(version_labels[i], 0), 0u) << i;
#if defined(__x86_64__)
  EXPECT_EQ(lines[2], "CPU Architecture : (unknown)");
  EXPECT_EQ(lines[3], "CPU Type         : (unknown)(8664)");
#endif
}

TEST(PelquinProgramTest, LostReportIsAFailure) {
  ProgramOptions to_full;
  to_full.stdout_path = "/dev/full";
  EXPECT_EQ(RunProgram("Pelquin", {}, to_full).status, 1);
}

}  // namespace
}  // namespace tv
