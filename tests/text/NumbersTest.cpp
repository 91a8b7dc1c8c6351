#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "text/Exceptions.h"
#include "text/Numbers.h"

namespace {

// The message TextToInteger raises for the text, or "" when it raises nothing.
std::string ConversionError(const std::string& text) {
  try {
    TextToInteger(text);
  } catch (const EConvertError& error) {
    return error.Message();
  }
  return "";
}

}  // namespace

TEST(TextToInteger, ReadsDecimalTextWithLeadingSpacesAndASign) {
  EXPECT_EQ(7, TextToInteger("07"));
  EXPECT_EQ(7, TextToInteger(" 7"));
  EXPECT_EQ(-12, TextToInteger("   -12"));
  EXPECT_EQ(5, TextToInteger("+5"));
  EXPECT_EQ(0, TextToInteger("-0"));
  EXPECT_EQ(59, TextToInteger("0000000000000059"));
  EXPECT_EQ(std::numeric_limits<int32_t>::max(), TextToInteger("2147483647"));
  EXPECT_EQ(std::numeric_limits<int32_t>::min(), TextToInteger("-2147483648"));
}

TEST(TextToInteger, ReadsHexadecimalAsThe32BitPatternWhateverTheSign) {
  for (const char* text : {"$1F", "x1f", "X1F", "0x1F", "0X1f", " $1f"}) {
    EXPECT_EQ(31, TextToInteger(text)) << text;
  }
  EXPECT_EQ(-1, TextToInteger("$FFFFFFFF"));
  EXPECT_EQ(std::numeric_limits<int32_t>::min(), TextToInteger("$80000000"));
  EXPECT_EQ(16, TextToInteger("-$10"));
  EXPECT_EQ(16, TextToInteger("+0x10"));
}

TEST(TextToInteger, RaisesForEveryMalformedText) {
  for (const char* text :
       {"", " ", "7 ", "abc", "+", "-", "+-1", "- 1", "\t7", "1a", "1e3", "$", "0x", "x", "$G",
        "$-1", "0$1", "$1 ", "$100000000", "2147483648", "-2147483649", "99999999999999999999",
        "１", "7\x81"}) {
    EXPECT_EQ("'" + std::string(text) + "' は整数ではありません", ConversionError(text))
        << "[" << text << "]";
  }
  // The text is a value, never a pattern.
  EXPECT_EQ("'%s%d' は整数ではありません", ConversionError("%s%d"));
  // A zero byte does not end the text.
  EXPECT_THROW(TextToInteger(std::string("1\0", 2)), EConvertError);
}

TEST(IntegerToText, WritesPlainDecimalDigits) {
  EXPECT_EQ("0", IntegerToText(0));
  EXPECT_EQ("5", IntegerToText(5));
  EXPECT_EQ("-59", IntegerToText(-59));
  EXPECT_EQ("1000000", IntegerToText(1000000));
  EXPECT_EQ("2147483647", IntegerToText(std::numeric_limits<int32_t>::max()));
  EXPECT_EQ("-2147483648", IntegerToText(std::numeric_limits<int32_t>::min()));
}
