// Prints what Explorer's Properties and the loader read from a program file: its
// version texts and its manifest, as UTF-8 lines "Name=value", for the package
// check to compare.
//   resource_dump.exe PROGRAM.exe
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text, int length = -1) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, bytes.data(), size, nullptr, nullptr);
  if (length < 0 && !bytes.empty()) bytes.pop_back();
  return bytes;
}

void PrintVersionTexts(const wchar_t* file) {
  DWORD ignored = 0;
  std::vector<BYTE> block(GetFileVersionInfoSizeW(file, &ignored));
  if (block.empty() || !GetFileVersionInfoW(file, 0, static_cast<DWORD>(block.size()), block.data())) return;
  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
      size < sizeof *translation)
    return;
  std::printf("Translation=%04x%04x\n", translation->language, translation->codePage);
  for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"ProductName", L"FileVersion", L"ProductVersion",
                              L"OriginalFilename", L"LegalCopyright"}) {
    wchar_t path[128];
    swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage, name);
    wchar_t* value = nullptr;
    if (VerQueryValueW(block.data(), path, reinterpret_cast<void**>(&value), &size) && value != nullptr)
      std::printf("%s=%s\n", Utf8(name).c_str(), Utf8(value).c_str());
  }
}

void PrintManifest(const wchar_t* file) {
  HMODULE module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return;
  if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
    if (text != nullptr) std::printf("Manifest=%s\n", std::string(text, SizeofResource(module, found)).c_str());
  }
  FreeLibrary(module);
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count != 2) {
    std::fprintf(stderr, "usage: resource_dump PROGRAM.exe\n");
    return 2;
  }
  PrintVersionTexts(arguments[1]);
  PrintManifest(arguments[1]);
  return 0;
}
