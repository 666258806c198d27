// Where the characters of a byte code with one- and two-byte characters
// start, for 64 bytes at once.
#ifndef TV_PLATFORM_CHAR_STARTS_H_
#define TV_PLATFORM_CHAR_STARTS_H_

#include <cstdint>

namespace tv {

// Bit i of `takes_next` tells whether byte i, where a character starts
// there, takes byte i + 1 along (a lead byte, say). Byte 0 starts a
// character. Returns the bytes that start one: every byte but those taken
// along. In a run of bytes that would take the next one, every second byte
// from the run's start is taken along, so the answer is a matter of each
// run's parity, which the carries of one addition give: runs that start on
// an odd bit are cleared by it, leaving a carry just past their end.
inline uint64_t CharacterStarts(uint64_t takes_next) {
  constexpr uint64_t kEven = 0x5555555555555555ull;
  uint64_t follows = takes_next << 1;  // bytes just after a taker
  uint64_t odd_runs = takes_next & ~kEven & ~follows;
  uint64_t even_runs = (odd_runs + takes_next) << 1;
  uint64_t taken = (kEven ^ even_runs) & follows;
  return ~taken;
}

// Whether the character that starts at byte 63 takes a byte past the 64.
inline bool LastCharacterGoesOn(uint64_t starts, uint64_t takes_next) {
  return ((starts & takes_next) >> 63) != 0;
}

}  // namespace tv

#endif  // TV_PLATFORM_CHAR_STARTS_H_
