#pragma once
// Byte streams: files through the system's file calls, and memory. Readers and
// writers use ReadBuffer/WriteBuffer, which fail loudly on a short transfer.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gdi/Handles.h"
#include "text/Exceptions.h"
#include "text/FilePath.h"

// A file that cannot be opened, or made: "ファイル %s は開けません" / "ファイル %s
// を作成できません" with the whole name; the reason names only what a list of
// pictures does not (the file made, by its own name).
EFOpenError FileOpenError(const FilePath& file);
EFCreateError FileCreateError(const FilePath& file);

class TStream {
public:
  virtual ~TStream() = default;
  // Transfers up to `count` bytes; returns how many were transferred (0 on failure).
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // origin: 0 from the beginning, 1 from the current position, 2 from the end.
  virtual int32_t Seek(int32_t offset, int origin) = 0;

  int32_t Position() { return Seek(0, 1); }
  void SetPosition(int32_t position) { Seek(position, 0); }
  int32_t Size();

  // Exactly `count` bytes, or EReadError "ストリームからの読み込みエラー".
  void ReadBuffer(void* buffer, int32_t count);
  // Exactly `count` bytes, or EWriteError "ストリームへの書き込みエラー".
  void WriteBuffer(const void* buffer, int32_t count);
};

// A file opened for reading (others may read, nobody may write meanwhile) or
// created for writing; the handle is closed with the stream.
class TFileStream : public TStream {
public:
  enum Mode { kOpenRead, kCreate };
  // Raises EFOpenError "ファイル %s は開けません" or EFCreateError
  // "ファイル %s を作成できません" with the name as given. A name of any length
  // is reached (FilePath::ForFileCalls). A file created over an existing one gets
  // `attributes`: Windows refuses to replace a hidden or system file with one
  // that lacks those attributes.
  TFileStream(const FilePath& fileName, Mode mode, DWORD attributes = FILE_ATTRIBUTE_NORMAL);

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int32_t Seek(int32_t offset, int origin) override;
  HANDLE Handle() const { return file_.get(); }

private:
  UniqueFile file_;
};

// A growable block of memory.
class TMemoryStream : public TStream {
public:
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int32_t Seek(int32_t offset, int origin) override;

  const uint8_t* Memory() const { return data_.data(); }
  uint8_t* Memory() { return data_.data(); }
  void SetSize(int32_t size);

private:
  std::vector<uint8_t> data_;
  int32_t position_ = 0;
};
