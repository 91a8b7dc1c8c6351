#pragma once
// An icon file's directory, checked before a decoder reads it. Wine 8's icon
// decoder was seen to corrupt the process's memory on a picture header of
// absurd height, beyond any fault handling; a file that fails these checks is
// refused as damaged instead, on Windows as under Wine.

#include <objidl.h>

#include <cstddef>
#include <cstdint>

// What an icon or cursor file's directory says.
struct TIconFacts {
  // Every picture the directory lists lies within the file, and each bitmap
  // picture's header (a PNG picture is left to its decoder) gives a size and
  // depth that icons have and pixels that fit in its bytes.
  bool sound = false;
  // The picture shown: the largest, and of the largest the deepest, by the
  // pictures' own headers (a directory entry's size stops at 256). The first
  // of equals.
  unsigned largest = 0;
};

// Reads the directory from the stream's start; the position is then undefined.
TIconFacts CheckIcon(IStream* stream);

// Whether the directory, from the file's first bytes, is a cursor's (type 2):
// a sound file that not every icon decoder reads (Wine 8's does not).
bool IconDirectoryIsCursor(const uint8_t* head, size_t length);
