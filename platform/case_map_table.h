// The generated upper-case table (platform/case_map_table.cc).
#ifndef TV_PLATFORM_CASE_MAP_TABLE_H_
#define TV_PLATFORM_CASE_MAP_TABLE_H_

#include <cstdint>

namespace tv::case_map {

// kUpper[kUpperPage[unit >> 8]][unit & 0xFF] is the upper case of unit, or 0
// when the unit has none of its own.
extern const uint8_t kUpperPage[256];
extern const char16_t kUpper[][256];

}  // namespace tv::case_map

#endif  // TV_PLATFORM_CASE_MAP_TABLE_H_
