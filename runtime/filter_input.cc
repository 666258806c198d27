#include "runtime/filter_input.h"

namespace tv {

std::unique_ptr<WideReader> RedirectInputFromFile(Env& env, const char16_t* path, bool unicode) {
  if (path == nullptr || *path == 0) return nullptr;
  std::unique_ptr<ByteSource> file = env.OpenFile(path);
  if (!file) return nullptr;
  return std::make_unique<WideReader>(std::move(file),
                                      unicode ? InputMode::kUnicode : InputMode::kText);
}

void SkipByteOrderMark(WideReader& in) {
  int unit = in.GetUnit();
  if (unit < 0 || unit == 0xFEFF || unit == 0xFFFE) return;
  in.UngetUnit(static_cast<char16_t>(unit));
}

}  // namespace tv
