#pragma once
// The colours of a frame that the system's codecs read, as its file states them.

#include <windows.h>
#include <wincodec.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "picture/formats/PictureFormat.h"

class ColorProfile;

// The frame's profile: an embedded one through the frame's colour contexts
// (PNG's iCCP, TIFF, WebP, HEIC), else, for a PNG, one built from its gAMA and
// cHRM where the decoder gives them as metadata. None for sRGB, for a frame that
// says nothing, for an unsound profile, and for ink or grey frames, whose numbers
// the format conversion has already turned into plain red, green and blue. Never
// raises for what the file holds.
std::shared_ptr<const ColorProfile> FrameColorProfile(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame,
                                                      TPictureFormat format);

// The profile PNG's gAMA and cHRM chunks state, in 100000ths: a gamma, and the
// first `count` of white's and the primaries' x and y (sRGB's stand for the
// rest). None for a gamma of 0, for numbers that describe no usable colours,
// and for 1/2.2 with sRGB's primaries, which writers state for sRGB.
std::shared_ptr<const ColorProfile> PngColorProfile(uint32_t gamma, const uint32_t* chromaticities, size_t count);
