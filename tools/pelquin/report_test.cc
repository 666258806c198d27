#include "tools/pelquin/report.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fake_env.h"
#include "tools/pelquin/pelquin.h"

namespace tv::pelquin {
namespace {

SystemFacts DeviceFacts() {
  SystemFacts facts;
  facts.system.processor_architecture = 5;
  facts.system.processor_type = 2577;
  facts.system.processor_level = 4;
  facts.system.number_of_processors = 1;
  facts.system.page_size = 4096;
  facts.system.minimum_application_address = 0x10000;
  facts.system.maximum_application_address = 0x7FFFFFFF;
  facts.system.allocation_granularity = 65536;
  VersionInfo version;
  version.major_version = 3;
  version.minor_version = 0;
  version.build_number = 11171;
  version.platform_id = 3;
  version.csd_version = u"サービス 1";
  facts.version = version;
  return facts;
}

std::string Report(const SystemFacts& facts, int* status) {
  StringSink sink;
  WideWriter out(&sink);
  *status = PrintReport(facts, out);
  out.Flush();
  return sink.bytes();
}

const char kSystemPart[] =
    "System Information\n"
    "-------------------------\n"
    "CPU Architecture : ARM\n"
    "CPU Type         : Strong ARM(2577)\n"
    "CPU Level        : 4\n"
    "CPU Number       : 1\n"
    "PageSize         : 4096\n"
    "Application Addr : 00010000 - 7fffffff\n"
    "AllocGranularity : 64 KB\n";

TEST(ReportTest, WholeReportInItsExactFormat) {
  int status;
  EXPECT_EQ(Report(DeviceFacts(), &status), std::string(kSystemPart) +
                                                "\n"
                                                "OS Information\n"
                                                "-------------------------\n"
                                                "Major Version  : 3\n"
                                                "Minor Version  : 0\n"
                                                "dwBuildNumber  : 11171\n"
                                                "Platform ID    : 3\n"
                                                "Additional Info: サービス 1\n");
  EXPECT_EQ(status, 0);
}

TEST(ReportTest, FailedVersionCallKeepsTheSystemPart) {
  SystemFacts facts = DeviceFacts();
  facts.version.reset();
  int status;
  EXPECT_EQ(Report(facts, &status), std::string(kSystemPart) + "バージョン情報の獲得に失敗しました。\n");
  EXPECT_EQ(status, 1);
}

// The line of the report that starts with `label`.
std::string LineOf(const std::string& report, const std::string& label) {
  size_t start = report.find(label);
  if (start == std::string::npos) return "<none>";
  return report.substr(start, report.find('\n', start) - start);
}

TEST(ReportTest, ValuesAreNamedAndFormatted) {
  struct Case {
    void (*change)(SystemFacts&);
    const char* label;
    const char* expected;
  } cases[] = {
      {[](SystemFacts& f) { f.system.processor_architecture = 0; }, "CPU Arch",
       "CPU Architecture : INTEL"},
      {[](SystemFacts& f) { f.system.processor_architecture = 1; }, "CPU Arch",
       "CPU Architecture : MIPS"},
      {[](SystemFacts& f) { f.system.processor_architecture = 2; }, "CPU Arch",
       "CPU Architecture : (unknown)"},
      {[](SystemFacts& f) { f.system.processor_architecture = 3; }, "CPU Arch",
       "CPU Architecture : (unknown)"},
      {[](SystemFacts& f) { f.system.processor_architecture = 4; }, "CPU Arch",
       "CPU Architecture : SHX"},
      {[](SystemFacts& f) { f.system.processor_architecture = 6; }, "CPU Arch",
       "CPU Architecture : (unknown)"},
      {[](SystemFacts& f) { f.system.processor_architecture = 9; }, "CPU Arch",
       "CPU Architecture : (unknown)"},
      {[](SystemFacts& f) { f.system.processor_architecture = 0xFFFF; }, "CPU Arch",
       "CPU Architecture : (unknown)"},
      {[](SystemFacts& f) { f.system.processor_type = 10005; }, "CPU Type",
       "CPU Type         : HITACHI SH4(10005)"},
      {[](SystemFacts& f) { f.system.processor_type = 8664; }, "CPU Type",
       "CPU Type         : (unknown)(8664)"},
      {[](SystemFacts& f) { f.system.processor_type = 0xFFFFFFFF; }, "CPU Type",
       "CPU Type         : (unknown)(4294967295)"},
      {[](SystemFacts& f) { f.system.allocation_granularity = 1023; }, "Alloc",
       "AllocGranularity : 0 KB"},
      {[](SystemFacts& f) { f.system.allocation_granularity = 1024; }, "Alloc",
       "AllocGranularity : 1 KB"},
      {[](SystemFacts& f) {
         f.system.minimum_application_address = 0xA;
         f.system.maximum_application_address = 0xFFFFFFFF;
       },
       "Application", "Application Addr : 0000000a - ffffffff"},
      {[](SystemFacts& f) { f.system.maximum_application_address = 0x7FFFFFFFEFFF; },
       "Application", "Application Addr : 00010000 - 7fffffffefff"},
      {[](SystemFacts& f) { f.version->csd_version = u""; }, "Additional", "Additional Info: "},
  };
  for (const Case& c : cases) {
    SystemFacts facts = DeviceFacts();
    c.change(facts);
    int status;
    EXPECT_EQ(LineOf(Report(facts, &status), c.label), c.expected);
  }
}

TEST(ReportTest, NamesOfEveryTableEntry) {
  EXPECT_EQ(ProcessorTypeName(386), u"Intel 386");
  EXPECT_EQ(ProcessorTypeName(486), u"Intel 486");
  EXPECT_EQ(ProcessorTypeName(586), u"Intel Pentium");
  EXPECT_EQ(ProcessorTypeName(686), u"Intel Pentium II");
  EXPECT_EQ(ProcessorTypeName(1824), u"ARM720");
  EXPECT_EQ(ProcessorTypeName(4000), u"MIPS R4000");
  EXPECT_EQ(ProcessorTypeName(10003), u"HITACHI SH3");
  EXPECT_EQ(ProcessorTypeName(0), u"(unknown)");
}

const char kUsage[] =
    "使用方法： Pelquin [/h]\n"
    "\n"
    "\xE3\x80\x80/h 使用方法を表示します\n"
    "\n"
    "OS に関する情報とデバイスに関する情報を表示します\n";

TEST(PelquinTest, OnlyTheExactSlashHShowsTheUsage) {
  struct Case {
    std::u16string command_line;
    bool usage;
  } cases[] = {
      {u"/h", true}, {u"/H", true}, {u" /h", false}, {u"/h ", false}, {u"x", false},
      {u"", false},  {u"/hh", false}, {u"-h", false},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    EXPECT_EQ(ToolMain(env, c.command_line, DeviceFacts), 0);
    if (c.usage) {
      EXPECT_EQ(env.stdout_text(), kUsage);
    } else {
      EXPECT_EQ(env.stdout_text().substr(0, sizeof kSystemPart - 1), kSystemPart);
    }
  }
}

TEST(PelquinTest, ExitValueTellsAMissingVersionOrALostReport) {
  auto no_version = [] {
    SystemFacts facts = DeviceFacts();
    facts.version.reset();
    return facts;
  };
  FakeEnv env;
  EXPECT_EQ(ToolMain(env, u"", no_version), 1);
  EXPECT_EQ(env.stdout_text(), std::string(kSystemPart) + "バージョン情報の獲得に失敗しました。\n");

  FakeEnv full;
  full.stdout_sink.set_capacity(10);
  EXPECT_EQ(ToolMain(full, u"", DeviceFacts), 1);
  FakeEnv full_usage;
  full_usage.stdout_sink.set_capacity(10);
  EXPECT_EQ(ToolMain(full_usage, u"/h", DeviceFacts), 1);
}

}  // namespace
}  // namespace tv::pelquin
