#pragma once
// The most pixels a picture read from a file may have, whatever its format.

#include <cstdint>

// 2^30: half of what the system's drawing code can take in its 32-bit
// arithmetic (it fails, or worse, from 2^31 on).
constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 30;

// True when a picture of width by height pixels (each side below 2^32, so the
// product cannot wrap) is more than can be held and drawn.
inline bool ExceedsPixelCap(uint64_t width, uint64_t height) { return width * height > kMaxPicturePixels; }
