// The shell's current-directory share on Linux: the POSIX shared-memory
// object /TORVELAN_CURRENT_DIRECTORY, 520 bytes of UTF-16LE ended by a zero.
#ifndef TV_PLATFORM_SHARED_DIRECTORY_H_
#define TV_PLATFORM_SHARED_DIRECTORY_H_

#include <string_view>

#include "platform/env.h"

namespace tv {

inline constexpr char kShareName[] = "/TORVELAN_CURRENT_DIRECTORY";

// Copies the published units (zeros past a shorter object); false when no
// share exists. Opens read-only and never creates the object.
bool ReadSharedDirectory(char16_t units[kShareUnits]);

// For the shell and the tests: publishes a directory text and removes it
// again. A text of more than 259 units, which would leave no room for the
// zero unit, is refused (false, errno ENAMETOOLONG) and nothing is published.
bool PublishSharedDirectory(std::u16string_view directory);
bool RemoveSharedDirectory();

}  // namespace tv

#endif  // TV_PLATFORM_SHARED_DIRECTORY_H_
