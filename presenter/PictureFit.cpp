#include "presenter/PictureFit.h"

#include <cstdint>

namespace {
constexpr int kMinimumSide = 600;
constexpr int64_t kScale = 100000;
constexpr int kShortBy = 10;
}  // namespace

ClientSize ClientSizeForPicture(int pictureWidth, int pictureHeight, ClientSize current) {
  // The test is made on the shorter side; the square takes the longer one.
  if (pictureWidth > pictureHeight) {
    if (pictureHeight < kMinimumSide) return {pictureWidth, pictureWidth};
  } else if (pictureWidth < kMinimumSide) {
    return {pictureHeight, pictureHeight};
  }
  return current;
}

PictureBounds FitPicture(int pictureWidth, int pictureHeight, ClientSize client) {
  PictureBounds bounds{};
  if (pictureWidth > pictureHeight) {
    bounds.width = client.width - kShortBy;
    const int64_t scale = client.width * kScale / pictureWidth;
    bounds.height = static_cast<int>(scale * pictureHeight / kScale);
  } else {
    bounds.height = client.height - kShortBy;
    const int64_t scale = client.height * kScale / pictureHeight;
    bounds.width = static_cast<int>(scale * pictureWidth / kScale);
  }
  bounds.left = (client.width - bounds.width) / 2;
  bounds.top = (client.height - bounds.height) / 2;
  return bounds;
}
