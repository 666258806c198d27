#include "tools/kanvo/newline.h"

#include <cstring>

namespace kanvo {

namespace {
constexpr char kCr = 0x0D;
constexpr char kLf = 0x0A;
}  // namespace

NewlineKind DetectNewlineKind(std::string_view input) {
  if (input.empty()) return NL_NONE;
  const char* const data = input.data();
  const size_t length = input.size();
  const char* const end = data + length;
  uint64_t crs = 0, lfs = 0, pairs = 0;
  // Line breaks are sparse: memchr jumps from one to the next.
  for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, kLf, end - p))); ++p) {
    ++lfs;
  }
  for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, kCr, end - p))); ++p) {
    ++crs;
    size_t rest = end - p - 1;  // bytes after this CR
    if (rest >= 1 && p[1] == kLf) {
      ++pairs;
    } else if (rest >= 3 && p[1] == 0 && p[2] == kLf && p[3] == 0) {
      ++pairs;  // CR LF as little-endian UTF-16 units
    }
  }
  if (pairs == 0) {
    if (crs == 0 && lfs == 0) return NL_NONE;
    return crs < lfs ? NL_LF : NL_CR;
  }
  // The share of CRs that begin a pair is below 50 % exactly when twice the
  // pairs fall short of the CRs; likewise for the LFs that end one. Neither
  // count is 0 here, since every pair adds to both.
  if (2 * pairs < crs) return NL_CR;
  return 2 * pairs >= lfs ? NL_CRLF : NL_LF;
}

NewlineKind DefaultNewlineTarget(TextCode output_code) {
  return (output_code == CODE_JIS || output_code == CODE_EUC) ? NL_LF : NL_CRLF;
}

NewlineSequence SoughtSequence(NewlineKind kind) {
  switch (kind) {
    case NL_CR:
      return {{kCr, 0}, 1};
    case NL_LF:
      return {{kLf, 0}, 1};
    default:
      return {{kCr, kLf}, 2};
  }
}

NewlineSequence ReplacementSequence(NewlineKind target) {
  switch (target) {
    case NL_CR:
      return {{kCr, 0}, 1};
    case NL_LF:
      return {{kLf, 0}, 1};
    default:
      return {{kCr, kLf}, 2};
  }
}

}  // namespace kanvo
