#pragma once
// How far a saved frame's picture is from a reference picture: the picture is
// the part of the frame that is not black, and it is compared where the
// reference is even (away from edges that the fit and the JPEG blur).

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "tests/support/ReferencePictures.h"

namespace reference_pictures {

// The largest channel difference between the frame (0x00RRGGBB, top row
// first) and the reference scaled onto the frame's part that is not black,
// at every reference pixel whose 7 by 7 neighbourhood spans at most `even`
// levels (the JPEG's colour, kept at half resolution, bleeds that far); huge when the frame holds no picture or nothing was compared.
inline double FittedDifference(const std::vector<DWORD>& frame, int width, int height, const Picture& reference,
                               int even = 12) {
  const auto at = [&](int x, int y) { return frame[static_cast<size_t>(y) * width + x]; };
  const auto bright = [](DWORD p) { return std::max({Channel(p, 0), Channel(p, 8), Channel(p, 16)}); };
  int left = width, top = height, right = -1, bottom = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (bright(at(x, y)) > 60)
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
  if (right < left || reference.pixels.empty()) return 1e9;
  double most = -1;
  for (int y = 3; y + 3 < reference.height; ++y) {
    for (int x = 3; x + 3 < reference.width; ++x) {
      int spread = 0;
      for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
          for (int shift : {0, 8, 16})
            spread = std::max(spread, std::abs(Channel(reference.At(x + dx, y + dy), shift) -
                                               Channel(reference.At(x, y), shift)));
      if (spread > even) continue;
      const int fx = left + ((2 * x + 1) * (right - left + 1)) / (2 * reference.width);
      const int fy = top + ((2 * y + 1) * (bottom - top + 1)) / (2 * reference.height);
      for (int shift : {0, 8, 16})
        most = std::max<double>(most, std::abs(Channel(at(fx, fy), shift) - Channel(reference.At(x, y), shift)));
    }
  }
  return most < 0 ? 1e9 : most;
}

}  // namespace reference_pictures
