// Generated test inputs: pieces of every text code, well-formed and not,
// cut anywhere. Shared by the tests that hold fast or piecewise methods to
// plain or whole ones.
#ifndef TV_TOOLS_KANVO_GENERATED_TEXT_H_
#define TV_TOOLS_KANVO_GENERATED_TEXT_H_

#include <cstdint>
#include <iterator>
#include <random>
#include <string>

namespace kanvo {
namespace testing_text {

// Inputs made of pieces of every code, cut anywhere.
class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  uint8_t Byte(int low, int high) { return static_cast<uint8_t>(Int(low, high)); }

  std::string Mixed() {
    std::string s;
    int pieces = Int(0, 60);
    for (int k = 0; k < pieces; ++k) AddPiece(&s, Int(0, 11));
    if (!s.empty() && Int(0, 3) == 0)
      s.resize(static_cast<size_t>(Int(0, static_cast<int>(s.size()))));
    return s;
  }

  // A Shift_JIS character with two bytes, a lead 0x81-0x9F or 0xE0-0xEF
  // and a trail byte of the grammar.
  void AddSjisPair(std::string* s) {
    uint8_t lead = Int(0, 1) ? Byte(0x81, 0x9F) : Byte(0xE0, 0xEF);
    uint8_t trail = Byte(0x40, 0xFB);
    if (trail >= 0x7F) ++trail;
    s->push_back(static_cast<char>(lead));
    s->push_back(static_cast<char>(trail));
  }

 private:
  void AddPiece(std::string* s, int kind) {
    static const char* const kEscapes[] = {
        "\x1B$@", "\x1B$B", "\x1B$(D", "\x1B$(O", "\x1B$(P",    "\x1B&@\x1B$B", "\x1B(I", "\x1B(B",
        "\x1B(J", "\x1B(H", "\x1B$",   "\x1B(",   "\x1B&@\x1B", "\x1B",         "\x1Bx",  "\x1B$(",
    };
    switch (kind) {
      case 0: {  // text
        static const char kText[] = "abc XYZ 019 \t\r\n\r\n~\\";
        for (int k = Int(1, 12); k > 0; --k) s->push_back(kText[Int(0, sizeof kText - 2)]);
        break;
      }
      case 1:
        AddSjisPair(s);
        break;
      case 2:  // half-width katakana, often with a mark after it
        s->push_back(static_cast<char>(Byte(0xA1, 0xDF)));
        if (Int(0, 2) == 0) s->push_back(static_cast<char>(Int(0, 1) ? 0xDE : 0xDF));
        break;
      case 3:
        s->push_back(static_cast<char>(Byte(0, 255)));
        break;
      case 4:
        s->append(kEscapes[Int(0, std::size(kEscapes) - 1)]);
        break;
      case 5:  // EUC-JP
        switch (Int(0, 2)) {
          case 0:
            s->push_back(static_cast<char>(Byte(0xA1, 0xFE)));
            s->push_back(static_cast<char>(Byte(0xA1, 0xFE)));
            break;
          case 1:
            s->push_back('\x8E');
            s->push_back(static_cast<char>(Byte(0xA1, 0xDF)));
            break;
          default:
            s->push_back('\x8F');
            s->push_back(static_cast<char>(Byte(0xA1, 0xFE)));
            s->push_back(static_cast<char>(Byte(0xA1, 0xFE)));
            break;
        }
        break;
      case 6: {  // UTF-8 of any code point, or of a 5- or 6-byte form
        static const int kTops[] = {0x7F, 0x7FF, 0xFFFF, 0x10FFFF, 0x3FFFFFF, 0x7FFFFFFF};
        AppendUtf8(s, static_cast<uint32_t>(Int(0, kTops[Int(0, 5)])));
        break;
      }
      case 7:
        s->push_back('\0');
        break;
      case 8:  // a UTF-16 unit
        s->push_back(static_cast<char>(Byte(0, 255)));
        s->push_back(static_cast<char>(Byte(0, 0x9F)));
        break;
      case 9:  // JIS two-byte text in a set
        s->append(Int(0, 1) ? "\x1B$B" : "\x1B(I");
        for (int k = Int(1, 6); k > 0; --k) s->push_back(static_cast<char>(Byte(0x21, 0x7E)));
        break;
      case 10:
        s->append("\xEF\xBB\xBF");
        break;
      default:
        s->push_back(static_cast<char>(Byte(0x80, 0xFF)));
        break;
    }
  }

  static void AppendUtf8(std::string* s, uint32_t c) {
    if (c < 0x80) {
      s->push_back(static_cast<char>(c));
      return;
    }
    int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : c < 0x200000 ? 4 : c < 0x4000000 ? 5 : 6;
    static const uint8_t kLeadMark[7] = {0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
    s->push_back(static_cast<char>(kLeadMark[length] | (c >> (6 * (length - 1)))));
    for (int k = length - 2; k >= 0; --k)
      s->push_back(static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F)));
  }

  std::mt19937 rng_;
};

}  // namespace testing_text
}  // namespace kanvo

#endif  // TV_TOOLS_KANVO_GENERATED_TEXT_H_
