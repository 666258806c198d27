#include "platform/format.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(FormatTest, FormatsWhatTheToolsUse) {
  EXPECT_EQ(FormatWide(u"%d", {42}), u"42");
  EXPECT_EQ(FormatWide(u"%d", {-7}), u"-7");
  EXPECT_EQ(FormatWide(u"%d,%d", {-2147483647 - 1, 2147483647}), u"-2147483648,2147483647");
  EXPECT_EQ(FormatWide(u"[%s]", {u"日本"}), u"[日本]");
  EXPECT_EQ(FormatWide(u"%08lx", {0x1234abcdu}), u"1234abcd");
  EXPECT_EQ(FormatWide(u"%08lx", {0x10000}), u"00010000");
  EXPECT_EQ(FormatWide(u"%08lX", {0xabc}), u"00000ABC");
  EXPECT_EQ(FormatWide(u"%5d|%-5d|%05d", {12, 12, -12}), u"   12|12   |-0012");
  EXPECT_EQ(FormatWide(u"100%%", {}), u"100%");
  EXPECT_EQ(FormatWide(u"%u", {4294967295u}), u"4294967295");
  EXPECT_EQ(FormatWide(u"%x", {-1}), u"ffffffff");  // 32-bit, as on the device
  EXPECT_EQ(FormatWide(u"%llx", {int64_t{-1}}), u"ffffffffffffffff");
  EXPECT_EQ(FormatWide(u"%c", {u'字'}), u"字");
}

TEST(FormatTest, OddFormatsAreHandledSafely) {
  EXPECT_EQ(FormatWide(u"%d %d", {1}), u"1 ");   // missing argument
  EXPECT_EQ(FormatWide(u"%q", {1}), u"%q");      // unknown conversion
  EXPECT_EQ(FormatWide(u"end %", {}), u"end %");
  EXPECT_EQ(FormatWide(u"%s", {5}), u"");         // wrong kind
  EXPECT_EQ(FormatWide(u"%99999999d", {1}).size(), 4096u);
}

}  // namespace
}  // namespace tv
