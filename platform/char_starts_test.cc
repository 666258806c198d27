#include "platform/char_starts.h"

#include <gtest/gtest.h>

#include <random>

namespace tv {
namespace {

// Walks the bytes one character at a time.
uint64_t StartsWalked(uint64_t takes_next) {
  uint64_t starts = 0;
  for (int i = 0; i < 64;) {
    starts |= uint64_t{1} << i;
    i += ((takes_next >> i) & 1) ? 2 : 1;
  }
  return starts;
}

TEST(CharacterStartsTest, AgreesWithAWalkOverTheBytes) {
  // Every pattern of the first 16 bytes (the rest taking nothing, or all
  // taking), then random masks of every density.
  for (uint64_t low = 0; low < 0x10000; ++low) {
    for (uint64_t rest : {uint64_t{0}, ~uint64_t{0xFFFF}}) {
      uint64_t takes = low | rest;
      ASSERT_EQ(CharacterStarts(takes), StartsWalked(takes)) << std::hex << takes;
    }
  }
  std::mt19937_64 rng(5);
  for (int round = 0; round < 200000; ++round) {
    uint64_t takes = rng();
    for (int k = round % 4; k > 0; --k) takes |= rng();  // denser runs
    uint64_t starts = CharacterStarts(takes);
    ASSERT_EQ(starts, StartsWalked(takes)) << std::hex << takes;
    int last = 63;
    while (((starts >> last) & 1) == 0) --last;
    bool goes_on = last == 63 && ((takes >> 63) & 1);
    ASSERT_EQ(LastCharacterGoesOn(starts, takes), goes_on);
  }
}

}  // namespace
}  // namespace tv
