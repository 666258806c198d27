// KANVO's conversion of a text that comes in pieces: raw input to the
// Shift_JIS pivot, the pivot to the output code with its line breaks and
// mark, written out as it goes. Only a piece and what its converted forms
// take are held, whatever the size of the text; the bytes written are
// those of converting the whole text at once.
#ifndef TV_TOOLS_KANVO_STREAM_CONVERT_H_
#define TV_TOOLS_KANVO_STREAM_CONVERT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/byte_stream.h"
#include "tools/kanvo/char_convert.h"
#include "tools/kanvo/kanvo_types.h"

namespace kanvo {

struct StreamPlan {
  TextCode input_code;   // never CODE_AUTO, CODE_ASCII or CODE_INVALID
  TextCode output_code;  // ignored for the console
  NewlineKind current;   // the input's line breaks (DetectNewlineKind)
  NewlineKind target;    // the file's line breaks
  bool console;          // standard output: the pivot shown as UTF-8
};

class StreamConverter {
 public:
  // Writes to `sink`, which must outlive the converter.
  StreamConverter(const StreamPlan& plan, tv::ByteSink* sink);

  // Takes the next piece of the input, of any size, cut anywhere.
  // CONV_ERR_IO once a write came up short, CONV_ERR_NOMEM when memory
  // failed; nothing more is written after either.
  ConvStatus Feed(std::string_view piece);

  // The same without a copy: Room(n) gives room for up to n bytes, to be
  // read into and then handed over with FeedRoom(count).
  char* Room(size_t n);
  ConvStatus FeedRoom(size_t count);

  // Converts what is held back, as the end of the text, and writes it all
  // (the console's last line break included).
  ConvStatus Finish();

  // The characters replaced so far on the way to a legacy code (best fit,
  // '?', the replacement mark), or, from UTF-16 to UTF-8, halves of no
  // surrogate pair.
  uint64_t replaced() const { return replaced_; }

 private:
  template <typename Step>
  ConvStatus Guarded(Step step);
  ConvStatus Decode(bool final);
  ConvStatus Encode(std::string_view pivot, bool final);
  void Emit(std::string_view bytes, bool final);
  void Put(std::string_view bytes);
  bool Drain();
  void PutConsoleUnit(char16_t unit);

  StreamPlan plan_;
  tv::ByteSink* sink_;
  ConvStatus status_ = CONV_OK;
  // Between two Unicode forms the text goes straight across, no pivot.
  bool direct_ = false;
  bool direct_cr_held_ = false;  // a CR that may begin a sought CR LF
  uint64_t replaced_ = 0;

  // Input bytes waiting for the rest of their character.
  std::string raw_;
  std::string room_;  // Room's bytes for an input that is the pivot itself
  size_t room_size_ = 0;
  bool at_start_ = true;  // no input byte converted yet (a mark may come)
  EscapeClass jis_mode_ = ESC_SINGLE_BYTE;
  std::string pivot_;

  // Pivot bytes waiting for the rest of their character.
  std::string held_pivot_;
  std::string encoded_;
  bool jis_open_ = false;  // the output so far left off in the two-byte set

  bool mark_written_ = false;
  bool cr_held_ = false;  // a CR that may begin a sought CR LF

  std::string out_;  // bytes not yet written
};

}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_STREAM_CONVERT_H_
