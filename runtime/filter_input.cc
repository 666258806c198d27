#include "runtime/filter_input.h"

#include <string>

#include "platform/text_code_page.h"

namespace tv {

std::unique_ptr<WideReader> RedirectInputFromFile(Env& env, const char16_t* path, bool unicode,
                                                  InputMode text_mode) {
  if (path == nullptr || *path == 0) return nullptr;
  std::unique_ptr<ByteSource> file = env.OpenFile(path);
  if (!file) return nullptr;
  return std::make_unique<WideReader>(std::move(file), unicode ? InputMode::kUnicode : text_mode);
}

bool StdInHoldsText(Env& env) {
  FileAttributes attrs = env.GetFileAttributes(kStandardStreamName);
  return attrs.exists && (attrs.regular || attrs.stream);
}

void SkipByteOrderMark(WideReader& in) {
  int unit = in.GetUnit();
  if (unit < 0 || unit == 0xFEFF || unit == 0xFFFE) return;
  in.UngetUnit(static_cast<char16_t>(unit));
}

std::optional<InputMode> ChosenTextMode(Env& env) {
  std::optional<std::string> value = env.GetVariable(kCodePageVariable);
  std::optional<InputMode> mode =
      TextModeFor(value ? std::optional<std::string_view>(*value) : std::nullopt);
  if (!mode) {
    // The value's bytes go out as they are, whatever they hold.
    std::string message = std::string(kCodePageVariable) + " の値「" + *value +
                          "」は使えません。932 か 65001 (UTF-8) を指定してください。\n";
    env.StdErr().Write(message.data(), message.size());
    env.StdErr().Flush();
  }
  return mode;
}

}  // namespace tv
