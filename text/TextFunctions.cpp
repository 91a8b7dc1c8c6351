#include "text/TextFunctions.h"

#include <windows.h>

int CompareTextIgnoringCase(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) -
         2;
}

std::string SubText(const std::string& text, int start, int count) {
  const int length = static_cast<int>(text.size());
  if (start > length || count <= 0) return std::string();
  if (start < 1) start = 1;
  if (count > length - start + 1) count = length - start + 1;
  return text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(count));
}
