#pragma once
// An icon file's directory, checked before a decoder reads it. Wine 8's icon
// decoder was seen to corrupt the process's memory on a picture header of
// absurd height, beyond any fault handling; a file that fails these checks is
// refused as damaged instead, on Windows as under Wine.

#include <objidl.h>

// True when every picture the directory lists lies within the file, and each
// bitmap picture's header (a PNG picture is left to its decoder) gives a size
// and depth that icons have and pixels that fit in its bytes. Read from the
// stream's start; the position is then undefined.
bool IconDirectoryIsSound(IStream* stream);
