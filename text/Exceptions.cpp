#include "text/Exceptions.h"

#include <memory>

#include "resources/StringIds.h"
#include "text/Utf16.h"

std::string ResText(unsigned id) {
  // Asked for no buffer, the call hands out the stored text itself, whatever its length.
  const wchar_t* stored = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&stored), 0);
  if (length <= 0 || stored == nullptr) return std::string();
  return Utf8(stored, static_cast<size_t>(length));
}

std::string ResFormat(unsigned id, std::initializer_list<FormatArg> args) {
  return FormatText(ResText(id), args);
}

std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                      nullptr, code, 0x400, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const std::unique_ptr<wchar_t, decltype(&LocalFree)> owned(buffer, &LocalFree);
  std::string text = buffer != nullptr ? Utf8(buffer, length) : std::string();
  // The system ends its texts with a line break, which the message does not want.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

void RaiseLastOSError() {
  const DWORD code = GetLastError();
  if (code == 0) throw EOSError(ResText(IDS_OS_CALL_FAILED));
  throw EOSError(ResFormat(IDS_OS_ERROR, {code, SystemErrorText(code)}));
}
