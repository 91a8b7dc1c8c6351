#include "picture/readers/heif/HeifRows.h"

#include <algorithm>
#include <cmath>

#include "picture/readers/heif/HdrToSdr.h"

namespace {

constexpr int kFraction = 12;  // fractional bits of the fixed-point factors

// Luma weights of red (Kr) and blue (Kb) for an nclx matrix; BT.601's for the
// unspecified and unknown ones, as the library's own conversion takes them.
void LumaWeights(int matrix, int primaries, double& kr, double& kb) {
  kr = 0.299, kb = 0.114;
  const bool fromPrimaries = matrix == 12 || matrix == 13;
  if (matrix == 1 || (fromPrimaries && primaries == 1)) kr = 0.2126, kb = 0.0722;
  if (matrix == 4) kr = 0.30, kb = 0.11;
  if (matrix == 7) kr = 0.212, kb = 0.087;
  if (matrix == 9 || matrix == 10 || (fromPrimaries && primaries == 9)) kr = 0.2627, kb = 0.0593;
  if (fromPrimaries && (primaries == 11 || primaries == 12)) kr = 0.2290, kb = 0.0793;
}

int Fixed(double value) { return static_cast<int>(std::lround(value * (1 << kFraction))); }

HeifRows::Factors FactorsFor(const HeifMatrix& matrix, int primaries, int bits, int alphaBits) {
  HeifRows::Factors f;
  const double max = (1 << bits) - 1, toWide = 65535.0 / max;
  double lumaScale = 1, chromaScale = 1;
  if (!matrix.fullRange) {
    f.lumaOffset = (16 << bits) >> 8;
    lumaScale = max * 256 / (219.0 * (1 << bits));
    chromaScale = max * 256 / (224.0 * (1 << bits));
  }
  f.luma = Fixed(lumaScale * toWide);
  f.chromaHalf = 1 << (bits - 1);
  f.identity = matrix.coefficients == 0;
  double kr = 0, kb = 0;
  LumaWeights(matrix.coefficients, primaries, kr, kb);
  const double kg = 1 - kr - kb, chroma = chromaScale * toWide;
  f.crToRed = Fixed(2 * (1 - kr) * chroma);
  f.cbToBlue = Fixed(2 * (1 - kb) * chroma);
  f.cbToGreen = Fixed(-2 * kb * (1 - kb) / kg * chroma);
  f.crToGreen = Fixed(-2 * kr * (1 - kr) / kg * chroma);
  f.alpha = Fixed(65535.0 / ((1 << alphaBits) - 1));
  return f;
}

inline int Sample(const HeifRows::Plane& plane, const uint8_t* row, int x) {
  return plane.wide ? reinterpret_cast<const uint16_t*>(row)[x] >> plane.drop : row[x];
}

inline uint16_t Wide(int fixed) {
  const int value = (fixed + (1 << (kFraction - 1))) >> kFraction;
  return static_cast<uint16_t>(std::min(65535, std::max(0, value)));
}

// The plane of `channel`, checked to cover width by height at its subsampling.
HeifRows::Plane PlaneOf(const HeifEdge& edge, heif_image* image, heif_channel channel, int shiftX, int shiftY,
                        int width, int height) {
  HeifRows::Plane plane;
  plane.shiftX = shiftX, plane.shiftY = shiftY;
  plane.data = edge.Value([&] { return heif_image_get_plane_readonly(image, channel, &plane.stride); });
  const int stored = edge.Value([&] { return heif_image_get_bits_per_pixel(image, channel); });
  const int bits = edge.Value([&] { return heif_image_get_bits_per_pixel_range(image, channel); });
  const int planeWidth = edge.Value([&] { return heif_image_get_width(image, channel); });
  const int planeHeight = edge.Value([&] { return heif_image_get_height(image, channel); });
  plane.wide = stored > 8;
  const int sampleBytes = plane.wide ? 2 : 1;
  if (plane.data == nullptr || bits < 1 || bits > 16 || stored > 16 || (bits > 8 && !plane.wide) ||
      planeWidth < ((width + (1 << shiftX) - 1) >> shiftX) || planeHeight < ((height + (1 << shiftY) - 1) >> shiftY) ||
      plane.stride < planeWidth * sampleBytes)
    edge.RaiseDamaged();
  // Deeper samples than 12 bits are cut to 12, which keeps the fixed-point sums in 32 bits.
  plane.bits = std::min(bits, 12);
  plane.drop = bits - plane.bits;
  return plane;
}

}  // namespace

HeifRows::HeifRows(const HeifEdge& edge, heif_image_handle* handle, heif_image* image, const HeifColour& colour) {
  width_ = edge.Value([&] { return heif_image_get_primary_width(image); });
  height_ = edge.Value([&] { return heif_image_get_primary_height(image); });
  const heif_colorspace space = edge.Value([&] { return heif_image_get_colorspace(image); });
  const heif_chroma chroma = edge.Value([&] { return heif_image_get_chroma_format(image); });
  if (width_ <= 0 || height_ <= 0) edge.RaiseDamaged();
  const int sx = chroma == heif_chroma_420 || chroma == heif_chroma_422 ? 1 : 0;
  const int sy = chroma == heif_chroma_420 ? 1 : 0;
  HeifMatrix matrix = MatrixOf(edge, handle, image);
  if (space == heif_colorspace_YCbCr && chroma != heif_chroma_monochrome) {
    // Stored green-blue-red (matrix 0) reads Y as green, Cb as blue, Cr as red.
    planes_[0] = PlaneOf(edge, image, heif_channel_Y, 0, 0, width_, height_);
    planes_[1] = PlaneOf(edge, image, heif_channel_Cb, sx, sy, width_, height_);
    planes_[2] = PlaneOf(edge, image, heif_channel_Cr, sx, sy, width_, height_);
    planeCount_ = 3;
  } else if (space == heif_colorspace_RGB && chroma == heif_chroma_444) {
    planes_[0] = PlaneOf(edge, image, heif_channel_G, 0, 0, width_, height_);
    planes_[1] = PlaneOf(edge, image, heif_channel_B, 0, 0, width_, height_);
    planes_[2] = PlaneOf(edge, image, heif_channel_R, 0, 0, width_, height_);
    planeCount_ = 3;
    matrix.coefficients = 0;
  } else if (space == heif_colorspace_monochrome || chroma == heif_chroma_monochrome) {
    planes_[0] = PlaneOf(edge, image, heif_channel_Y, 0, 0, width_, height_);
    planeCount_ = 1;
  } else {
    edge.RaiseDamaged();
  }
  if (edge.Value([&] { return heif_image_has_channel(image, heif_channel_Alpha); }) != 0) {
    alpha_ = PlaneOf(edge, image, heif_channel_Alpha, 0, 0, width_, height_);
    straightAlpha_ = edge.Value([&] { return heif_image_is_premultiplied_alpha(image); }) == 0;
  }
  factors_ = FactorsFor(matrix, colour.primaries, planes_[0].bits, alpha_.bits);
  if (colour.transfer != HeifTransfer::Sdr) hdr_ = std::make_unique<HdrToSdr>(colour.transfer, colour.primaries);
  wide_.resize(static_cast<size_t>(width_) * 3);
  row_.resize(static_cast<size_t>(width_) * 3);
}

HeifRows::~HeifRows() = default;

void HeifRows::WideRow(int y) {
  const Factors& f = factors_;
  const Plane &p0 = planes_[0], &p1 = planes_[1], &p2 = planes_[2];
  const uint8_t* luma = p0.data + static_cast<size_t>(y) * p0.stride;
  uint16_t* out = wide_.data();
  if (planeCount_ == 1) {
    for (int x = 0; x < width_; ++x, out += 3)
      out[0] = out[1] = out[2] = Wide((Sample(p0, luma, x) - f.lumaOffset) * f.luma);
    return;
  }
  const uint8_t* cb = p1.data + static_cast<size_t>(y >> p1.shiftY) * p1.stride;
  const uint8_t* cr = p2.data + static_cast<size_t>(y >> p2.shiftY) * p2.stride;
  for (int x = 0; x < width_; ++x, out += 3) {
    const int l = (Sample(p0, luma, x) - f.lumaOffset) * f.luma;
    const int storedCb = Sample(p1, cb, x >> p1.shiftX), storedCr = Sample(p2, cr, x >> p2.shiftX);
    if (f.identity) {
      out[0] = Wide((storedCr - f.lumaOffset) * f.luma);
      out[1] = Wide(l);
      out[2] = Wide((storedCb - f.lumaOffset) * f.luma);
      continue;
    }
    const int u = storedCb - f.chromaHalf, v = storedCr - f.chromaHalf;
    out[0] = Wide(l + v * f.crToRed);
    out[1] = Wide(l + u * f.cbToGreen + v * f.crToGreen);
    out[2] = Wide(l + u * f.cbToBlue);
  }
}

void HeifRows::AlphaOverBlack(int y) {
  const uint8_t* alpha = alpha_.data + static_cast<size_t>(y) * alpha_.stride;
  uint8_t* out = row_.data();
  for (int x = 0; x < width_; ++x, out += 3) {
    const uint32_t a = Wide(Sample(alpha_, alpha, x) * factors_.alpha);
    for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((out[c] * a + 32767) / 65535);
  }
}

const uint8_t* HeifRows::Row(int y) {
  y = std::min(std::max(y, 0), height_ - 1);
  WideRow(y);
  if (hdr_ != nullptr) {
    hdr_->MapRow(wide_.data(), width_, row_.data());
  } else {
    const uint16_t* in = wide_.data();
    uint8_t* out = row_.data();
    // 16 bits to 8, rounded: v / 257 to the nearest.
    for (int x = 0; x < width_; ++x, in += 3, out += 3)
      for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((in[2 - c] + 128) / 257);
  }
  // Premultiplied colours are already laid over black.
  if (alpha_.data != nullptr && straightAlpha_) AlphaOverBlack(y);
  return row_.data();
}
