#include "platform/text_code_page.h"

namespace tv {

namespace {

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
    char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::optional<InputMode> TextModeFor(const std::optional<std::string_view>& value) {
  if (!value || *value == "932") return InputMode::kText;
  if (*value == "65001" || SameIgnoringAsciiCase(*value, "UTF-8")) return InputMode::kUtf8Text;
  return std::nullopt;
}

}  // namespace tv
