#include "tools/kanvo/input_passes.h"

#include <memory>
#include <new>

#include "tools/kanvo/detect.h"
#include "tools/kanvo/file_reader.h"
#include "tools/kanvo/newline.h"

namespace kanvo {

ConvStatus ScanInput(tv::ByteSource& source, bool detect, InputScan* scan) {
  scan->held = false;
  scan->text.clear();
  // A source that cannot be read twice is spooled to a temporary file; it
  // is held in memory only where even that cannot be made.
  if (!source.Spool() || source.Size() < 0 || !source.Rewind()) {
    ConvStatus status = ReadWholeSource(source, &scan->text);
    if (status != CONV_OK) return status;
    scan->held = true;
    if (detect) {
      scan->code = DetectInputCode(scan->text);
      if (scan->code == CODE_INVALID) scan->fallback_code = FallbackInputCode(scan->text);
    }
    scan->kind = DetectNewlineKind(scan->text);
    return CONV_OK;
  }
  ConvStatus status = ScanOnce(source, detect, scan);
  if (status != CONV_OK) return status;
  return source.Rewind() ? CONV_OK : CONV_ERR_IO;
}

ConvStatus ScanOnce(tv::ByteSource& source, bool detect, InputScan* scan) {
  scan->size = 0;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadSize]);
  if (!buffer) return CONV_ERR_NOMEM;
  DetectScanner scanner;
  NewlineCounter counter;
  for (;;) {
    ptrdiff_t n = source.Read(buffer.get(), kReadSize);
    if (n < 0) return CONV_ERR_IO;
    if (n == 0) break;
    std::string_view piece(buffer.get(), static_cast<size_t>(n));
    if (detect) scanner.Feed(piece);
    counter.Feed(piece);
    scan->size += static_cast<uint64_t>(n);
  }
  scan->code = scanner.Code();
  scan->fallback_code = scanner.FallbackCode();
  scan->kind = counter.Kind();
  return CONV_OK;
}

ConvStatus ConvertInput(tv::ByteSource& source, InputScan* scan, StreamConverter* converter,
                        bool* read_failed) {
  *read_failed = false;
  if (scan->held) {
    std::string_view text = scan->text;
    for (size_t at = 0; at < text.size(); at += kReadSize) {
      ConvStatus status = converter->Feed(text.substr(at, kReadSize));
      if (status != CONV_OK) return status;
    }
    std::string().swap(scan->text);
    return converter->Finish();
  }
  // Only the bytes scanned are converted: a file that grows meanwhile (an
  // output appended to the input) would otherwise never end.
  uint64_t left = scan->size;
  for (;;) {
    // Read where the converter holds its input, not into a buffer of our own.
    char* room;
    try {
      room = converter->Room(kReadSize);
    } catch (const std::bad_alloc&) {
      return CONV_ERR_NOMEM;
    }
    size_t want = left < kReadSize ? static_cast<size_t>(left) : kReadSize;
    ptrdiff_t n = want == 0 ? 0 : source.Read(room, want);
    if (n < 0) {
      *read_failed = true;
      return CONV_ERR_IO;
    }
    left -= static_cast<uint64_t>(n);
    ConvStatus status = converter->FeedRoom(static_cast<size_t>(n));
    if (status != CONV_OK) return status;
    if (n == 0) break;
  }
  return converter->Finish();
}

}  // namespace kanvo
