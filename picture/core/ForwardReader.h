#pragma once
// Reading a COM stream by position, never past its end: how the program walks a
// container's own records (chunks, directories) before or beside a decoder.

#include <objidl.h>

#include <cstdint>

// Reads the stream from its start. Every read and move is checked against the
// stream's size, so a damaged length or offset fails the call instead of reading
// beyond the file.
class TForwardReader {
public:
  explicit TForwardReader(IStream* stream);

  // Whether `count` more bytes lie between the position and the end.
  bool Holds(uint64_t count) const { return count <= end_ - position_; }
  // Exactly `count` bytes from the position on; false (and nothing read) when
  // the stream holds fewer.
  bool Read(void* buffer, uint32_t count);
  // Moves `count` bytes on.
  bool Skip(uint64_t count) { return Holds(count) && Seek(position_ + count); }
  // Moves to `position` from the start, which must lie within the stream.
  bool MoveTo(uint64_t position) { return position <= end_ && Seek(position); }
  // Nothing past `count` bytes from here is read (a RIFF file ends where its size says).
  void Limit(uint64_t count) {
    if (Holds(count)) end_ = position_ + count;
  }
  uint64_t Size() const { return end_; }

private:
  bool Seek(uint64_t position);

  IStream* stream_;
  uint64_t position_ = 0;
  uint64_t end_ = 0;
};
