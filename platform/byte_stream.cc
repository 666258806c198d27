#include "platform/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace tv {

ptrdiff_t StringSource::Read(void* buf, size_t n) {
  if (pos_ >= fail_after_) return -1;
  size_t limit = std::min(bytes_.size(), fail_after_);
  size_t count = std::min(n, limit - std::min(pos_, limit));
  if (count == 0) return pos_ >= bytes_.size() ? 0 : -1;
  std::memcpy(buf, bytes_.data() + pos_, count);
  pos_ += count;
  return static_cast<ptrdiff_t>(count);
}

size_t StringSink::Write(const void* buf, size_t n) {
  size_t room = capacity_ - std::min(capacity_, bytes_.size());
  size_t count = std::min(n, room);
  bytes_.append(static_cast<const char*>(buf), count);
  return count;
}

}  // namespace tv
