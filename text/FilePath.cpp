#include "text/FilePath.h"

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
