#include "tools/kanvo/output_writer.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/wide_writer.h"
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
    Flush();
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

}  // namespace

ConvStatus AssembleUtf16Output(std::string_view pivot, NewlineKind current, NewlineKind target,
                               std::string* output, NewlineKind* result_kind) {
  NewlineRewrite rewrite = kNoRewrite;
  if (current != target) rewrite = {SoughtSequence(current), ReplacementSequence(target)};

  // Two passes: count, then fill a buffer of exactly that size, so the
  // pivot and the result are the only copies of the text.
  size_t units = 0;
  DecodeSjis(pivot, rewrite, [&units](char16_t) { ++units; });
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

ConvStatus WriteOutputFile(tv::Env& env, std::u16string_view name, std::string_view text,
                           TextCode code, NewlineKind current, NewlineKind target) {
  std::unique_ptr<tv::OutputFile> file = env.CreateOutputFile(name);
  if (!file) return CONV_ERR_CREATE;
  BufferedOutput out(file.get());
  out.Append(MarkOf(code));
  if (current == target) {
    out.Append(text);
  } else {
    WriteRewritten(&out, text, SoughtSequence(current), ReplacementSequence(target));
  }
  // Dropping the file uncommitted leaves the previous one whole.
  if (!out.Flush() || !file->Commit()) return CONV_ERR_IO;
  return CONV_OK;
}

ConvStatus WriteToConsole(tv::Env& env, std::string_view sjis, NewlineKind current) {
  // The console always shows CR LF; a CR LF text is shown as it is.
  NewlineRewrite rewrite = kNoRewrite;
  if (current == NL_CR || current == NL_LF) {
    rewrite = {SoughtSequence(current), ReplacementSequence(NL_CRLF)};
  }
  tv::WideWriter writer(&env.StdOut());
  // Pieces of the decoded text, so the whole of it is never held as UTF-16.
  constexpr size_t kChunk = 32 * 1024;
  std::u16string chunk;
  chunk.reserve(kChunk);
  DecodeSjis(sjis, rewrite, [&](char16_t unit) {
    chunk.push_back(unit);
    if (chunk.size() == kChunk) {
      writer.PutString(chunk);
      chunk.clear();
    }
  });
  writer.PutString(chunk);
  writer.PutLine(u"");
  return writer.Flush() ? CONV_OK : CONV_ERR_IO;
}

}  // namespace kanvo
