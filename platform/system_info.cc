#include "platform/system_info.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "platform/utf16.h"

namespace tv {

namespace {

// The platform id the version call gives on the device platform that these
// tools realise; Linux has none of its own.
constexpr uint32_t kPlatformIdDevice = 3;
// The version record's additional-information field holds 128 units.
constexpr size_t kCsdUnits = 127;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The processor's family number, which the call gives as the level on x86;
// 0 where the host does not tell.
uint16_t ProcessorLevel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (!StartsWith(line, "cpu family")) continue;
    size_t colon = line.find(':');
    if (colon == std::string::npos) break;
    try {
      return static_cast<uint16_t>(std::stoul(line.substr(colon + 1)));
    } catch (...) {
      break;
    }
  }
  return 0;
}

// The lowest address a program may map.
uint64_t MinimumApplicationAddress(uint32_t page_size) {
  std::ifstream file("/proc/sys/vm/mmap_min_addr");
  uint64_t value = 0;
  if (file >> value && value > 0) return value;
  return page_size;
}

// The highest address of user space: the kernel's layout per processor.
uint64_t MaximumApplicationAddress(std::string_view machine) {
  if (sizeof(void*) == 4) return 0xBFFFFFFF;
  if (machine == "x86_64") return 0x00007FFFFFFFEFFF;
  return 0x0000FFFFFFFFFFFF;
}

}  // namespace

ProcessorKind ProcessorKindOf(std::string_view machine) {
  if (machine == "x86_64") return {kArchitectureAmd64, 8664};
  if (machine == "i386") return {kArchitectureIntel, 386};
  if (machine == "i486") return {kArchitectureIntel, 486};
  if (machine == "i586" || machine == "i686") return {kArchitectureIntel, 586};
  if (machine == "aarch64" || machine == "arm64") return {kArchitectureArm64, 0};
  if (StartsWith(machine, "arm")) return {kArchitectureArm, 0};
  if (StartsWith(machine, "mips")) return {kArchitectureMips, 4000};
  if (machine == "sh3") return {kArchitectureShx, 10003};
  if (StartsWith(machine, "sh4")) return {kArchitectureShx, 10005};
  return {kArchitectureUnknown, 0};
}

void ParseKernelRelease(std::string_view release, VersionInfo* version) {
  uint32_t* numbers[] = {&version->major_version, &version->minor_version, &version->build_number};
  size_t pos = 0;
  bool more = true;
  for (uint32_t* number : numbers) {
    uint64_t value = 0;
    bool digits = false;
    while (more && pos < release.size() && release[pos] >= '0' && release[pos] <= '9') {
      value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(release[pos++] - '0'), 0xFFFFFFFF);
      digits = true;
    }
    *number = static_cast<uint32_t>(value);
    // Dots separate the numbers; anything else ends them.
    more = more && digits && pos < release.size() && release[pos] == '.';
    if (more) ++pos;
  }
}

SystemFacts GetHostSystemFacts() {
  SystemFacts facts;
  struct utsname names;
  bool have_names = uname(&names) == 0;
  std::string machine = have_names ? names.machine : "";

  SystemInfo& system = facts.system;
  ProcessorKind kind = ProcessorKindOf(machine);
  system.processor_architecture = kind.architecture;
  system.processor_type = kind.type;
  system.processor_level = ProcessorLevel();
  long page = sysconf(_SC_PAGESIZE);
  system.page_size = page > 0 ? static_cast<uint32_t>(page) : 4096;
  // Linux maps memory at page granularity.
  system.allocation_granularity = system.page_size;
  system.minimum_application_address = MinimumApplicationAddress(system.page_size);
  system.maximum_application_address = MaximumApplicationAddress(machine);
  long processors = sysconf(_SC_NPROCESSORS_ONLN);
  system.number_of_processors = processors > 0 ? static_cast<uint32_t>(processors) : 1;

  if (have_names) {
    VersionInfo version;
    ParseKernelRelease(names.release, &version);
    version.platform_id = kPlatformIdDevice;
    std::string info = std::string(names.sysname) + " " + names.version;
    version.csd_version = Utf8ToUtf16(info).substr(0, kCsdUnits);
    facts.version = version;
  }
  return facts;
}

}  // namespace tv
