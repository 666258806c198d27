#include "tools/pelquin/report.h"

namespace tv::pelquin {

namespace {

constexpr char16_t kRule[] = u"-------------------------";
constexpr char16_t kUnknown[] = u"(unknown)";

char16_t LowerAscii(char16_t u) { return (u >= u'A' && u <= u'Z') ? u + (u'a' - u'A') : u; }

}  // namespace

bool IsUsageRequest(std::u16string_view command_line) {
  return command_line.size() == 2 && command_line[0] == u'/' && LowerAscii(command_line[1]) == u'h';
}

void PrintUsage(WideWriter& out) {
  out.PutLine(u"使用方法： Pelquin [/h]");
  out.PutLine(u"");
  out.PutLine(u"\x3000/h 使用方法を表示します");
  out.PutLine(u"");
  out.PutLine(u"OS に関する情報とデバイスに関する情報を表示します");
}

std::u16string_view ArchitectureName(uint16_t architecture) {
  switch (architecture) {
    case 0: return u"INTEL";
    case 1: return u"MIPS";
    case 4: return u"SHX";
    case 5: return u"ARM";
    default: return kUnknown;
  }
}

std::u16string_view ProcessorTypeName(uint32_t type) {
  switch (type) {
    case 386: return u"Intel 386";
    case 486: return u"Intel 486";
    case 586: return u"Intel Pentium";
    case 686: return u"Intel Pentium II";
    case 1824: return u"ARM720";
    case 2577: return u"Strong ARM";
    case 4000: return u"MIPS R4000";
    case 10003: return u"HITACHI SH3";
    case 10005: return u"HITACHI SH4";
    default: return kUnknown;
  }
}

int PrintReport(const SystemFacts& facts, WideWriter& out) {
  const SystemInfo& system = facts.system;
  out.PutLine(u"System Information");
  out.PutLine(kRule);
  out.Printf(u"CPU Architecture : %s\n", {ArchitectureName(system.processor_architecture)});
  out.Printf(u"CPU Type         : %s(%d)\n",
             {ProcessorTypeName(system.processor_type), system.processor_type});
  out.Printf(u"CPU Level        : %d\n", {system.processor_level});
  out.Printf(u"CPU Number       : %d\n", {system.number_of_processors});
  out.Printf(u"PageSize         : %d\n", {system.page_size});
  // Eight digits for a 32-bit address as ever; "ll" keeps every digit of
  // a 64-bit host's address instead of cutting it to 32 bits.
  out.Printf(u"Application Addr : %08llx - %08llx\n",
             {system.minimum_application_address, system.maximum_application_address});
  out.Printf(u"AllocGranularity : %d KB\n", {system.allocation_granularity >> 10});

  if (!facts.version) {
    out.PutLine(u"バージョン情報の獲得に失敗しました。");
    return 1;
  }
  const VersionInfo& version = *facts.version;
  out.PutLine(u"\nOS Information");
  out.PutLine(kRule);
  out.Printf(u"Major Version  : %d\n", {version.major_version});
  out.Printf(u"Minor Version  : %d\n", {version.minor_version});
  out.Printf(u"dwBuildNumber  : %d\n", {version.build_number});
  out.Printf(u"Platform ID    : %d\n", {version.platform_id});
  out.Printf(u"Additional Info: %s\n", {version.csd_version});
  return 0;
}

}  // namespace tv::pelquin
