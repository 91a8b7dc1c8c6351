#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <string>

#include "text/LocalClock.h"
#include "text/TextFunctions.h"

TEST(CompareTextIgnoringCase, FoldsCaseOnlyAndAnswersMinusOneZeroOrOne) {
  EXPECT_EQ(0, CompareTextIgnoringCase(".jpg ", ".JPG "));
  EXPECT_NE(0, CompareTextIgnoringCase(".jpg", ".jpg "));
  // Ordered by the locale, not by byte value: "a" comes before "B".
  EXPECT_EQ(-1, CompareTextIgnoringCase("a", "B"));
  EXPECT_EQ(1, CompareTextIgnoringCase("B", "a"));
  // Widths and kana types are not folded.
  EXPECT_NE(0, CompareTextIgnoringCase("ＪＰＧ", "JPG"));
  EXPECT_NE(0, CompareTextIgnoringCase("あ", "ア"));
  EXPECT_NE(0, CompareTextIgnoringCase("ｱ", "ア"));
  // Letters beyond ASCII fold too, whatever the system's code page.
  EXPECT_EQ(0, CompareTextIgnoringCase("É.JPG", "é.jpg"));
}

TEST(LowerCase, FoldsEveryLetterAndKeepsTheRest) {
  EXPECT_EQ(".jpg", LowerCase(".JPG"));
  EXPECT_EQ("é ä ω 表 ｊ 😀", LowerCase("É Ä Ω 表 Ｊ 😀"));
  EXPECT_EQ("", LowerCase(""));
}

TEST(SubText, CountsBytesAndClampsOrEmptiesWhatLiesOutside) {
  EXPECT_EQ("abc", SubText("abc ", 1, 3));
  EXPECT_EQ("bc ", SubText("abc ", 2, INT_MAX));
  EXPECT_EQ("\xA1\xA8", SubText("表a", 2, 2));  // cuts 表 (E8 A1 A8)
  EXPECT_EQ("", SubText("abc ", 5, 1));
  EXPECT_EQ("", SubText("abc", 1, 0));
  EXPECT_EQ("", SubText("", 1, 1));
  // A start before the text counts as 1; the count is not shortened by it.
  EXPECT_EQ("ab", SubText("abc", 0, 2));
  EXPECT_EQ("ab", SubText("abc", INT_MIN, 2));
}

TEST(LocalClock, MinuteIsTwoDigitsWithALeadingZero) {
  SYSTEMTIME time = {2024, 3, 0, 1, 9, 5, 0, 0};
  EXPECT_EQ("05", MinuteText(time));
  time.wMinute = 59;
  EXPECT_EQ("59", MinuteText(time));
  // A date beyond what seconds since 1970 can hold still gives its minute.
  time = {2100, 12, 0, 31, 23, 0, 0, 0};
  EXPECT_EQ("00", MinuteText(time));
}

TEST(LocalClock, CurrentMinuteIsTheLocalWallClocks) {
  // Retry when the minute turns over while reading.
  for (int attempt = 0; attempt < 3; ++attempt) {
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    const std::string minute = CurrentMinute();
    GetLocalTime(&after);
    if (before.wMinute != after.wMinute) continue;
    EXPECT_EQ(before.wMinute, std::stoi(minute));
    EXPECT_EQ(2u, minute.size());
    return;
  }
  FAIL() << "the minute kept changing";
}
