#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "DoubleByteGuard.h"
#include "text/DoubleByte.h"

TEST(DoubleByteSettings, FollowTheLanguageAndCodePageOfTheLocale) {
  const DoubleByteSettings japanese = DoubleByteSettingsFor(0x0411);
  EXPECT_TRUE(japanese.enabled);
  EXPECT_EQ(ShiftJisSettings().leadBytes, japanese.leadBytes);
  // Korean (code page 949) leads with 0x81 to 0xFE.
  const DoubleByteSettings korean = DoubleByteSettingsFor(0x0412);
  EXPECT_TRUE(korean.enabled);
  EXPECT_TRUE(korean.leadBytes.test(0xA0) && korean.leadBytes.test(0xFE));
  EXPECT_FALSE(korean.leadBytes.test(0x80) || korean.leadBytes.test(0xFF));
  // Western languages, locale 0 (English) and single-byte code pages (Russian).
  for (const LCID locale : {0x0409u, 0x0407u, 0x041Du, 0u, 0x0419u}) {
    EXPECT_FALSE(DoubleByteSettingsFor(locale).enabled) << std::hex << locale;
    EXPECT_TRUE(DoubleByteSettingsFor(locale).leadBytes.none()) << std::hex << locale;
  }
}

TEST(DoubleByteSettings, StartUpInstalledTheJapaneseSettings) {
  // The program and its tests run under a Japanese locale.
  ASSERT_EQ(932u, GetACP());
  EXPECT_TRUE(InstalledDoubleByteSettings().enabled);
  EXPECT_EQ(ShiftJisSettings().leadBytes, InstalledDoubleByteSettings().leadBytes);
}

TEST(ByteKind, PairsLeadAndTrailBytesFromTheStartOfTheText) {
  ScopedDoubleByteSettings japanese(ShiftJisSettings());
  const std::string text = "a表\\\xB1";  // a, 0x95 0x5C, \, half-width katakana
  EXPECT_EQ(mbSingleByte, ByteKindAt(text, 1));
  EXPECT_EQ(mbLeadByte, ByteKindAt(text, 2));
  EXPECT_EQ(mbTrailByte, ByteKindAt(text, 3));
  EXPECT_EQ(mbSingleByte, ByteKindAt(text, 4));
  EXPECT_EQ(mbSingleByte, ByteKindAt(text, 5));
  EXPECT_EQ(mbSingleByte, ByteKindAt(std::string("\x95\0", 2), 2));
}

TEST(ByteKind, ARunOfLeadByteValuesAlternatesLeadAndTrail) {
  ScopedDoubleByteSettings japanese(ShiftJisSettings());
  const std::string run = "\x81\x81\x81\x81\\";  // two characters, then "\"
  EXPECT_EQ(mbLeadByte, ByteKindAt(run, 1));
  EXPECT_EQ(mbTrailByte, ByteKindAt(run, 2));
  EXPECT_EQ(mbLeadByte, ByteKindAt(run, 3));
  EXPECT_EQ(mbTrailByte, ByteKindAt(run, 4));
  EXPECT_EQ(mbSingleByte, ByteKindAt(run, 5));
  // One single byte in front makes the 0x5C a trail byte.
  EXPECT_EQ(mbTrailByte, ByteKindAt("x\x81\x81\x81\\", 5));
  EXPECT_EQ(mbLeadByte, ByteKindAt("\x88\x9F\x88", 3));  // 亜, then a lone lead byte
}

TEST(ByteKind, EveryByteIsSingleWhenDoubleByteModeIsOff) {
  DoubleByteSettings off = ShiftJisSettings();
  off.enabled = false;  // lead values alone do not make double-byte mode
  ScopedDoubleByteSettings western(off);
  EXPECT_EQ(mbSingleByte, ByteKindAt("表", 1));
  EXPECT_EQ(mbSingleByte, ByteKindAt("表", 2));
}
