#include "text/Utf16.h"

#include <windows.h>

#include <climits>

namespace {
constexpr UINT kShiftJis = 932;

// Texts beyond an int's reach are not passed to the conversion calls, whose
// lengths are ints; no text of the program comes near.
int LengthOf(size_t size) { return size > INT_MAX / 4 ? 0 : static_cast<int>(size); }

std::string Narrow(UINT codePage, const wchar_t* wide, size_t size) {
  const int length = LengthOf(size);
  if (length == 0) return std::string();
  const int needed = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string text(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(codePage, 0, wide, length, &text[0], needed, nullptr, nullptr);
  return text;
}
}  // namespace

std::wstring Wide(const std::string& utf8) {
  const int length = LengthOf(utf8.size());
  if (length == 0) return std::wstring();
  const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &wide[0], needed);
  return wide;
}

std::string Utf8(const wchar_t* wide, size_t length) { return Narrow(CP_UTF8, wide, length); }

std::string Utf8(const std::wstring& wide) { return Narrow(CP_UTF8, wide.data(), wide.size()); }

std::string ShiftJisBytes(const std::wstring& wide) { return Narrow(kShiftJis, wide.data(), wide.size()); }
