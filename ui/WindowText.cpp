#include "ui/WindowText.h"

#include "text/Utf16.h"

std::string ReadWindowText(HWND window) {
  // The length may be more than the text (it may count a conversion's worst case).
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  const int length = GetWindowTextW(window, &text[0], static_cast<int>(text.size()));
  return Utf8(text.data(), length > 0 ? static_cast<size_t>(length) : 0);
}
