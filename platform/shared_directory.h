// The shell's current directory on Linux: the variable
// TORVELAN_CURRENT_DIRECTORY in the tool's own environment, the device path
// as UTF-8 (bytes that are not UTF-8 escaped as in arguments). It is per
// process, so no other user or session can steer it, and nothing is left
// behind when a shell dies. Read as the device's 260-unit share: the text's
// units, then zero units.
#ifndef TV_PLATFORM_SHARED_DIRECTORY_H_
#define TV_PLATFORM_SHARED_DIRECTORY_H_

#include <string>
#include <string_view>

#include "platform/env.h"

namespace tv {

inline constexpr char kShareVariable[] = "TORVELAN_CURRENT_DIRECTORY";

// The share's units for a variable's value: its first 260 units, zeros after
// a shorter text. A text of 260 units or more leaves no zero unit, exactly
// like a share without one.
void ShareUnitsFromValue(std::string_view value, char16_t units[kShareUnits]);

// For the shell: the variable's value that publishes a directory text. A
// text of more than 259 units, which would leave no room for the zero unit,
// is refused (false, errno ENAMETOOLONG): cut, it would name another folder.
bool ShareValueFor(std::u16string_view directory, std::string* value);

}  // namespace tv

#endif  // TV_PLATFORM_SHARED_DIRECTORY_H_
