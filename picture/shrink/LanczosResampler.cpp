#include "picture/shrink/LanczosResampler.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLobes = 3;
constexpr int kWeightBits = 12;
constexpr int32_t kWeightOne = 1 << kWeightBits;
// Passed between the two passes as 16-bit values: a quarter of the samples'
// scale leaves room for the kernel's overshoot.
constexpr int kBetweenShift = kWeightBits + 2;
constexpr int32_t kBetweenOne = 257 * kWeightOne / 4;
// The least share of the taps' magnitude their sum may be: every weight then
// stays within four times the whole, far inside the fixed-point range.
constexpr double kSmallestShare = 0.25;

double Lanczos3(double t) {
  t = std::fabs(t);
  if (t < 1e-12) return 1.0;
  if (t >= kLobes) return 0.0;
  const double x = 3.14159265358979323846 * t;
  return kLobes * std::sin(x) * std::sin(x / kLobes) / (x * x);
}

std::vector<int32_t> FixedPoint(const std::vector<double>& weights, double sum) {
  std::vector<int32_t> fixed(weights.size());
  int32_t total = 0;
  for (size_t i = 0; i < weights.size(); ++i) {
    fixed[i] = static_cast<int32_t>(std::lround(weights[i] / sum * kWeightOne));
    total += fixed[i];
  }
  // The rounding's remainder goes to the largest weight, so a flat area stays flat.
  *std::max_element(fixed.begin(), fixed.end()) += kWeightOne - total;
  return fixed;
}

}  // namespace

// The taps of each of `count` result positions over blocks starting at `starts`
// (the picture's size last). A result pixel and a picture pixel each cover one
// unit of their own grid; the kernel is widened by the factor when shrinking.
std::vector<LanczosResampler::Taps> LanczosResampler::TapsFor(const std::vector<int>& starts, int count) {
  const int samples = static_cast<int>(starts.size()) - 1;
  const double factor = static_cast<double>(starts.back()) / count;
  const double widening = std::max(factor, 1.0);
  const double reach = kLobes * widening;
  std::vector<Taps> result(static_cast<size_t>(count));
  for (int position = 0; position < count; ++position) {
    const double centre = (position + 0.5) * factor;
    int first = static_cast<int>(std::upper_bound(starts.begin(), starts.end() - 1, centre - reach) - starts.begin());
    first = std::max(0, first - 1);
    std::vector<double> weights;
    double sum = 0, magnitude = 0;
    for (int i = first; i < samples && starts[i] < centre + reach; ++i) {
      const double middle = (starts[i] + starts[i + 1]) / 2.0;
      weights.push_back((starts[i + 1] - starts[i]) * Lanczos3((middle - centre) / widening));
      sum += weights.back();
      magnitude += std::fabs(weights.back());
    }
    Taps& taps = result[static_cast<size_t>(position)];
    // Within a grid the kernel's positive middle outweighs its negative lobes
    // (at a picture's edge the sum is still about two thirds of the magnitude);
    // a sum near 0 would make weights without bound.
    if (weights.empty() || !(sum > magnitude * kSmallestShare)) {
      // Not reached by any kernel (a degenerate grid): the nearest sample.
      taps.first = std::min(samples - 1, std::max(0, first));
      taps.weights = {kWeightOne};
      continue;
    }
    taps.first = first;
    taps.weights = FixedPoint(weights, sum);
  }
  return result;
}

LanczosResampler::LanczosResampler(const std::vector<int>& columnStarts, const std::vector<int>& rowStarts, int width,
                                   int height)
    : width_(width),
      height_(height),
      columns_(TapsFor(columnStarts, width)),
      rows_(TapsFor(rowStarts, height)),
      sums_(static_cast<size_t>(width) * 3),
      result_(static_cast<size_t>(width) * 3 * static_cast<size_t>(height)) {
  for (const Taps& taps : rows_) kept_ = std::max(kept_, taps.weights.size());
  across_.resize(kept_ * static_cast<size_t>(width) * 3);
}

void LanczosResampler::AddRow(const uint16_t* samples) {
  int16_t* out = across_.data() + (rowsIn_++ % kept_) * static_cast<size_t>(width_) * 3;
  for (const Taps& taps : columns_) {
    const uint16_t* sample = samples + static_cast<size_t>(taps.first) * 3;
    int32_t blue = 0, green = 0, red = 0;
    for (const int32_t weight : taps.weights) {
      blue += weight * sample[0];
      green += weight * sample[1];
      red += weight * sample[2];
      sample += 3;
    }
    *out++ = static_cast<int16_t>((blue + (1 << (kBetweenShift - 1))) >> kBetweenShift);
    *out++ = static_cast<int16_t>((green + (1 << (kBetweenShift - 1))) >> kBetweenShift);
    *out++ = static_cast<int16_t>((red + (1 << (kBetweenShift - 1))) >> kBetweenShift);
  }
  MakeReadyRows();
}

void LanczosResampler::MakeReadyRows() {
  const size_t rowValues = static_cast<size_t>(width_) * 3;
  // The taps of a later result row start no earlier, so the rows a result row
  // needs are the last ones in, all still kept.
  while (rowsOut_ < height_) {
    const Taps& taps = rows_[static_cast<size_t>(rowsOut_)];
    if (static_cast<size_t>(taps.first) + taps.weights.size() > rowsIn_) return;
    std::fill(sums_.begin(), sums_.end(), 0);
    for (size_t k = 0; k < taps.weights.size(); ++k) {
      const int16_t* source = across_.data() + ((static_cast<size_t>(taps.first) + k) % kept_) * rowValues;
      const int32_t weight = taps.weights[k];
      for (size_t i = 0; i < rowValues; ++i) sums_[i] += weight * source[i];
    }
    uint8_t* out = result_.data() + static_cast<size_t>(rowsOut_++) * rowValues;
    for (size_t i = 0; i < rowValues; ++i) {
      const int32_t level = (std::max(sums_[i], 0) + kBetweenOne / 2) / kBetweenOne;
      out[i] = static_cast<uint8_t>(std::min(level, 255));
    }
  }
}
