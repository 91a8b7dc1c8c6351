#include "text/FileNames.h"

#include <windows.h>

#include "text/DoubleByte.h"

int LastDelimiter(const std::string& delimiters, const std::string& text) {
  int i = static_cast<int>(text.size());
  while (i > 0) {
    const char byte = text[static_cast<size_t>(i) - 1];
    if (byte != '\0' && delimiters.find(byte) != std::string::npos) {
      if (ByteKindAt(text, i) != mbTrailByte) return i;
      i -= 2;  // over the trail byte and its lead byte
    } else {
      --i;
    }
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
  // Only the lookup decides. The file's time stamp is not consulted: a last-write
  // time before 1980 has no MS-DOS form, and such a file exists all the same.
  WIN32_FIND_DATAW data;
  const HANDLE search = FindFirstFileW(name.Wide().c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string StoredFileNameOf(const std::string& name) {
  // A wildcard would find some other file.
  if (name.find_first_of("*?") != std::string::npos) return FileNamePartOf(name);
  WIN32_FIND_DATAA data;
  const HANDLE search = FindFirstFileA(name.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return FileNamePartOf(name);
  FindClose(search);
  return data.cFileName;
}
