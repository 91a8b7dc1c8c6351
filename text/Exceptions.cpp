#include "text/Exceptions.h"

std::string ResText(unsigned id) {
  // LoadStringA converts the stored UTF-16 text to the ANSI code page. The longest
  // message is well under this size.
  char buffer[1024];
  const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string ResFormat(unsigned id, std::initializer_list<FormatArg> args) {
  return FormatText(ResText(id), args);
}
