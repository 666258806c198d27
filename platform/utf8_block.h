// UTF-8 text decoded 64 bytes at a time, where the block holds nothing but
// short, valid characters.
#ifndef TV_PLATFORM_UTF8_BLOCK_H_
#define TV_PLATFORM_UTF8_BLOCK_H_

#include <cstddef>

namespace tv {

constexpr size_t kUtf8BlockBytes = 64;

// Decodes block after block from `in` (`avail` bytes) while each holds
// only one- to three-byte valid characters and at least 67 bytes and 64
// units of `room` are left. A block's first byte must start a character;
// CR LF is one line feed; a character that runs past a block goes with the
// next one. Stores the units at `out` and returns the bytes taken,
// *units the units stored; *refused tells whether it stopped at a block
// that holds anything else (four-byte characters, invalid bytes), which
// the caller decodes character by character.
size_t DecodeUtf8Blocks(const unsigned char* in, size_t avail, char16_t* out, size_t room,
                        size_t* units, bool* refused);

// The same with the units picked out one at a time, as on a processor
// without byte shuffles: what DecodeUtf8Blocks is held to where it has them.
size_t DecodeUtf8BlocksOneByOne(const unsigned char* in, size_t avail, char16_t* out,
                                size_t room, size_t* units, bool* refused);

}  // namespace tv

#endif  // TV_PLATFORM_UTF8_BLOCK_H_
