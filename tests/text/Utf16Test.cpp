#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "text/Utf16.h"

namespace {

struct Spelling {
  const char* utf8;  // bytes as the Unicode tables give them
  std::wstring wide;
};

}  // namespace

TEST(Utf16, EveryCharacterCrossesBothWaysUnchanged) {
  const Spelling spellings[] = {
      {"", L""},
      {"a.jpg", L"a.jpg"},
      {"\xE8\xA1\xA8", L"\x8868"},                         // 表, whose Shift-JIS trail byte is "\"
      {"\xE3\x83\x9F\xE3\x83\xAD", L"\x30DF\x30ED"},       // ミロ
      {"caf\xC3\xA9", L"caf\x00E9"},                       // é, outside code page 932
      {"\xED\x95\x9C", L"\xD55C"},                         // 한
      {"\xF0\x9F\x98\x80", L"\xD83D\xDE00"},               // 😀, a surrogate pair
  };
  for (const Spelling& spelling : spellings) {
    SCOPED_TRACE(spelling.utf8);
    EXPECT_EQ(spelling.wide, Wide(spelling.utf8));
    EXPECT_EQ(spelling.utf8, Utf8(spelling.wide));
  }
  EXPECT_EQ(std::wstring(L"a\0b", 3), Wide(std::string("a\0b", 3)));
}

TEST(Utf16, BrokenInputBecomesTheReplacementCharacterAndNothingIsLost) {
  // A Shift-JIS byte pair is no UTF-8; a lone surrogate (a file name may hold one)
  // is no UTF-16.
  EXPECT_EQ(L"a\xFFFD\\b", Wide("a\x95\x5C" "b"));
  EXPECT_EQ("a\xEF\xBF\xBD" "b", Utf8(std::wstring(L"a\xD800" L"b")));
  EXPECT_EQ(std::string("\xEF\xBF\xBD"), Utf8(std::wstring(L"\xDC00")));
}

TEST(Utf16, ShiftJisBytesAreTheCodePagesWhateverTheSystemsCodePage) {
  EXPECT_EQ("\x83\x7E\x83\x8D \x95\x5C", ShiftJisBytes(L"\x30DF\x30ED \x8868"));  // ミロ 表
  EXPECT_EQ("a?", ShiftJisBytes(L"a\xD55C"));  // 한
  EXPECT_EQ("", ShiftJisBytes(L""));
}
