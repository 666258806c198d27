// The package platform over the Win32 ANSI calls.
#ifndef TV_SETUP_WIN_WIN_PLATFORM_H_
#define TV_SETUP_WIN_WIN_PLATFORM_H_

#include "setup/package_platform.h"

namespace tv {

class WinPackagePlatform : public PackagePlatform {
 public:
  std::string ModuleFileName() override;
  bool IsLeadByte(uint8_t byte) override;
  PathKind KindOf(const std::string& path) override;
  std::string ReadIniString(const std::string& path, const std::string& section,
                            const std::string& key) override;
  std::optional<std::string> ReadAppManagerPath() override;
  bool StartProcess(const std::string& program, const std::string& command_line) override;
};

}  // namespace tv

#endif  // TV_SETUP_WIN_WIN_PLATFORM_H_
