#pragma once
// What a HEIF or AVIF picture's colours are, as its colour boxes say: an ICC
// profile, or an nclx box's primaries and transfer. Colours in sRGB's or
// BT.709's primaries with an SDR transfer need nothing; other primaries become
// a profile (their chromaticities and the transfer's gamma) for the program's
// conversion to sRGB; a PQ or HLG transfer is mapped by HdrToSdr instead.

#include <memory>

#include "picture/readers/heif/HeifLibrary.h"

class ColorProfile;

enum class HeifTransfer { Sdr, Pq, Hlg };

struct HeifColour {
  std::shared_ptr<const ColorProfile> profile;
  HeifTransfer transfer = HeifTransfer::Sdr;
  // The nclx primaries the HDR mapping converts from (1 is BT.709's).
  int primaries = 1;
};

HeifColour ColourOf(const HeifEdge& edge, heif_image_handle* handle);

// How the decoded luma and chroma become red, green and blue: the nclx matrix
// (0 for stored green-blue-red) and range. The decoded image's nclx comes first
// (the decoders fill it from the coded stream where the file has no nclx box),
// then the file's; with neither, BT.601 at full range, as the coders write.
struct HeifMatrix {
  int coefficients = 6;
  bool fullRange = true;
};

HeifMatrix MatrixOf(const HeifEdge& edge, heif_image_handle* handle, heif_image* image);
