#pragma once
// The Exif orientation that a PNG or a WebP file keeps in a chunk of its own,
// read by walking the file's chunks. The system's imaging component gives no
// metadata for these: Wine 8's PNG decoder gives none and it has no WebP
// decoder; Windows' PNG decoder, as far as is known, does not expose the eXIf
// chunk either.

#include <objidl.h>

// The orientation (1 to 8) in a PNG's eXIf chunk (one before the image data)
// or in the EXIF chunk of an extended (VP8X) WebP, read from the stream's
// start. Only chunk headers and that chunk are read; the rest is skipped by
// seeking, and the stream's position is left where it was (a decoder may be
// reading from it). 1 for any other file, and when the chunk is missing,
// damaged, or longer than Exif data ever is.
int ContainerExifOrientation(IStream* stream);
