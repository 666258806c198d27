#include "tools/kanvo/output_writer.h"

#include <cstring>
#include <memory>
#include <new>

#include "platform/cp932.h"
#include "tools/kanvo/newline.h"
#include "tools/kanvo/sjis_decode.h"

namespace kanvo {

namespace {

// Gathers small pieces (segments between line breaks, the breaks
// themselves) into large writes, so a text of many lines costs a few system
// calls rather than two per line.
class BufferedOutput {
 public:
  explicit BufferedOutput(tv::OutputFile* file) : file_(file) { buffer_.reserve(kSize); }

  void Append(std::string_view bytes) {
    if (failed_) return;
    if (buffer_.size() + bytes.size() <= kSize) {
      buffer_.append(bytes);
      return;
    }
    if (!Flush()) return;
    if (bytes.size() >= kSize) {
      WriteDirect(bytes);
    } else {
      buffer_.append(bytes);
    }
  }

  // False once any write has come up short.
  bool Flush() {
    if (!failed_ && !buffer_.empty()) WriteDirect(buffer_);
    buffer_.clear();
    return !failed_;
  }

 private:
  static constexpr size_t kSize = 256 * 1024;

  void WriteDirect(std::string_view bytes) {
    // The count written, not a success flag: a short write is a failure.
    if (file_->Write(bytes.data(), bytes.size()) != bytes.size()) failed_ = true;
  }

  tv::OutputFile* file_;
  std::string buffer_;
  bool failed_ = false;
};

std::string_view MarkOf(TextCode code) {
  if (code == CODE_UTF8) return "\xEF\xBB\xBF";
  if (code == CODE_UNICODE) return "\xFF\xFE";
  return {};
}

std::string_view AsBytes(const NewlineSequence& sequence) {
  return std::string_view(reinterpret_cast<const char*>(sequence.units), sequence.size);
}

// Writes text with every `sought` sequence replaced, one pass, no copy of
// the text beyond the write buffer.
void WriteRewritten(BufferedOutput* out, std::string_view text, NewlineSequence sought,
                    NewlineSequence replacement) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char first = static_cast<char>(sought.units[0]);
  const char second = static_cast<char>(sought.units[1]);
  const char* segment = begin;
  const char* p = begin;
  while (p < end) {
    const char* hit = static_cast<const char*>(std::memchr(p, first, end - p));
    if (hit == nullptr) break;
    if (sought.size == 2 && (hit + 1 == end || hit[1] != second)) {
      p = hit + 1;  // a lone CR in a CR LF text passes unchanged
      continue;
    }
    out->Append(std::string_view(segment, hit - segment));
    out->Append(AsBytes(replacement));
    p = segment = hit + sought.size;
  }
  out->Append(std::string_view(segment, end - segment));
}

// Standard output of decoded text: UTF-16 units go out as UTF-8 through a
// fixed buffer, so the text is never held whole a second time. Code page
// 932 yields no surrogates; one would go out as U+FFFD, as on the console.
class ConsoleOutput {
 public:
  explicit ConsoleOutput(tv::ByteSink* sink) : sink_(sink) {}

  void Put(char16_t unit) {
    if (used_ > kSize - 3) Drain();
    used_ += EncodeConsoleUnit(unit, buffer_ + used_);
  }

  // Writes what is left; false when any write came up short.
  bool Finish() {
    Drain();
    if (!failed_ && !sink_->Flush()) failed_ = true;
    return !failed_;
  }

 private:
  static constexpr size_t kSize = 64 * 1024;

  void Drain() {
    if (!failed_ && used_ > 0 && sink_->Write(buffer_, used_) != used_) failed_ = true;
    used_ = 0;
  }

  tv::ByteSink* sink_;
  char buffer_[kSize];
  size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace

const Cp932DecodeTable& Cp932Decoding() {
  static const std::unique_ptr<Cp932DecodeTable> table = [] {
    auto t = std::make_unique<Cp932DecodeTable>();
    for (int b = 0; b < 256; ++b) {
      uint8_t byte = static_cast<uint8_t>(b);
      t->lead[b] = tv::Cp932IsLeadByte(byte);
      t->single[b] = tv::Cp932SingleByteToUnit(byte);
      for (int trail = 0; trail < 256; ++trail) {
        bool takes_trail = t->lead[b] && trail != 0;
        t->pair[b][trail] =
            takes_trail ? tv::Cp932PairToUnit(byte, static_cast<uint8_t>(trail)) : t->single[b];
      }
    }
    return t;
  }();
  return *table;
}

ConvStatus AssembleUtf16Output(std::string_view pivot, NewlineKind current, NewlineKind target,
                               std::string* output, NewlineKind* result_kind) {
  NewlineRewrite rewrite = kNoRewrite;
  if (current != target) rewrite = {SoughtSequence(current), ReplacementSequence(target)};

  // Two passes: count, then fill a buffer of exactly that size, so the
  // pivot and the result are the only copies of the text.
  size_t units = CountSjisUnits(pivot, rewrite);
  if (units > output->max_size() / 2) return CONV_ERR_NOMEM;
  std::string result;
  try {
    result.resize(units * 2);
  } catch (const std::bad_alloc&) {
    return CONV_ERR_NOMEM;
  }
  char* out = result.data();
  DecodeSjis(pivot, rewrite, [&out](char16_t unit) {
    *out++ = static_cast<char>(unit & 0xFF);  // little-endian, whatever the host
    *out++ = static_cast<char>(unit >> 8);
  });
  *output = std::move(result);
  *result_kind = target;
  return CONV_OK;
}

ConvStatus WriteOutputFile(tv::OutputTarget& output, std::string_view text, TextCode code,
                           NewlineKind current, NewlineKind target) {
  std::unique_ptr<tv::OutputFile> file = output.Create();
  if (!file) return CONV_ERR_CREATE;
  BufferedOutput out(file.get());
  out.Append(MarkOf(code));
  if (current == target) {
    out.Append(text);
  } else {
    WriteRewritten(&out, text, SoughtSequence(current), ReplacementSequence(target));
  }
  // Dropping the file uncommitted leaves the previous one whole.
  if (!out.Flush()) return CONV_ERR_IO;
  if (!file->Commit()) return file->PlacementRefused() ? CONV_ERR_CREATE : CONV_ERR_IO;
  return CONV_OK;
}

ConvStatus WriteToConsole(tv::Env& env, std::string_view sjis, NewlineKind current) {
  // The console always shows CR LF; a CR LF text is shown as it is.
  NewlineRewrite rewrite = kNoRewrite;
  if (current == NL_CR || current == NL_LF) {
    rewrite = {SoughtSequence(current), ReplacementSequence(NL_CRLF)};
  }
  ConsoleOutput out(&env.StdOut());
  DecodeSjis(sjis, rewrite, [&out](char16_t unit) { out.Put(unit); });
  out.Put(u'\n');  // the line end of line output
  return out.Finish() ? CONV_OK : CONV_ERR_IO;
}

}  // namespace kanvo
