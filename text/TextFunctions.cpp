#include "text/TextFunctions.h"

#include <windows.h>

#include "text/Utf16.h"

int CompareTextIgnoringCase(const std::string& a, const std::string& b) {
  const std::wstring wideA = Wide(a), wideB = Wide(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA.data(), static_cast<int>(wideA.size()),
                        wideB.data(), static_cast<int>(wideB.size())) -
         2;
}

std::string LowerCase(const std::string& text) {
  std::wstring wide = Wide(text);
  if (!wide.empty()) CharLowerBuffW(&wide[0], static_cast<DWORD>(wide.size()));
  return Utf8(wide);
}

std::string SubText(const std::string& text, int start, int count) {
  const int length = static_cast<int>(text.size());
  if (start > length || count <= 0) return std::string();
  if (start < 1) start = 1;
  if (count > length - start + 1) count = length - start + 1;
  return text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(count));
}
