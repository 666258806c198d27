// A hint that a large block of memory about to be filled in order should
// be backed by large pages: one fault then serves megabytes instead of
// kilobytes. Only the hint; the block stays the caller's, from new[].
#ifndef TV_PLATFORM_HUGE_PAGES_H_
#define TV_PLATFORM_HUGE_PAGES_H_

#include <cstddef>

namespace tv {

// Asks for large pages for the whole large pages inside [block, block +
// bytes). Does nothing for small blocks or where the system has none.
void AdviseHugePages(void* block, size_t bytes);

}  // namespace tv

#endif  // TV_PLATFORM_HUGE_PAGES_H_
