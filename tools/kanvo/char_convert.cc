#include "tools/kanvo/char_convert.h"

#include "platform/cp932.h"
#include "tools/kanvo/detect.h"

namespace kanvo {

namespace {

constexpr uint8_t kEsc = 0x1B;

// Shift_JIS codes of the half-width katakana 0xA1-0xDF; the two marks become
// the spacing marks.
constexpr uint16_t kFullKatakana[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342,  // A1-A8
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B,  // A9-B0
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,  // B1-B8
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,  // B9-C0
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  // C1-C8
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,  // C9-D0
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  // D1-D8
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,          // D9-DF
};

// Voiced forms of 0xB6-0xC4 and 0xCA-0xCE (0 where there is none).
constexpr uint16_t kVoicedKatakana[0xCE - 0xB6 + 1] = {
    0x834B, 0x834D, 0x834F, 0x8351, 0x8353, 0x8355, 0x8357, 0x8359,  // B6-BD
    0x835B, 0x835D, 0x835F, 0x8361, 0x8364, 0x8366, 0x8368,          // BE-C4
    0, 0, 0, 0, 0,                                                   // C5-C9
    0x836F, 0x8372, 0x8375, 0x8378, 0x837B,                          // CA-CE
};

// Semi-voiced forms of 0xCA-0xCE.
constexpr uint16_t kSemiVoicedKatakana[5] = {0x8370, 0x8373, 0x8376, 0x8379, 0x837C};

void PutCode(uint16_t code, uint8_t out[2]) {
  out[0] = static_cast<uint8_t>(code >> 8);
  out[1] = static_cast<uint8_t>(code);
}

struct EscapeForm {
  const char* after_esc;
  size_t length;  // the bytes after ESC
  EscapeClass kind;
};

constexpr EscapeForm kEscapes[] = {
    {"$@", 2, ESC_TWO_BYTE},  {"$B", 2, ESC_TWO_BYTE},          {"$(D", 3, ESC_TWO_BYTE},
    {"$(O", 3, ESC_TWO_BYTE}, {"$(P", 3, ESC_TWO_BYTE},         {"&@\x1B$B", 5, ESC_TWO_BYTE},
    {"(I", 2, ESC_KATAKANA},  {"(B", 2, ESC_SINGLE_BYTE},       {"(J", 2, ESC_SINGLE_BYTE},
    {"(H", 2, ESC_SINGLE_BYTE},
};

}  // namespace

Escape ParseEscape(std::string_view text) {
  if (!text.empty() && static_cast<uint8_t>(text[0]) == kEsc) {
    std::string_view rest = text.substr(1);
    for (const EscapeForm& form : kEscapes) {
      if (rest.substr(0, form.length) == std::string_view(form.after_esc, form.length)) {
        return {form.kind, form.length + 1};
      }
    }
  }
  return {ESC_UNRECOGNISED, 1};
}

bool HalfToFullKatakana(uint8_t half, int next, uint8_t full[2]) {
  if (half < 0xA1 || half > 0xDF) half = 0xA5;  // callers pass 0xA1-0xDF only
  if (next == 0xDF && half >= 0xCA && half <= 0xCE) {
    PutCode(kSemiVoicedKatakana[half - 0xCA], full);
    return true;
  }
  if (next == 0xDE && half >= 0xB6 && half <= 0xCE && kVoicedKatakana[half - 0xB6] != 0) {
    PutCode(kVoicedKatakana[half - 0xB6], full);
    return true;
  }
  PutCode(kFullKatakana[half - 0xA1], full);
  return false;
}

int Utf8SequenceToSjis(std::string_view seq, uint8_t out[2]) {
  auto byte = [&](size_t i) -> uint8_t { return i < seq.size() ? static_cast<uint8_t>(seq[i]) : 0; };
  uint8_t lead = byte(0);
  char16_t unit;
  switch (Utf8LeadLength(lead)) {
    case 2:
      unit = static_cast<char16_t>(((lead & 0x1F) << 6) | (byte(1) & 0x3F));
      break;
    case 3:
      unit = static_cast<char16_t>(((lead & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) |
                                   (byte(2) & 0x3F));
      break;
    default:
      return 0;
  }
  char bytes[2];
  size_t count = tv::Utf16ToCp932(&unit, 1, bytes, sizeof bytes);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(bytes[i]);
  return static_cast<int>(count);
}

int SjisCharToUtf8(uint8_t lead, uint8_t trail, uint8_t out[3]) {
  char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  char16_t unit;
  if (tv::Cp932ToUtf16(bytes, trail == 0 ? 1 : 2, &unit, 1) != 1) unit = 0x25A0;
  if (unit < 0x80) {
    // One byte: a two-byte form of it would be an overlong, invalid form.
    out[0] = static_cast<uint8_t>(unit);
    return 1;
  }
  if (unit < 0x800) {
    out[0] = static_cast<uint8_t>(0xC0 | (unit >> 6));
    out[1] = static_cast<uint8_t>(0x80 | (unit & 0x3F));
    return 2;
  }
  out[0] = static_cast<uint8_t>(0xE0 | (unit >> 12));
  out[1] = static_cast<uint8_t>(0x80 | ((unit >> 6) & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | (unit & 0x3F));
  return 3;
}

}  // namespace kanvo
