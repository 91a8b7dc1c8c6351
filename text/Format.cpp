#include "text/Format.h"

#include <cstdio>
#include <vector>

namespace {

std::string Hex(uint64_t value, int minDigits) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%0*llX", minDigits, static_cast<unsigned long long>(value));
  return buffer;
}

std::string Render(char kind, const FormatArg& arg) {
  switch (kind) {
    case 's':
      if (arg.kind() == FormatArg::Kind::Text) return arg.text();
      return std::to_string(arg.number());
    case 'd':
      if (arg.kind() == FormatArg::Kind::Text) return arg.text();
      return std::to_string(arg.number());
    case 'x':
      return Hex(static_cast<uint32_t>(arg.number()), 1);
    case 'p':
      return Hex(static_cast<uint32_t>(arg.number()), 8);
    default:
      return std::string();
  }
}

}  // namespace

std::string FormatText(const std::string& pattern, std::initializer_list<FormatArg> args) {
  const std::vector<FormatArg> list(args);
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    // Only single bytes are looked at: a '%' is never a byte of a longer
    // UTF-8 character.
    if (c != '%' || i + 1 >= pattern.size()) {
      out += c;
      continue;
    }
    size_t j = i + 1;
    if (pattern[j] == '%') {
      out += '%';
      i = j;
      continue;
    }
    size_t index = next;
    size_t k = j;
    size_t given = 0;
    while (k < pattern.size() && pattern[k] >= '0' && pattern[k] <= '9') {
      given = given * 10 + static_cast<size_t>(pattern[k] - '0');
      ++k;
    }
    if (k > j && k < pattern.size() && pattern[k] == ':') {
      index = given;
      j = k + 1;
    }
    if (j >= pattern.size()) break;
    const char kind = static_cast<char>(pattern[j] | 0x20);
    if (index < list.size()) out += Render(kind, list[index]);
    next = index + 1;
    i = j;
  }
  return out;
}
