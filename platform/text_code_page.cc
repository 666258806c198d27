#include "platform/text_code_page.h"

#include <string>

#include "platform/utf8_check.h"

namespace tv {

namespace {

constexpr size_t kPieceSize = 256 * 1024;

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
    char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
    if (x != y) return false;
  }
  return true;
}

InputMode ModeOf(Utf8Check& check) {
  return check.ValidWithMultiByte() ? InputMode::kUtf8Text : InputMode::kText;
}

}  // namespace

std::optional<CodePageSetting> CodePageSettingFor(const std::optional<std::string_view>& value) {
  if (!value || value->empty() || SameIgnoringAsciiCase(*value, "AUTO")) {
    return CodePageSetting::kPerFile;
  }
  if (*value == "932") return CodePageSetting::kCp932;
  if (*value == "65001" || SameIgnoringAsciiCase(*value, "UTF-8") ||
      SameIgnoringAsciiCase(*value, "UTF8")) {
    return CodePageSetting::kUtf8;
  }
  return std::nullopt;
}

InputMode ChooseTextMode(CodePageSetting setting, std::unique_ptr<ByteSource>* source) {
  if (setting == CodePageSetting::kCp932) return InputMode::kText;
  if (setting == CodePageSetting::kUtf8) return InputMode::kUtf8Text;
  ByteSource& in = **source;
  Utf8Check check;
  // A pipe or FIFO goes to an unnamed temporary file, so that it is judged
  // whole without being held in memory; only where none can be made is it
  // held below.
  in.Spool();
  if (in.Size() >= 0 && in.Rewind()) {
    std::unique_ptr<char[]> piece(new char[kPieceSize]);
    // A text that fails early (a Shift_JIS file) is not read further.
    while (!check.failed()) {
      ptrdiff_t n = in.Read(piece.get(), kPieceSize);
      if (n <= 0) break;  // a read error shows again when the text is read
      check.Feed(std::string_view(piece.get(), static_cast<size_t>(n)));
    }
    if (in.Rewind()) return ModeOf(check);
    // Neither code page can be had from a file that will not go back.
    return InputMode::kText;
  }
  std::string held;
  bool failed = false;
  for (;;) {
    size_t at = held.size();
    held.resize(at + kPieceSize);
    ptrdiff_t n = in.Read(held.data() + at, kPieceSize);
    held.resize(at + static_cast<size_t>(n > 0 ? n : 0));
    if (n <= 0) {
      failed = n < 0;
      break;
    }
    check.Feed(std::string_view(held.data() + at, static_cast<size_t>(n)));
  }
  size_t size = held.size();
  auto copy = std::make_unique<StringSource>(std::move(held));
  if (failed) copy->FailAfter(size);
  *source = std::move(copy);
  return ModeOf(check);
}

}  // namespace tv
