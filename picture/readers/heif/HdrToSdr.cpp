#include "picture/readers/heif/HdrToSdr.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kSteps = 4096;
constexpr double kReferenceWhite = 203.0;  // cd/m², BT.2408's HDR reference white
constexpr double kPeak = 1000.0;           // cd/m², where highlights reach white

// Linear cd/m² of a PQ signal in 0..1; the divisor stays above 0.16.
double PqLight(double signal) {
  const double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
  const double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
  const double n = std::pow(signal, 1 / m2);
  return 10000.0 * std::pow(std::max(n - c1, 0.0) / (c2 - c3 * n), 1 / m1);
}

// Display cd/m² of an HLG signal in 0..1 on a 1,000 cd/m² display.
double HlgLight(double signal) {
  const double a = 0.17883277, b = 0.28466892, c = 0.55991073;
  const double scene = signal <= 0.5 ? signal * signal / 3 : (std::exp((signal - c) / a) + b) / 12;
  return kPeak * std::pow(scene, 1.2);
}

double SrgbEncoded(double light) {
  return light <= 0.0031308 ? 12.92 * light : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
}

// Linear BT.2020 and P3 (D65) to linear BT.709; others are taken as BT.709.
const float kFrom2020[9] = {1.6605f, -0.5876f, -0.0728f, -0.1246f, 1.1329f, -0.0083f, -0.0182f, -0.1006f, 1.1187f};
const float kFromP3[9] = {1.2249f, -0.2247f, 0.0f, -0.0420f, 1.0419f, 0.0f, -0.0197f, -0.0786f, 1.0979f};
const float kSame[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

}  // namespace

HdrToSdr::HdrToSdr(HeifTransfer transfer, int primaries) : linear_(kSteps), encoded_(kSteps) {
  for (int i = 0; i < kSteps; ++i) {
    const double signal = static_cast<double>(i) / (kSteps - 1);
    const double light = transfer == HeifTransfer::Hlg ? HlgLight(signal) : PqLight(signal);
    linear_[i] = static_cast<float>(light / kReferenceWhite);
    encoded_[i] = static_cast<uint8_t>(std::lround(255 * SrgbEncoded(signal)));
  }
  const float* matrix = primaries == 9 ? kFrom2020 : primaries == 11 || primaries == 12 ? kFromP3 : kSame;
  std::memcpy(matrix_, matrix, sizeof matrix_);
}

namespace {

// The scale of a colour whose largest channel is `largest` (linear, 1.0 = SDR
// white): 1 up to the knee; above it, the excess e over the knee, in units of
// the room left to white, becomes e (1 + e / E²) / (1 + e), which reaches 1 at
// the peak's excess E and meets the straight line with the same slope. The
// division is by a number above the knee, never by 0.
float HighlightScale(float largest) {
  constexpr float kKnee = 0.8f;
  constexpr float kRoom = 1 - kKnee;
  const float peakExcess = static_cast<float>((kPeak / kReferenceWhite - kKnee) / kRoom);
  if (largest <= kKnee) return 1;
  const float excess = (largest - kKnee) / kRoom;
  const float shown = kKnee + kRoom * excess * (1 + excess / (peakExcess * peakExcess)) / (1 + excess);
  return shown / largest;
}

}  // namespace

void HdrToSdr::MapRow(const uint16_t* rgb, int width, uint8_t* bgr) const {
  for (int x = 0; x < width; ++x, rgb += 3, bgr += 3) {
    const float r = linear_[rgb[0] >> 4], g = linear_[rgb[1] >> 4], b = linear_[rgb[2] >> 4];
    float out[3];
    for (int c = 0; c < 3; ++c)
      out[c] = std::max(0.0f, matrix_[3 * c] * r + matrix_[3 * c + 1] * g + matrix_[3 * c + 2] * b);
    const float scale = HighlightScale(std::max({out[0], out[1], out[2]}));
    for (int c = 0; c < 3; ++c) {
      const float shown = std::min(1.0f, out[c] * scale);
      bgr[2 - c] = encoded_[static_cast<int>(shown * (kSteps - 1) + 0.5f)];
    }
  }
}
