#pragma once
// An icon file's directory, checked before a decoder reads it. Wine 8's icon
// decoder was seen to corrupt the process's memory on a picture header of
// absurd height, beyond any fault handling; a file that fails these checks is
// refused as damaged instead, on Windows as under Wine.

#include <objidl.h>

#include <cstddef>
#include <cstdint>

// What the directory says: whether it is sound, and which of its pictures is
// the one to show.
struct TIconFacts {
  // Every picture the directory lists lies within the file, and each bitmap
  // picture's header (a PNG picture's header is only read for its size) gives a
  // size and depth that icons have and pixels that fit in its bytes.
  bool sound = false;
  // The largest picture, the deepest of those equally large, the first of
  // those alike: an icon file often lists a 16-pixel picture first.
  uint16_t best = 0;
};

// Read from the stream's start; the position is then undefined.
TIconFacts CheckIconDirectory(IStream* stream);

// Whether the directory, from the file's first bytes, is a cursor's (type 2):
// a sound file that not every icon decoder reads (Wine 8's does not).
bool IconDirectoryIsCursor(const uint8_t* head, size_t length);
