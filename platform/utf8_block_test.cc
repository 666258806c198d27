#include "platform/utf8_block.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tv {
namespace {

// Where the processor has byte shuffles, the blocks are decoded with them;
// both ways must give the same units, bytes and stop, on blocks of every
// kind: ASCII, Japanese, two-byte characters, CR LF, and the bytes that
// make a block go character by character.
TEST(Utf8BlockTest, ShuffledAgreesWithOneByOne) {
  const std::string_view pieces[] = {
      "\xE6\x97\xA5", "\xE3\x81\x82", "abc ",         "\xC3\xA9",         "\r\n",
      "\r",           "\n",           "\xEF\xBD\x81", "\xDF\xBF",         "\xE0\xA0\x80",
      "\xE0\x9F\xBF", "\xED\xA0\x80", "\xC1\xBF",     "\xF0\x9F\x98\x80", "\x80",
      "\xE6\x97"};
  std::mt19937 rng(5);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    // Mostly the first few pieces, so that most blocks pass.
    size_t kinds = 1 + rng() % std::size(pieces);
    while (bytes.size() < 64 * 6 + 3) bytes += pieces[rng() % 100 < 90 ? rng() % 5 : rng() % kinds];
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t room = 64 + rng() % 400;
    std::vector<char16_t> fast(room), plain(room);
    size_t fast_units = 0, plain_units = 0;
    bool fast_refused = false, plain_refused = true;
    size_t fast_taken =
        DecodeUtf8Blocks(in, bytes.size(), fast.data(), room, &fast_units, &fast_refused);
    size_t plain_taken = DecodeUtf8BlocksOneByOne(in, bytes.size(), plain.data(), room,
                                                  &plain_units, &plain_refused);
    ASSERT_EQ(fast_taken, plain_taken) << round;
    ASSERT_EQ(fast_refused, plain_refused) << round;
    ASSERT_EQ(fast_units, plain_units) << round;
    fast.resize(fast_units);
    plain.resize(plain_units);
    ASSERT_EQ(fast, plain) << round;
  }
}

}  // namespace
}  // namespace tv
