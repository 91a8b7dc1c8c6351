#include "text/FileNames.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwchar>

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

bool FitsFileCalls(const FilePath& name) { return !name.ForFileCalls().empty(); }

bool IsExistingFile(const FilePath& name) {
  const std::wstring path = name.ForFileCalls();
  if (path.empty()) return false;
  // Only the lookup decides. The file's time stamp is not consulted: a last-write
  // time before 1980 has no MS-DOS form, and such a file exists all the same.
  WIN32_FIND_DATAW data;
  const HANDLE search = FindFirstFileW(path.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsExistingFolder(const FilePath& name) {
  const std::wstring path = name.ForFileCalls();
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {
// The search for everything in the folder, or INVALID_HANDLE_VALUE.
HANDLE SearchInside(const FilePath& folder, WIN32_FIND_DATAW& found) {
  std::wstring pattern = folder.ForFileCalls();
  if (pattern.empty()) return INVALID_HANDLE_VALUE;
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  // The pattern may be longer than any name the calls take.
  if (pattern.size() <= FilePath::kLongestForFileCalls) return FindFirstFileW(pattern.c_str(), &found);
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return INVALID_HANDLE_VALUE;
}

// The name with each short (8.3) part in its long form; the name itself when the
// call fails.
std::wstring LongFormOf(const std::wstring& name) {
  const std::wstring result =
      GrownPathResult([&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(name.c_str(), buffer, size); });
  return result.empty() ? name : result;
}
}  // namespace

bool IsListableFolder(const FilePath& folder) {
  WIN32_FIND_DATAW found;
  const HANDLE search = SearchInside(folder, found);
  if (search != INVALID_HANDLE_VALUE) {
    FindClose(search);
    return true;
  }
  // A drive's root holds no "." entry: an empty one finds nothing at all.
  return GetLastError() == ERROR_FILE_NOT_FOUND;
}

namespace {
// The names in the file browser's order, each named as the folder was given,
// for the boxes and the report.
std::vector<FilePath> InBrowserOrder(const FilePath& folder, std::vector<std::wstring>& names) {
  std::sort(names.begin(), names.end(),
            [](const std::wstring& a, const std::wstring& b) { return StrCmpLogicalW(a.c_str(), b.c_str()) < 0; });
  std::wstring base = folder.Wide();
  if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base += L'\\';
  std::vector<FilePath> paths;
  for (const std::wstring& name : names) paths.push_back(FilePath::FromWide(base + name));
  return paths;
}

bool IsDotEntry(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }
}  // namespace

FolderEntries EntriesOfFolder(const FilePath& folder) {
  std::vector<std::wstring> folders;
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW found;
  const HANDLE search = SearchInside(folder, found);
  if (search == INVALID_HANDLE_VALUE) return {};
  do {
    const DWORD attributes = found.dwFileAttributes;
    if ((attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) continue;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      files.push_back(found.cFileName);
    } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && !IsDotEntry(found.cFileName)) {
      folders.push_back(found.cFileName);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return {InBrowserOrder(folder, folders), InBrowserOrder(folder, files)};
}

std::vector<FilePath> FilesInFolder(const FilePath& folder) { return EntriesOfFolder(folder).files; }

std::wstring SameFileKey(const FilePath& name) {
  // A name beyond the file calls keeps its own spelling, so that it still differs
  // from every other name.
  std::wstring full = name.ForFileCalls();
  if (full.empty()) full = name.Wide();
  // Short (8.3) names of existing folders and files become their long ones; a
  // file yet to be made takes its folder's long form. The prefixed names reach
  // any length.
  const size_t cut = full.find_last_of(L"\\/");
  const std::wstring folder = cut == std::wstring::npos ? std::wstring() : full.substr(0, cut + 1);
  std::wstring key = GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES
                         ? LongFormOf(full)
                         : LongFormOf(folder) + full.substr(folder.size());
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
  const std::wstring path = FilePath(name).ForFileCalls();
  WIN32_FIND_DATAW data;
  const HANDLE search = path.empty() ? INVALID_HANDLE_VALUE : FindFirstFileW(path.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return FileNamePartOf(name);
  FindClose(search);
  return Utf8(data.cFileName);
}
