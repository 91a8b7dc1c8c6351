#include "tests/app/PictureTree.h"

#include "tests/app/RunningProgram.h"
#include "text/Utf16.h"

namespace {

// The host's name of a file under Wine; empty on Windows.
std::string UnixName(const std::wstring& path) {
  using Converter = char*(__cdecl*)(const wchar_t*);
  const auto convert = reinterpret_cast<Converter>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  char* name = convert != nullptr ? convert(path.c_str()) : nullptr;
  const std::string result = name != nullptr ? name : "";
  if (name != nullptr) HeapFree(GetProcessHeap(), 0, name);
  return result;
}

void RunCommand(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// Wine hands a host's program over without a process to wait for: what it
// does is waited for instead.
bool WaitUntilThere(const std::wstring& path, bool there) {
  for (int waited = 0; waited < 10000; waited += 10) {
    if ((GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) == there) return true;
    Sleep(10);
  }
  return false;
}

void RemoveLink(const std::wstring& link) {
  // Wine takes a host's link to a folder for the folder itself.
  const std::string unixName = UnixName(link);
  if (unixName.empty()) {
    RemoveDirectoryW(link.c_str());
  } else {
    RunCommand(L"/bin/rm -f \"" + Wide(unixName) + L"\"");
  }
  WaitUntilThere(link, false);
}

template <class Visit>
void Each(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") visit(folder + L"\\" + name, found.dwFileAttributes);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

void Remove(const std::wstring& folder) {
  Each(folder, [](const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      Remove(path);
    } else {
      DeleteFileW(path.c_str());
    }
  });
  RemoveDirectoryW(folder.c_str());
}

void List(const std::wstring& folder, const std::string& prefix, std::set<std::string>& files) {
  Each(folder, [&](const std::wstring& path, DWORD attributes) {
    const std::string name = prefix + Utf8(path.substr(folder.size() + 1));
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      List(path, name + "\\", files);
    } else {
      files.insert(name);
    }
  });
}

}  // namespace

PictureTree::PictureTree(const std::wstring& name) : top_(NewTempFolder(name)) {}

PictureTree::~PictureTree() {
  for (const std::wstring& link : links_) RemoveLink(link);
  Remove(top_);
}

std::wstring PictureTree::Write(const std::wstring& name, const std::vector<uint8_t>& bytes) const {
  const std::wstring path = Path(name);
  for (size_t at = path.find(L'\\', top_.size() + 1); at != std::wstring::npos; at = path.find(L'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

std::vector<uint8_t> PictureTree::Read(const std::wstring& name) const {
  const HANDLE file = CreateFileW(Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::vector<uint8_t> bytes(GetFileSize(file, nullptr));
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return bytes;
}

bool PictureTree::LinkToTop(const std::wstring& name) {
  const std::wstring link = Path(name);
  links_.push_back(link);
  if (UnixName(link).empty()) {
    RunCommand(L"cmd /c mklink /J \"" + link + L"\" \"" + top_ + L"\"");
  } else {
    RunCommand(L"/bin/ln -s \"" + Wide(UnixName(top_)) + L"\" \"" + Wide(UnixName(link)) + L"\"");
  }
  if (!WaitUntilThere(link, true)) return false;
  return (GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::set<std::string> PictureTree::Files() const {
  std::set<std::string> files;
  List(top_, "", files);
  return files;
}
