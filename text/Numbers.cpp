#include "text/Numbers.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Parses the text; false when it is not a whole number.
bool Parse(const std::string& text, int32_t& result) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return false;

  if (hex) {
    // Up to eight digits, taken as the 32-bit pattern; the sign has no effect.
    if (text.size() - i > 8) return false;
    uint32_t value = 0;
    for (; i < text.size(); ++i) {
      const int digit = HexDigitValue(text[i]);
      if (digit < 0) return false;
      value = value << 4 | static_cast<uint32_t>(digit);
    }
    result = static_cast<int32_t>(value);
    return true;
  }

  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
    if (value > limit) return false;
  }
  result = static_cast<int32_t>(negative ? -value : value);
  return true;
}

}  // namespace

int32_t TextToInteger(const std::string& text) {
  int32_t result = 0;
  if (!Parse(text, result)) throw EConvertError(ResFormat(IDS_INVALID_INTEGER, {text}));
  return result;
}

std::string IntegerToText(int32_t value) { return std::to_string(value); }
