#include "text/FilePath.h"

#include <windows.h>

#include "text/Utf16.h"

FilePath::FilePath(const std::string& utf8) : wide_(::Wide(utf8)), text_(utf8) {}

FilePath::FilePath(const char* text) : FilePath(std::string(text != nullptr ? text : "")) {}

FilePath FilePath::FromWide(const std::wstring& wide) {
  FilePath path;
  path.wide_ = wide;
  path.text_ = Utf8(wide);
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
  return FromWide((hasExtension ? wide_.substr(0, at) : wide_) + ::Wide(extension));
}

FilePath FilePath::operator+(const FilePath& tail) const { return FromWide(wide_ + tail.wide_); }

namespace {

std::wstring Within(const std::wstring& name) {
  return name.size() <= FilePath::kLongestForFileCalls ? name : std::wstring();
}

bool StartsWith(const std::wstring& text, const wchar_t* start) { return text.compare(0, wcslen(start), start) == 0; }

std::wstring FullPathOf(const std::wstring& name) {
  return GrownPathResult(
      [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(name.c_str(), size, buffer, nullptr); });
}

}  // namespace

std::wstring GrownPathResult(const std::function<DWORD(wchar_t* buffer, DWORD size)>& call) {
  std::wstring result(MAX_PATH, L'\0');
  for (int tries = 0; tries < 4; ++tries) {
    const DWORD length = call(&result[0], static_cast<DWORD>(result.size()));
    if (length == 0) return std::wstring();
    if (length < result.size()) {
      result.resize(length);
      return result;
    }
    result.assign(length, L'\0');
  }
  return std::wstring();
}

std::wstring FilePath::ForFileCalls() const {
  if (StartsWith(wide_, L"\\\\?\\")) return Within(wide_);
  // Beyond the limit already: the system's answer could only be a failure.
  if (wide_.empty() || wide_.size() > kLongestForFileCalls) return std::wstring();
  std::wstring full = FullPathOf(wide_);
  if (StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\")) return Within(full);
  // The system's reading drops the blanks and dots that end the last part (on
  // Windows as documented, and on Wine 8 as measured). Behind the prefix the file
  // system would take them as they are and make a name that the system's own
  // programs cannot reach, so none is ever left here.
  while (!full.empty() && (full.back() == L' ' || full.back() == L'.')) full.pop_back();
  if (StartsWith(full, L"\\\\")) return Within(L"\\\\?\\UNC\\" + full.substr(2));
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return Within(L"\\\\?\\" + full);
  return std::wstring();
}
