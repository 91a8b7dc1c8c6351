#pragma once
// Filling message patterns such as "ファイル %s は開けません" or
// "モジュール '%1:s' のアドレス %0:p ...". Texts are UTF-8.

#include <cstdint>
#include <initializer_list>
#include <string>

// One value for a pattern: a text, a whole number or an address.
class FormatArg {
public:
  FormatArg(const std::string& text) : kind_(Kind::Text), text_(text) {}
  FormatArg(const char* text) : kind_(Kind::Text), text_(text) {}
  FormatArg(int number) : kind_(Kind::Number), number_(number) {}
  FormatArg(long number) : kind_(Kind::Number), number_(number) {}
  FormatArg(unsigned long number) : kind_(Kind::Number), number_(static_cast<int64_t>(number)) {}
  FormatArg(unsigned number) : kind_(Kind::Number), number_(number) {}
  FormatArg(const void* address)
      : kind_(Kind::Address), number_(static_cast<int64_t>(reinterpret_cast<uintptr_t>(address))) {}

  enum class Kind { Text, Number, Address };
  Kind kind() const { return kind_; }
  const std::string& text() const { return text_; }
  int64_t number() const { return number_; }

private:
  Kind kind_;
  std::string text_;
  int64_t number_ = 0;
};

// Replaces each directive of the pattern by an argument: %s text, %d decimal,
// %x hexadecimal (upper case), %p address (eight hexadecimal digits), %% a percent
// sign. "%N:" before the letter takes argument N and continues from N+1.
// A directive without a matching argument is left out.
std::string FormatText(const std::string& pattern, std::initializer_list<FormatArg> args);
