#pragma once
// The colours of a frame that the system's codecs read, as its file states them.

#include <windows.h>
#include <wincodec.h>

#include <memory>

#include "picture/PictureFormat.h"

class ColorProfile;

// The frame's profile: an embedded one through the frame's colour contexts
// (PNG's iCCP, TIFF, WebP, HEIC), else, for a PNG, one built from its gAMA and
// cHRM where the decoder gives them as metadata. None for sRGB, for a frame that
// says nothing, for an unsound profile, and for ink or grey frames, whose numbers
// the format conversion has already turned into plain red, green and blue. Never
// raises for what the file holds.
std::shared_ptr<const ColorProfile> FrameColorProfile(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame,
                                                      TPictureFormat format);
