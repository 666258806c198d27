#include "runtime/filter_input.h"

#include <string>

#include "platform/shown_name.h"
#include "platform/text_code_page.h"

namespace tv {

std::unique_ptr<ByteSource> OpenInputFile(Env& env, const char16_t* path, bool unicode,
                                          CodePageSetting setting, InputMode* mode) {
  if (path == nullptr || *path == 0) return nullptr;
  std::unique_ptr<ByteSource> file = env.OpenFile(path);
  if (!file) return nullptr;
  *mode = unicode ? InputMode::kUnicode : ChooseTextMode(setting, &file);
  return file;
}

std::unique_ptr<WideReader> RedirectInputFromFile(Env& env, const char16_t* path, bool unicode,
                                                  CodePageSetting setting, InputMode* text_mode) {
  InputMode mode;
  std::unique_ptr<ByteSource> file = OpenInputFile(env, path, unicode, setting, &mode);
  if (!file) return nullptr;
  if (text_mode != nullptr) *text_mode = mode;
  return std::make_unique<WideReader>(std::move(file), mode);
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

std::optional<CodePageSetting> ChosenCodePage(Env& env) {
  std::optional<std::string> value = env.GetVariable(kCodePageVariable);
  std::optional<CodePageSetting> setting =
      CodePageSettingFor(value ? std::optional<std::string_view>(*value) : std::nullopt);
  if (!setting) {
    // Control characters in the value are shown as names are: it is text
    // from the environment, which another program may have set.
    std::string message = std::string(kCodePageVariable) + " の値「" + ShownName(*value) +
                          "」は使えません。932、65001 (UTF-8) か auto を指定してください。\n";
    env.StdErr().Write(message.data(), message.size());
    env.StdErr().Flush();
  }
  return setting;
}

}  // namespace tv
