#include "text/FileNames.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

#include "text/Utf16.h"

int LastDelimiter(const std::string& delimiters, const std::string& text) {
  for (int i = static_cast<int>(text.size()); i > 0; --i) {
    const char byte = text[static_cast<size_t>(i) - 1];
    if (byte != '\0' && delimiters.find(byte) != std::string::npos) return i;
  }
  return 0;
}

std::string DirectoryPartOf(const std::string& name) {
  return name.substr(0, static_cast<size_t>(LastDelimiter("\\:", name)));
}

std::string FileNamePartOf(const std::string& name) {
  return name.substr(static_cast<size_t>(LastDelimiter("\\:", name)));
}

std::string FileExtensionOf(const std::string& name) {
  const int i = LastDelimiter(".\\:", name);
  if (i > 0 && name[static_cast<size_t>(i) - 1] == '.') return name.substr(static_cast<size_t>(i) - 1);
  return std::string();
}

std::string ReplaceExtension(const std::string& name, const std::string& extension) {
  const int i = LastDelimiter(".\\:", name);
  if (i > 0 && name[static_cast<size_t>(i) - 1] == '.') {
    return name.substr(0, static_cast<size_t>(i) - 1) + extension;
  }
  return name + extension;
}

bool IsExistingFile(const FilePath& name) {
  if (!FitsFileCalls(name)) return false;
  // Only the lookup decides. The file's time stamp is not consulted: a last-write
  // time before 1980 has no MS-DOS form, and such a file exists all the same.
  WIN32_FIND_DATAW data;
  const HANDLE search = FindFirstFileW(name.Wide().c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsExistingFolder(const FilePath& name) {
  if (!FitsFileCalls(name)) return false;
  const DWORD attributes = GetFileAttributesW(name.Wide().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<FilePath> FilesInFolder(const FilePath& folder) {
  std::wstring base = folder.Wide();
  if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base += L'\\';
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((base + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  const DWORD left = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if ((found.dwFileAttributes & left) == 0) names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(),
            [](const std::wstring& a, const std::wstring& b) { return StrCmpLogicalW(a.c_str(), b.c_str()) < 0; });
  std::vector<FilePath> files;
  for (const std::wstring& name : names) files.push_back(FilePath::FromWide(base + name));
  return files;
}

namespace {
// A path the system's call fills in, grown until it fits; the input when it fails.
template <class Call>
std::wstring Filled(const std::wstring& input, Call call) {
  std::wstring result(MAX_PATH, L'\0');
  DWORD length = call(input.c_str(), &result[0], static_cast<DWORD>(result.size()));
  if (length >= result.size()) {
    result.assign(length, L'\0');
    length = call(input.c_str(), &result[0], static_cast<DWORD>(result.size()));
  }
  if (length == 0 || length >= result.size()) return input;
  result.resize(length);
  return result;
}

// The full path without the trailing blanks and dots the file system disregards.
std::wstring FullPath(const FilePath& name) {
  std::wstring full = Filled(name.Wide(), [](const wchar_t* in, wchar_t* out, DWORD size) {
    return GetFullPathNameW(in, size, out, nullptr);
  });
  while (!full.empty() && (full.back() == L' ' || full.back() == L'.')) full.pop_back();
  return full;
}
}  // namespace

bool FitsFileCalls(const FilePath& name) {
  // Windows without long paths (a system switch and a manifest entry, neither of
  // which this program has) fails every file call on a longer name. Wine 8 serves
  // such names (2,000 characters were found, made, listed and moved): the limit
  // is kept here on every system, so that a long name fails alike everywhere,
  // before anything is made.
  return FullPath(name).size() <= MAX_PATH - 1;
}

std::wstring SameFileKey(const FilePath& name) {
  const std::wstring full = FullPath(name);
  // Short (8.3) names of existing folders and files become their long ones; a
  // file yet to be made takes its folder's long form.
  const size_t cut = full.find_last_of(L"\\/");
  const std::wstring folder = cut == std::wstring::npos ? std::wstring() : full.substr(0, cut + 1);
  const auto longForm = [](const wchar_t* in, wchar_t* out, DWORD size) { return GetLongPathNameW(in, out, size); };
  std::wstring key = GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES
                         ? Filled(full, longForm)
                         : Filled(folder, longForm) + full.substr(folder.size());
  if (!key.empty()) CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
  return key;
}

std::string ModuleFileName(HMODULE module) {
  // The call cuts the name to the buffer and says so only by filling it whole.
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, &name[0], static_cast<DWORD>(name.size()));
    if (length == 0) return std::string();
    if (length < name.size()) return Utf8(name.data(), length);
    if (name.size() >= 32768) return std::string();  // beyond any path the system has
    name.resize(name.size() * 2);
  }
}

std::string StoredFileNameOf(const std::string& name) {
  // A wildcard would find some other file.
  if (name.find_first_of("*?") != std::string::npos) return FileNamePartOf(name);
  WIN32_FIND_DATAW data;
  const HANDLE search = FindFirstFileW(Wide(name).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return FileNamePartOf(name);
  FindClose(search);
  return Utf8(data.cFileName);
}
