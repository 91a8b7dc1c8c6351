#include "text/FilePath.h"

#include <windows.h>

std::string AnsiText(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int length = static_cast<int>(wide.size());
  // No flags: characters the code page lacks become their nearest match or the
  // default character, which is as well as a box in that code page can show them.
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), length, &text[0], size, nullptr, nullptr);
  return text;
}

std::wstring WideText(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], size);
  return wide;
}

FilePath::FilePath(const std::string& text) : wide_(WideText(text)), text_(text) {}

FilePath::FilePath(const char* text) : FilePath(std::string(text != nullptr ? text : "")) {}

FilePath FilePath::FromWide(const std::wstring& wide) {
  FilePath path;
  path.wide_ = wide;
  path.text_ = AnsiText(wide);
  return path;
}

namespace {

// UTF-16 has no two-unit character whose second unit is a delimiter, so the
// last one found is a real one.
size_t LastOf(const std::wstring& name, const wchar_t* delimiters) { return name.find_last_of(delimiters); }

}  // namespace

FilePath FilePath::Directory() const {
  const size_t at = LastOf(wide_, L"\\:");
  return FromWide(at == std::wstring::npos ? std::wstring() : wide_.substr(0, at + 1));
}

FilePath FilePath::FileName() const {
  const size_t at = LastOf(wide_, L"\\:");
  return FromWide(at == std::wstring::npos ? wide_ : wide_.substr(at + 1));
}

FilePath FilePath::WithExtension(const std::string& extension) const {
  const size_t at = LastOf(wide_, L".\\:");
  const bool hasExtension = at != std::wstring::npos && wide_[at] == L'.';
  return FromWide((hasExtension ? wide_.substr(0, at) : wide_) + WideText(extension));
}

FilePath FilePath::operator+(const FilePath& tail) const { return FromWide(wide_ + tail.wide_); }
