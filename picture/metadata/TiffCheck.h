#pragma once
// A TIFF file's structure, checked before a decoder reads it, and what its
// first page's header says. Wine 8's TIFF decoder hung on a loop of IFDs, and
// its metadata reader read address 0 on a value lying past the file's end; a
// file that fails these checks is refused as damaged instead, on Windows as
// under Wine. The checks are those of the structure alone, so that every sound
// file passes, in either byte order, classic or BigTIFF.

#include <objidl.h>

struct TTiffFacts {
  // No loop among the IFDs; every IFD with its entry table inside the file;
  // every entry of a known type, its values inside the file.
  bool sound = false;
  // The first page's orientation tag, 1 to 8; 1 when missing or malformed.
  int orientation = 1;
  // The file is a BigTIFF, or its first page is compressed otherwise than
  // every decoder reads (JPEG, JPEG 2000, LZMA...) or keeps each channel in
  // planes of its own: a decoder may well lack the variant.
  bool uncommonVariant = false;
};

// Reads the file from the stream's start; the position is then undefined.
TTiffFacts CheckTiff(IStream* stream);
