// The device's system and version facts, as a plain record, and the filler
// that takes them from the Linux host.
#ifndef TV_PLATFORM_SYSTEM_INFO_H_
#define TV_PLATFORM_SYSTEM_INFO_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// Processor architecture values of the system-information call.
inline constexpr uint16_t kArchitectureIntel = 0;
inline constexpr uint16_t kArchitectureMips = 1;
inline constexpr uint16_t kArchitectureShx = 4;
inline constexpr uint16_t kArchitectureArm = 5;
inline constexpr uint16_t kArchitectureAmd64 = 9;
inline constexpr uint16_t kArchitectureArm64 = 12;
inline constexpr uint16_t kArchitectureUnknown = 0xFFFF;

// What the system-information call reports (the fields the tools use).
// Addresses are 64-bit so that a 64-bit host's are not cut.
struct SystemInfo {
  uint16_t processor_architecture = 0;
  uint32_t page_size = 0;
  uint64_t minimum_application_address = 0;
  uint64_t maximum_application_address = 0;
  uint32_t number_of_processors = 0;
  uint32_t processor_type = 0;
  uint32_t allocation_granularity = 0;
  uint16_t processor_level = 0;
};

// What the version call reports.
struct VersionInfo {
  uint32_t major_version = 0;
  uint32_t minor_version = 0;
  uint32_t build_number = 0;
  uint32_t platform_id = 0;
  std::u16string csd_version;  // "additional information"
};

struct SystemFacts {
  SystemInfo system;
  std::optional<VersionInfo> version;  // empty when the version call failed
};

// Facts of the host this runs on: uname, sysconf and the processor.
SystemFacts GetHostSystemFacts();

// The architecture and processor type the system-information call reports
// for a processor that uname names `machine` (x86_64: 9 and 8664).
struct ProcessorKind {
  uint16_t architecture;
  uint32_t type;
};
ProcessorKind ProcessorKindOf(std::string_view machine);

// The version numbers of a kernel release such as "6.1.0-18-amd64": major,
// minor and build (the third number); missing numbers are 0.
void ParseKernelRelease(std::string_view release, VersionInfo* version);

}  // namespace tv

#endif  // TV_PLATFORM_SYSTEM_INFO_H_
