// Upper-case mapping of one UTF-16 unit, independent of the process locale.
#ifndef TV_PLATFORM_CASE_MAP_H_
#define TV_PLATFORM_CASE_MAP_H_

namespace tv {

// Unicode's simple upper-case mapping of a single unit. A unit whose upper
// case lies outside the BMP, and every surrogate, is returned unchanged.
char16_t ToUpperUnit(char16_t unit);

}  // namespace tv

#endif  // TV_PLATFORM_CASE_MAP_H_
