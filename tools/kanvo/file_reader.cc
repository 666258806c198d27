#include "tools/kanvo/file_reader.h"

#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>

namespace kanvo {

namespace {

// Growth step for a source that does not know its size (a pipe, a device)
// and for a file that grew after it was sized.
constexpr size_t kReadStep = 1 << 20;

// Reads until the end of the source into *data, which it grows as needed.
// The size of a regular file only sets the first allocation: the text is
// whatever the reads deliver, so a file that changed size is never cut.
ConvStatus ReadToEnd(tv::ByteSource& source, std::string* data) {
  size_t filled = 0;
  for (;;) {
    if (filled == data->size()) {
      size_t grow = data->size() < kReadStep ? kReadStep : data->size();
      if (grow > data->max_size() - data->size()) return CONV_ERR_NOMEM;
      data->resize(data->size() + grow);
    }
    ptrdiff_t n = source.Read(data->data() + filled, data->size() - filled);
    if (n < 0) return CONV_ERR_IO;
    if (n == 0) break;
    filled += static_cast<size_t>(n);
  }
  data->resize(filled);
  return CONV_OK;
}

}  // namespace

ConvStatus ReadWholeFile(tv::Env& env, std::u16string_view name, std::string* data) {
  data->clear();
  std::unique_ptr<tv::ByteSource> source = env.OpenFile(name);
  if (!source) return CONV_ERR_IO;
  return ReadWholeSource(*source, data);
}

ConvStatus ReadWholeSource(tv::ByteSource& source_ref, std::string* data) {
  data->clear();
  tv::ByteSource* source = &source_ref;
  int64_t size = source->Size();
  std::string text;
  ConvStatus status;
  try {
    if (size > 0) {
      // The full 64-bit size, then one byte more, so the end of the file is
      // seen without growing the buffer.
      if (static_cast<uint64_t>(size) >= text.max_size()) return CONV_ERR_NOMEM;
      text.resize(static_cast<size_t>(size) + 1);
    }
    status = ReadToEnd(*source, &text);
  } catch (const std::bad_alloc&) {
    status = CONV_ERR_NOMEM;
  } catch (const std::length_error&) {
    status = CONV_ERR_NOMEM;
  }
  if (status != CONV_OK) return status;
  *data = std::move(text);
  return CONV_OK;
}

}  // namespace kanvo
