#include "platform/system_info.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(SystemInfoTest, ProcessorKindFollowsTheMachineName) {
  struct Case {
    const char* machine;
    uint16_t architecture;
    uint32_t type;
  } cases[] = {
      {"x86_64", 9, 8664}, {"i686", 0, 586},   {"i386", 0, 386},     {"aarch64", 12, 0},
      {"armv7l", 5, 0},    {"mips", 1, 4000},  {"sh4", 4, 10005},    {"riscv64", 0xFFFF, 0},
      {"", 0xFFFF, 0},
  };
  for (const Case& c : cases) {
    ProcessorKind kind = ProcessorKindOf(c.machine);
    EXPECT_EQ(kind.architecture, c.architecture) << c.machine;
    EXPECT_EQ(kind.type, c.type) << c.machine;
  }
}

TEST(SystemInfoTest, KernelReleaseGivesTheVersionNumbers) {
  struct Case {
    const char* release;
    uint32_t major, minor, build;
  } cases[] = {
      {"6.1.0-18-amd64", 6, 1, 0}, {"5.15.133.1-microsoft", 5, 15, 133}, {"4.19", 4, 19, 0},
      {"3-rc1.2", 3, 0, 0},        {"", 0, 0, 0},                         {"x.1", 0, 0, 0},
      {"99999999999.1", 0xFFFFFFFF, 1, 0},
  };
  for (const Case& c : cases) {
    VersionInfo version;
    version.build_number = 77;  // every number is set
    ParseKernelRelease(c.release, &version);
    EXPECT_EQ(version.major_version, c.major) << c.release;
    EXPECT_EQ(version.minor_version, c.minor) << c.release;
    EXPECT_EQ(version.build_number, c.build) << c.release;
  }
}

TEST(SystemInfoTest, HostFactsArePlausible) {
  SystemFacts facts = GetHostSystemFacts();
  EXPECT_GE(facts.system.page_size, 4096u);
  EXPECT_EQ(facts.system.allocation_granularity, facts.system.page_size);
  EXPECT_GE(facts.system.number_of_processors, 1u);
  EXPECT_LT(facts.system.minimum_application_address, facts.system.maximum_application_address);
  ASSERT_TRUE(facts.version.has_value());
  EXPECT_GT(facts.version->major_version, 0u);
  EXPECT_EQ(facts.version->csd_version.substr(0, 6), u"Linux ");
}

}  // namespace
}  // namespace tv
