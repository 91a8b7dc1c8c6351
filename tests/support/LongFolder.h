#pragma once
// A fresh folder under the temporary folder whose full path has an exact length,
// for the tests of long paths. It is made, read and removed, with everything in
// it, through "\\?\" names of its own making, which reach any length on Windows
// and Wine alike.

#include <string>
#include <vector>

class LongFolder {
public:
  // The folder's full path is `length` characters long, without a final "\".
  explicit LongFolder(size_t length);
  ~LongFolder();
  LongFolder(const LongFolder&) = delete;
  LongFolder& operator=(const LongFolder&) = delete;

  // The folder's path, ANSI (all its characters are ASCII) and without "\\?\".
  const std::string& Path() const { return path_; }
  // The names of the files and folders in it, in UTF-8.
  std::vector<std::string> Names() const;
  // Writes a file of a UTF-8 name into it; false when that fails.
  bool Write(const std::string& name, const std::vector<unsigned char>& bytes) const;
  // The bytes of a file of a UTF-8 name in it; empty when it cannot be read.
  std::vector<unsigned char> Read(const std::string& name) const;

private:
  std::string root_, path_;
};
