#include <gtest/gtest.h>

#include "text/PercentEncoding.h"

TEST(PercentEncoding, KeepsOnlyUnreservedCharacters) {
  EXPECT_EQ("Az09-._~", PercentEncoded("Az09-._~"));
  // Characters that would end or change the query.
  EXPECT_EQ("my%20tool%20%231%26%25x%3Dy%2B%2F%3F", PercentEncoded("my tool #1&%x=y+/?"));
  // High bytes and control bytes, with capital hexadecimal digits. The trail
  // byte of ミ in Shift-JIS is "~" and stays as it is.
  EXPECT_EQ("%83~%83%8D%00%FF", PercentEncoded(std::string("\x83\x7E\x83\x8D\0\xFF", 6)));
  EXPECT_EQ("%E3%83%9F", PercentEncoded("ミ"));
  EXPECT_EQ("", PercentEncoded(""));
}
