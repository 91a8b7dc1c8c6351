#include <gtest/gtest.h>

#include <string>

#include "text/Format.h"

TEST(FormatText, FillsDirectivesInOrder) {
  EXPECT_EQ("ファイル C:\\表.jpg は開けません",
            FormatText("ファイル %s は開けません", {"C:\\表.jpg"}));
  EXPECT_EQ("Timer1.OnTimer の読み込み中のエラー : タイマーを取得できません",
            FormatText("%s%s%s の読み込み中のエラー : %s",
                       {"Timer1", ".", "OnTimer", "タイマーを取得できません"}));
  EXPECT_EQ("システムエラー。コード：-5.\r\nx",
            FormatText("システムエラー。コード：%d.\r\n%s", {-5, "x"}));
  EXPECT_EQ("100% 5", FormatText("%d%% %d", {100, 5}));
}

TEST(FormatText, WritesHexadecimalInUpperCaseAndAddressesWithEightDigits) {
  EXPECT_EQ("外部例外 C0000094", FormatText("外部例外 %x", {0xC0000094ul}));
  EXPECT_EQ("FFFFFFFF 1F", FormatText("%x %x", {-1, 31}));
  EXPECT_EQ("0040ABCD 00000000",
            FormatText("%p %p", {reinterpret_cast<const void*>(0x40ABCD), static_cast<const void*>(nullptr)}));
}

TEST(FormatText, IndexedDirectivesPickTheirArgumentAndTheNextOneFollows) {
  const void* code = reinterpret_cast<const void*>(0x00401A2B);
  const void* target = reinterpret_cast<const void*>(0x00000010);
  EXPECT_EQ("モジュール 'mirokate.exe' のアドレス 00401A2B でアドレス 00000010 に対する"
            "読み込み違反がおきました。",
            FormatText("モジュール '%1:s' のアドレス %0:p でアドレス %3:p に対する%2:s違反がおきました。",
                       {code, "mirokate.exe", "読み込み", target}));
  EXPECT_EQ("b c a", FormatText("%1:s %s %0:s", {"a", "b", "c"}));
}

TEST(FormatText, DirectivesWithoutAnArgumentAreLeftOut) {
  EXPECT_EQ("[]", FormatText("[%s]", {}));
  EXPECT_EQ("a[]", FormatText("%s[%s]", {"a"}));
  EXPECT_EQ("[]", FormatText("[%5:s]", {"a"}));
  // Values are never read as patterns.
  EXPECT_EQ("%s%d", FormatText("%s", {"%s%d"}));
}
