#pragma once
// One property value as a layout stores it: a whole number, a text, a name
// (an enumeration value, a colour, a boolean or a handler's name) or a set of names.

#include <cstdint>
#include <string>
#include <vector>

#include "gdi/Color.h"

struct LayoutValue {
  enum class Kind { Integer, Text, Name, Set };
  Kind kind = Kind::Integer;
  int64_t number = 0;
  std::string text;                // Text: Shift-JIS; Name: the name
  std::vector<std::string> items;  // Set

  // Each raises EReadError when the value is of another kind or out of range.
  int32_t AsInteger() const;
  bool AsBoolean() const;
  const std::string& AsText() const;
  const std::string& AsName() const;
  TColor AsColor() const;
  const std::vector<std::string>& AsSet() const;
};

// The value of an enumeration name among the given names (0, 1, ...), or EReadError.
int EnumValue(const LayoutValue& value, std::initializer_list<const char*> names);
