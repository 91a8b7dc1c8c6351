#include "picture/core/Stream.h"

#include <algorithm>
#include <cstring>

#include "resources/StringIds.h"
#include "text/Exceptions.h"

EFOpenError FileOpenError(const FilePath& file) {
  return EFOpenError(ResFormat(IDS_FILE_OPEN_ERROR, {file.Text()}), ResText(IDS_FILE_OPEN_REASON));
}

EFCreateError FileCreateError(const FilePath& file) {
  return EFCreateError(ResFormat(IDS_FILE_CREATE_ERROR, {file.Text()}),
                       ResFormat(IDS_FILE_CREATE_ERROR, {file.FileName().Text()}));
}

int32_t TStream::Size() {
  const int32_t position = Seek(0, 1);
  const int32_t size = Seek(0, 2);
  Seek(position, 0);
  return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(ResText(IDS_READ_ERROR));
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(ResText(IDS_WRITE_ERROR));
}

TFileStream::TFileStream(const FilePath& fileName, Mode mode, DWORD attributes) {
  // A name beyond the file calls reaches no call: it fails here as any other.
  const std::wstring name = fileName.ForFileCalls();
  if (mode == kOpenRead) {
    if (!name.empty())
      file_.reset(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) throw FileOpenError(fileName);
  } else {
    if (!name.empty())
      file_.reset(
          CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    if (!file_) throw FileCreateError(fileName);
  }
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !ReadFile(file_.get(), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return static_cast<int32_t>(done);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !WriteFile(file_.get(), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return static_cast<int32_t>(done);
}

int32_t TFileStream::Seek(int32_t offset, int origin) {
  return static_cast<int32_t>(SetFilePointer(file_.get(), offset, nullptr, static_cast<DWORD>(origin)));
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  const int32_t size = static_cast<int32_t>(data_.size());
  // A position before the start (a seek back too far) reads nothing.
  if (count <= 0 || position_ < 0 || position_ >= size) return 0;
  const int32_t n = count < size - position_ ? count : size - position_;
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0 || position_ < 0) return 0;
  const size_t end = static_cast<size_t>(position_) + static_cast<size_t>(count);
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

int32_t TMemoryStream::Seek(int32_t offset, int origin) {
  // Worked out in 64 bits, so that no offset can wrap the position around.
  int64_t position = offset;
  if (origin == 1) position += position_;
  if (origin == 2) position += static_cast<int64_t>(data_.size());
  position_ = static_cast<int32_t>(std::clamp<int64_t>(position, INT32_MIN, INT32_MAX));
  return position_;
}

void TMemoryStream::SetSize(int32_t size) {
  data_.resize(size > 0 ? static_cast<size_t>(size) : 0);
  if (position_ > size) position_ = size;
}
