#include "ui/LayoutValue.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {
[[noreturn]] void BadValue() { throw EReadError(ResText(IDS_INVALID_PROPERTY_VALUE)); }
}  // namespace

int32_t LayoutValue::AsInteger() const {
  if (kind != Kind::Integer || number < INT32_MIN || number > INT32_MAX) BadValue();
  return static_cast<int32_t>(number);
}

bool LayoutValue::AsBoolean() const {
  if (kind == Kind::Name && text == "True") return true;
  if (kind == Kind::Name && text == "False") return false;
  BadValue();
}

const std::string& LayoutValue::AsText() const {
  if (kind != Kind::Text) BadValue();
  return text;
}

const std::string& LayoutValue::AsName() const {
  if (kind != Kind::Name) BadValue();
  return text;
}

TColor LayoutValue::AsColor() const {
  if (kind == Kind::Integer) return static_cast<TColor>(number);
  if (kind == Kind::Name) {
    if (text == "clBlack") return clBlack;
    if (text == "clWhite") return clWhite;
    if (text == "clWindow") return clWindow;
    if (text == "clWindowText") return clWindowText;
    if (text == "clBtnFace") return clBtnFace;
  }
  BadValue();
}

const std::vector<std::string>& LayoutValue::AsSet() const {
  if (kind != Kind::Set) BadValue();
  return items;
}

int EnumValue(const LayoutValue& value, std::initializer_list<const char*> names) {
  int index = 0;
  for (const char* name : names) {
    if (value.AsName() == name) return index;
    ++index;
  }
  BadValue();
}
