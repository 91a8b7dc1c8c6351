#pragma once
// The colours a BMP file's version 4 or 5 header says its pixels have.

#include <cstdint>
#include <memory>
#include <vector>

class ColorProfile;
class TStream;

// The profile of a file whose header (`header`, as the file holds it) starts at
// `headerStart` in `source`, which holds `bodySize` bytes from there on: a profile
// embedded in the file, or one built from stated end points and gammas. None for
// sRGB, the system's colour space, a linked profile file (another computer's
// path), an older header, or anything unsound: the pixels are then shown as
// stored. Leaves the stream's position as it found it; raises only what reading
// the stream raises.
std::shared_ptr<const ColorProfile> BmpColorProfile(const std::vector<uint8_t>& header, TStream& source,
                                                    int32_t headerStart, int64_t bodySize);
