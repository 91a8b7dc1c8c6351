#include "text/Exceptions.h"

#include "resources/StringIds.h"

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

std::string SystemErrorText(DWORD code) {
  char buffer[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                          FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                      nullptr, code, 0x400, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  // The system ends its texts with a line break, which the message does not want.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

void RaiseLastOSError() {
  const DWORD code = GetLastError();
  if (code == 0) throw EOSError(ResText(IDS_OS_CALL_FAILED));
  throw EOSError(ResFormat(IDS_OS_ERROR, {code, SystemErrorText(code)}));
}
