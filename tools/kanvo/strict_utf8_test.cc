// Every UTF-8 form of one to four bytes held to RFC 3629's table: detection
// takes exactly the well-formed texts, the converter to Shift_JIS keeps
// exactly their characters and drops every other byte alone, and the
// platform's decoder agrees on each character's length and value.
#include <gtest/gtest.h>

#include <string>

#include "platform/utf16.h"
#include "tools/kanvo/convert.h"
#include "tools/kanvo/detect.h"
#include "tools/kanvo/plain_convert.h"

namespace kanvo {
namespace {

using plain::Rfc3629Length;

// Calls visit(form) for every form: all of one and two bytes; three bytes
// whose first two are not ASCII (an ASCII byte inside makes it two shorter
// forms); four bytes after a lead F0-FF, with the middle two 80-BF and the
// last any kind of byte.
template <typename Visit>
void ForEachForm(Visit visit) {
  for (int a = 0; a < 256; ++a) visit(std::string(1, static_cast<char>(a)));
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) visit({static_cast<char>(a), static_cast<char>(b)});
  }
  for (int a = 0x80; a < 256; ++a) {
    for (int b = 0x80; b < 256; ++b) {
      for (int c = 0; c < 256; ++c) {
        visit({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
      }
    }
  }
  std::string last_bytes;
  for (int d : {0x00, 0x0A, 0x41, 0x7F, 0xC0, 0xC2, 0xE3, 0xF0, 0xFF}) {
    last_bytes.push_back(static_cast<char>(d));
  }
  for (int d = 0x80; d <= 0xBF; ++d) last_bytes.push_back(static_cast<char>(d));
  for (int a = 0xF0; a < 256; ++a) {
    for (int b = 0x80; b <= 0xBF; ++b) {
      for (int c = 0x80; c <= 0xBF; ++c) {
        for (char d : last_bytes) {
          visit({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), d});
        }
      }
    }
  }
}

// Detection's UTF-8 test by the table: whole characters only, and of the
// single bytes below 0x20 only TAB, LF and CR.
bool WellFormedText(std::string_view text) {
  while (!text.empty()) {
    char32_t cp;
    size_t length = Rfc3629Length(text, &cp);
    if (length == 0 || (cp < 0x20 && cp != 0x09 && cp != 0x0A && cp != 0x0D)) return false;
    text.remove_prefix(length);
  }
  return true;
}

TEST(StrictUtf8Test, EveryFormAgainstTheTable) {
  std::string batch;
  size_t forms = 0, valid = 0;
  auto convert_batch = [&] {
    std::string sjis;
    ASSERT_EQ(Utf8ToSjis(batch, &sjis), CONV_OK);
    ASSERT_EQ(sjis, plain::PlainUtf8ToSjis(batch));
    batch.clear();
  };
  ForEachForm([&](const std::string& form) {
    ++forms;
    char32_t cp = 0, decoded = 0;
    size_t length = Rfc3629Length(form, &cp);
    const auto* bytes = reinterpret_cast<const unsigned char*>(form.data());
    // The platform's decoder: the same character, or none.
    size_t decoded_length = tv::DecodeUtf8Sequence(bytes, form.size(), &decoded);
    ASSERT_EQ(decoded_length, length) << testing::PrintToString(form);
    if (length > 0) {
      ASSERT_EQ(decoded, cp);
      // The table's values are each character's one encoding.
      std::string again;
      tv::AppendUtf8(cp, &again);
      ASSERT_EQ(again, form.substr(0, length));
    }
    if (length == form.size()) ++valid;
    ASSERT_EQ(IsUtf8Text(form), WellFormedText(form)) << testing::PrintToString(form);
    // A separator between forms: no form may take it along.
    batch += form;
    batch += '|';
    if (batch.size() > 64 * 1024) convert_batch();
  });
  convert_batch();
  EXPECT_EQ(forms, 256u + 65536u + 128u * 128u * 256u + 16u * 64u * 64u * 73u);
  // Each form that is one whole character: every Unicode scalar value once.
  EXPECT_EQ(valid, 0x110000u - 0x800u);
}

}  // namespace
}  // namespace kanvo
