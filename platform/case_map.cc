#include "platform/case_map.h"

#include "platform/case_map_table.h"

namespace tv {

char16_t ToUpperUnit(char16_t unit) {
  // A table rather than towupper: the C library maps only ASCII in the C
  // locale, and the result must not depend on the locale at all.
  char16_t upper = case_map::kUpper[case_map::kUpperPage[unit >> 8]][unit & 0xFF];
  return upper != 0 ? upper : unit;
}

}  // namespace tv
