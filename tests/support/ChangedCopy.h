#pragma once
// A copy of a data file, cut or with one byte changed, in the temporary
// folder, for the tests of damaged pictures; removed with its owner.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/core/Stream.h"
#include "tests/support/ReferencePictures.h"

class ChangedCopy {
public:
  // The first `keep` bytes of `from` (all when it has fewer), with the byte at
  // `at` set to `value` when `at` is not 0, saved as `name`.
  ChangedCopy(const std::string& from, const std::string& name, size_t keep = SIZE_MAX, size_t at = 0,
              uint8_t value = 0) {
    std::vector<uint8_t> bytes = reference_pictures::FileBytes(from);
    bytes.resize(std::min(keep, bytes.size()));
    if (at != 0 && at < bytes.size()) bytes[at] = value;
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    path_ = std::string(folder) + name;
    TFileStream target(path_, TFileStream::kCreate);
    if (!bytes.empty()) target.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  ~ChangedCopy() { DeleteFileA(path_.c_str()); }
  ChangedCopy(const ChangedCopy&) = delete;
  ChangedCopy& operator=(const ChangedCopy&) = delete;
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};
