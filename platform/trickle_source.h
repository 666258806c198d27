// For tests: a source that hands out its bytes a few at a time, as a pipe
// may, and cannot be read twice.
#ifndef TV_PLATFORM_TRICKLE_SOURCE_H_
#define TV_PLATFORM_TRICKLE_SOURCE_H_

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "platform/byte_stream.h"

namespace tv {

class TrickleSource : public ByteSource {
 public:
  // Each read gives 1 to `most` bytes, as the seed draws them.
  TrickleSource(std::string bytes, unsigned seed, size_t most = 7)
      : bytes_(std::move(bytes)), rng_(seed), most_(most) {}
  ptrdiff_t Read(void* buf, size_t n) override {
    size_t count = std::min({n, bytes_.size() - pos_, size_t{1} + rng_() % most_});
    std::memcpy(buf, bytes_.data() + pos_, count);
    pos_ += count;
    return static_cast<ptrdiff_t>(count);
  }

 private:
  std::string bytes_;
  size_t pos_ = 0;
  std::mt19937 rng_;
  size_t most_;
};

}  // namespace tv

#endif  // TV_PLATFORM_TRICKLE_SOURCE_H_
