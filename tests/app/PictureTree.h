#pragma once
// A fresh tree of folders in the temporary folder, named in any script and
// removed with everything in it, for the tests that drop pictures and folders
// on the real program. Names are relative to its top.

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

class PictureTree {
public:
  explicit PictureTree(const std::wstring& name);
  ~PictureTree();
  PictureTree(const PictureTree&) = delete;
  PictureTree& operator=(const PictureTree&) = delete;

  // Writes the file, making the folders on its way; gives its path.
  std::wstring Write(const std::wstring& name, const std::vector<uint8_t>& bytes) const;
  // The file's bytes; empty when it is not there.
  std::vector<uint8_t> Read(const std::wstring& name) const;
  std::wstring Path(const std::wstring& name) const { return top_ + L"\\" + name; }
  const std::wstring& Folder() const { return top_; }
  // A folder that leads back to the top: a junction on Windows; under Wine,
  // which makes none, a symbolic link of the host's file system, which it
  // lists as a reparse point too. Whether the folder is such a link.
  bool LinkToTop(const std::wstring& name);
  // Every file in the tree (UTF-8, relative), links not followed.
  std::set<std::string> Files() const;

private:
  std::wstring top_;
  std::vector<std::wstring> links_;
};
