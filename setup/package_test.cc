#include "setup/package.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "setup/fake_setup.h"

namespace tv {
namespace {

const std::string kDir = "C:\\Pkg\\";

TEST(FindLastBackslash, StepsOverTwoByteCharacters) {
  FakePlatform platform;
  const size_t npos = std::string::npos;
  struct Case {
    std::string path;
    size_t expected;
  } cases[] = {
      {"C:\\dir\\setup.exe", 6},
      {"C:\\" + kHyo + "\\setup.exe", 5},  // folder 表
      {"C:\\dir\\" + kHyo + ".exe", 6},    // the 0x5C of 表 comes last
      {"C:\\" + kHyo, 2},
      {kHyo, npos},
      {"setup.exe", npos},
      {"", npos},
      {"\\", 0},
      {"C:\\a\x95", 2},  // lead byte with nothing after it
      {"C:\\a\\\x95", 4},
      {"C:\\ab" + kHyo + "c\\s.exe", 8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindLastBackslash(c.path, platform), c.expected) << c.path;
  }
}

TEST(TruncateMultibyte, NeverEndsInsideACharacter) {
  FakePlatform platform;
  struct Case {
    std::string text;
    size_t max_bytes;
    std::string expected;
  } cases[] = {
      {"ARM", 63, "ARM"},
      {"abcdef", 3, "abc"},
      {"ab" + kHyo, 3, "ab"},
      {"ab" + kHyo, 4, "ab" + kHyo},
      {"a\x95", 2, "a\x95"},  // a lone lead byte at the end is one character
      {"", 0, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TruncateMultibyte(c.text, c.max_bytes, platform), c.expected) << c.text;
  }
}

TEST(LocatePackage, BuildsThePathsInTheInstallersFolder) {
  FakePlatform platform;
  platform.module_file_name = "C:\\Users\\" + kHyo + "\\setup.exe";
  PackagePaths paths;
  ASSERT_EQ(LocatePackage(platform, &paths), LOCATE_OK);
  const std::string dir = "C:\\Users\\" + kHyo + "\\";
  EXPECT_EQ(paths.directory, dir);
  EXPECT_EQ(paths.setup_ini, dir + "SETUP.INI");
  EXPECT_EQ(paths.standard_ini, dir + "STANDARD.INI");
  EXPECT_EQ(paths.compact_ini, dir + "COMPACT.INI");
}

TEST(LocatePackage, RefusesAMissingPathAndPathsThatDoNotFit) {
  // The folder with "STANDARD.INI" (12 bytes) must leave room for the zero.
  const std::string fits = "C:\\" + std::string(kPathBufferSize - 1 - 12 - 4, 'a') + "\\";
  const std::string too_long = "C:\\" + std::string(kPathBufferSize - 12 - 4, 'a') + "\\";
  struct Case {
    std::string own_path;
    LocateResult expected;
  } cases[] = {
      {"", LOCATE_NO_PATH},
      {"setup.exe", LOCATE_NO_PATH},
      {kHyo + ".exe", LOCATE_NO_PATH},
      {fits + "setup.exe", LOCATE_OK},
      {too_long + "setup.exe", LOCATE_TOO_LONG},
      // A long program name alone does not matter: only the folder is used.
      {"C:\\" + std::string(400, 's') + ".exe", LOCATE_OK},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.module_file_name = c.own_path;
    PackagePaths paths;
    EXPECT_EQ(LocatePackage(platform, &paths), c.expected) << c.own_path.size();
  }
}

TEST(CheckPackage, NeedsSetupIniStandardIniAndThePackageFile) {
  struct Case {
    const char* name;
    std::function<void(FakePlatform&)> change;
    bool expected;
  } cases[] = {
      {"complete", [](FakePlatform&) {}, true},
      {"no SETUP.INI", [](FakePlatform& p) { p.files.erase(kDir + "SETUP.INI"); }, false},
      {"no STANDARD.INI", [](FakePlatform& p) { p.files.erase(kDir + "STANDARD.INI"); }, false},
      {"no CabFiles key",
       [](FakePlatform& p) { p.ini[kDir + "STANDARD.INI"]["TorvelanOpen"].clear(); }, false},
      {"no TorvelanOpen section", [](FakePlatform& p) { p.ini[kDir + "STANDARD.INI"].clear(); },
       false},
      {"empty CabFiles",
       [](FakePlatform& p) { p.ini[kDir + "STANDARD.INI"]["TorvelanOpen"]["CabFiles"] = ""; },
       false},
      {"package file missing", [](FakePlatform& p) { p.files.erase(kDir + "PKG.CAB"); }, false},
      {"CabFiles lists two files",
       [](FakePlatform& p) {
         p.ini[kDir + "STANDARD.INI"]["TorvelanOpen"]["CabFiles"] = "PKG.CAB,PKG.CAB";
       },
       false},
      {"no COMPACT.INI", [](FakePlatform& p) { p.files.erase(kDir + "COMPACT.INI"); }, true},
      {"no section Application", [](FakePlatform& p) { p.ini[kDir + "SETUP.INI"].clear(); }, true},
      {"package file in a subfolder",
       [](FakePlatform& p) {
         p.ini[kDir + "STANDARD.INI"]["TorvelanOpen"]["CabFiles"] = "ARM\\PKG.CAB";
         p.files.insert(kDir + "ARM\\PKG.CAB");
       },
       true},
      {"package file is a folder",
       [](FakePlatform& p) {
         p.ini[kDir + "STANDARD.INI"]["TorvelanOpen"]["CabFiles"] = "ARM";
         p.folders.insert(kDir + "ARM");
       },
       false},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.AddPackage(kDir);
    c.change(platform);
    PackagePaths paths;
    ASSERT_EQ(LocatePackage(platform, &paths), LOCATE_OK);
    EXPECT_EQ(CheckPackage(platform, paths), c.expected) << c.name;
  }
}

TEST(IsPackageFileName, OnlyAFileInsideTheFolderThatIsNotADeviceOrThePackagesOwn) {
  FakePlatform platform;
  const std::string kA = "\x83\x41", ka = "\x83\x61";  // two characters, trail bytes 'A', 'a'
  struct Case {
    std::string name;
    bool expected;
  } cases[] = {
      {"PKG.CAB", true},
      {"\\sub\\name.CAB", true},
      {"sub/name.CAB", true},
      {"a\\b/c.CAB", true},
      {kHyo + ".CAB", true},  // the 0x5C of 表 is no separator
      {kHyo + "\\PKG.CAB", true},
      {"NULL.CAB", true},
      {"COM10", true},
      {"CONSOLE.CAB", true},
      {"sub\\SETUP.INI", true},
      {"SETUP.INI.CAB", true},
      {kA + ".exe", true},  // not the installer ka.exe
      {"", false},
      {"NUL", false},
      {"nul", false},
      {"CON", false},
      {"COM1", false},
      {"com9", false},
      {"LPT1", false},
      {"AUX", false},
      {"PRN", false},
      {"CONIN$", false},
      {"conout$", false},
      {"NUL.CAB", false},
      {"nul .cab", false},
      {"sub\\NUL", false},
      {"\\\\.\\NUL", false},
      {"\\\\?\\C:\\PKG.CAB", false},
      {"//server/share/PKG.CAB", false},
      {"..\\TorvelanOpen_ARM.CAB", false},
      {"sub\\..\\..\\PKG.CAB", false},
      {"../../../../../../../../../../../../etc/passwd", false},
      {".", false},
      {"..", false},
      {"C:\\PKG.CAB", false},
      {"C:PKG.CAB", false},
      {"PKG.CAB:stream", false},
      {"*.CAB", false},
      {"PKG\tCAB", false},
      {"sub\\", false},
      {"\\", false},
      {"sub\\\\PKG.CAB", false},
      {"PKG.CAB ", false},
      {"SETUP.INI", false},
      {"\\standard.ini", false},
      {"COMPACT.INI", false},
      {"SETUP.INI.", false},
      {ka + ".exe", false},
      {ka + ".EXE", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsPackageFileName(c.name, ka + ".exe", platform), c.expected) << c.name;
  }
}

TEST(IsAbsolutePath, ADriveWithItsRootOrANetworkPath) {
  struct Case {
    std::string path;
    bool expected;
  } cases[] = {
      {"C:\\CE\\CEAppMgr.exe", true},
      {"d:/CEAppMgr.exe", true},
      {"\\\\host\\ce\\CEAppMgr.exe", true},
      {"CEAppMgr.exe", false},
      {"CE\\CEAppMgr.exe", false},
      {"\\CE\\CEAppMgr.exe", false},
      {"C:CEAppMgr.exe", false},
      {"\"C:\\CE\\CEAppMgr.exe\"", false},
      {"C:", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsAbsolutePath(c.path), c.expected) << c.path;
}

TEST(CheckPackage, RefusesAPackageFileNameThatDoesNotFitThePathBuffer) {
  // kDir is 7 bytes: a name of 252 bytes just fits with its zero.
  struct Case {
    size_t name_length;
    bool expected;
  } cases[] = {{kPathBufferSize - 1 - kDir.size(), true},
               {kPathBufferSize - kDir.size(), false},
               {kPathBufferSize, false},
               {5000, false}};
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.AddPackage(kDir);
    std::string name(c.name_length, 'p');
    platform.ini[kDir + "STANDARD.INI"]["TorvelanOpen"]["CabFiles"] = name;
    platform.files.insert(kDir + name);
    PackagePaths paths;
    ASSERT_EQ(LocatePackage(platform, &paths), LOCATE_OK);
    EXPECT_EQ(CheckPackage(platform, paths), c.expected) << c.name_length;
    for (const std::string& queried : platform.queried_paths) {
      EXPECT_LT(queried.size(), kPathBufferSize);
    }
  }
}

TEST(ReadConfirmationInfo, ReadsBothValuesAndCutsThemToTheBuffer) {
  FakePlatform platform;
  platform.AddPackage(kDir);
  PackagePaths paths;
  ASSERT_EQ(LocatePackage(platform, &paths), LOCATE_OK);

  ConfirmationInfo info = ReadConfirmationInfo(platform, paths);
  EXPECT_EQ(info.os_version, "3.0");
  EXPECT_EQ(info.cpu, "ARM");

  // 62 single bytes and then 表: the pair would end at byte 64, past the 63
  // that fit, so it goes whole.
  platform.ini[kDir + "SETUP.INI"]["Application"]["CPU"] = std::string(62, 'c') + kHyo;
  platform.ini[kDir + "SETUP.INI"]["Application"]["OSVersion"] = std::string(100, 'v');
  info = ReadConfirmationInfo(platform, paths);
  EXPECT_EQ(info.cpu, std::string(62, 'c'));
  EXPECT_EQ(info.os_version, std::string(63, 'v'));

  platform.ini[kDir + "SETUP.INI"].clear();
  info = ReadConfirmationInfo(platform, paths);
  EXPECT_EQ(info.os_version, "");
  EXPECT_EQ(info.cpu, "");
}

TEST(BuildLaunchCommandLine, QuotesBothPaths) {
  EXPECT_EQ(BuildLaunchCommandLine("C:\\CE\\CEAppMgr.exe", "C:\\Pkg\\STANDARD.INI"),
            "\"C:\\CE\\CEAppMgr.exe\" \"C:\\Pkg\\STANDARD.INI\"");
  EXPECT_EQ(BuildLaunchCommandLine("", ""), "\"\" \"\"");
}

TEST(LaunchAppManager, StartsTheManagerWithTheDescriptionOfTheInstallType) {
  const std::string dir = "C:\\" + kHyo + "\\";
  struct Case {
    InstallType type;
    std::string expected_line;
  } cases[] = {
      {INSTALL_STANDARD, "\"C:\\CE\\CEAppMgr.exe\" \"" + dir + "STANDARD.INI\""},
      {INSTALL_COMPACT, "\"C:\\CE\\CEAppMgr.exe\" \"" + dir + "COMPACT.INI\""},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.AddPackage(dir);
    PackagePaths paths;
    ASSERT_EQ(LocatePackage(platform, &paths), LOCATE_OK);
    EXPECT_TRUE(LaunchAppManager(platform, paths, c.type));
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].first, "C:\\CE\\CEAppMgr.exe");
    EXPECT_EQ(platform.started[0].second, c.expected_line);
  }
}

TEST(LaunchAppManager, FailsWhenNotRegisteredOrNotStarted) {
  struct Case {
    const char* name;
    std::optional<std::string> app_manager;
    bool start_succeeds;
    size_t expected_starts;
  } cases[] = {
      {"not registered", std::nullopt, true, 0},
      {"empty value", std::string(), true, 0},
      {"bare name", std::string("CEAppMgr.exe"), true, 0},
      {"value too long", std::string(kPathBufferSize, 'x'), true, 0},
      {"process not created", std::string("C:\\CE\\CEAppMgr.exe"), false, 1},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.AddPackage(kDir);
    platform.app_manager = c.app_manager;
    platform.start_succeeds = c.start_succeeds;
    PackagePaths paths;
    ASSERT_EQ(LocatePackage(platform, &paths), LOCATE_OK);
    EXPECT_FALSE(LaunchAppManager(platform, paths, INSTALL_STANDARD)) << c.name;
    EXPECT_EQ(platform.started.size(), c.expected_starts) << c.name;
  }
}

TEST(LaunchAppManager, LongestPathsFitTheCommandLineBuffer) {
  FakePlatform platform;
  const std::string dir = "C:\\" + std::string(kPathBufferSize - 1 - 12 - 4, 'd') + "\\";
  platform.AddPackage(dir);
  platform.app_manager = "C:\\" + std::string(kPathBufferSize - 1 - 3, 'm');
  PackagePaths paths;
  ASSERT_EQ(LocatePackage(platform, &paths), LOCATE_OK);
  ASSERT_TRUE(LaunchAppManager(platform, paths, INSTALL_STANDARD));
  EXPECT_LT(platform.started[0].second.size(), kCommandLineBufferSize);
}

}  // namespace
}  // namespace tv
