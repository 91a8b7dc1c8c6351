#include "tests/support/LongFolder.h"

#include <windows.h>

namespace {

std::wstring WideOf(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                      &wide[0], static_cast<int>(wide.size()))));
  return wide;
}

std::string Utf8Of(const std::wstring& wide) {
  std::string utf8(wide.size() * 3, '\0');
  utf8.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                                      &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr)));
  return utf8;
}

std::wstring Extended(const std::string& path) { return L"\\\\?\\" + WideOf(path); }

// Removes the folder with every file and folder inside it.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

LongFolder::LongFolder(size_t length) {
  char temp[MAX_PATH + 1];
  const DWORD size = GetTempPathA(sizeof temp, temp);
  root_ = std::string(temp, size) + "mirokate-long-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(length);
  CreateDirectoryW(Extended(root_).c_str(), nullptr);
  path_ = root_;
  // Components of at most 200 characters, well within every file system's limit.
  while (path_.size() < length) {
    const size_t left = length - path_.size() - 1;
    size_t part = left > 200 ? 200 : left;
    if (left - part == 1) part -= 2;  // the next component needs a character of its own
    path_ += "\\" + std::string(part, 'd');
    CreateDirectoryW(Extended(path_).c_str(), nullptr);
  }
}

LongFolder::~LongFolder() { RemoveTree(Extended(root_)); }

std::vector<std::string> LongFolder::Names() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((Extended(path_) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    names.push_back(Utf8Of(name));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

bool LongFolder::Write(const std::string& name, const std::vector<unsigned char>& bytes) const {
  const HANDLE file = CreateFileW((Extended(path_ + "\\" + name)).c_str(),
                                  GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return wrote && written == bytes.size();
}

std::vector<unsigned char> LongFolder::Read(const std::string& name) const {
  const HANDLE file = CreateFileW((Extended(path_ + "\\" + name)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::vector<unsigned char> bytes(GetFileSize(file, nullptr));
  DWORD read = 0;
  const BOOL whole = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  if (!whole || read != bytes.size()) bytes.clear();
  return bytes;
}
