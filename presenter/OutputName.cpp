#include "presenter/OutputName.h"

#include <string>

namespace {
const char kOutputPrefix[] = "ミロカテ ～ ";
}  // namespace

FilePath OutputNameFor(const FilePath& picture) {
  // Only the last extension of the file-name part goes, with a trailing blank.
  return picture.Directory() + FilePath(kOutputPrefix) + picture.WithExtension(".jpg").FileName();
}

bool IsOwnOutput(const FilePath& file) {
  const std::wstring prefix = FilePath(kOutputPrefix).Wide();
  return file.FileName().Wide().compare(0, prefix.size(), prefix) == 0;
}
