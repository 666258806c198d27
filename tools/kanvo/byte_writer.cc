#include "tools/kanvo/byte_writer.h"

#include <new>
#include <stdexcept>

#include "tools/kanvo/convert.h"

namespace kanvo {

uint8_t* ByteWriter::Grow(size_t used, size_t count) {
  // Half as much again at least, so that n bytes cost O(n) copying in all.
  size_t capacity = buffer_.size() + buffer_.size() / 2 + 256;
  if (capacity < used + count) capacity = used + count + 256;
  buffer_.resize(capacity);
  return start() + used;
}

bool AppendBytes(std::string* buffer, std::string_view bytes) {
  if (buffer == nullptr) return false;
  try {
    size_t needed = buffer->size() + bytes.size();
    if (needed > buffer->capacity()) {
      size_t capacity = buffer->capacity() + buffer->capacity() / 2 + 256;
      buffer->reserve(capacity > needed ? capacity : needed);
    }
    buffer->append(bytes);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

}  // namespace kanvo
