#pragma once
// Whole numbers to and from decimal text.

#include <cstdint>
#include <string>

// Accepts leading spaces, an optional sign, and decimal digits or a hexadecimal
// number introduced by "$", "x", "X", "0x" or "0X". Anything else raises
// EConvertError "'%s' は整数ではありません".
int32_t TextToInteger(const std::string& text);

std::string IntegerToText(int32_t value);
