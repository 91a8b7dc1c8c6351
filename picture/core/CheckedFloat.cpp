#include "picture/core/CheckedFloat.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr double kLargest = 1e300;
// e to this is about 1e299: a power whose logarithm is below it cannot overflow.
constexpr double kLargestLogarithm = 690;

}  // namespace

bool IsFiniteNumber(const double& v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits >> 52 & 0x7FF) != 0x7FF;
}

std::optional<double> CheckedPower(double base, double exponent) {
  if (!IsFiniteNumber(base) || !IsFiniteNumber(exponent) || base < 0) return std::nullopt;
  if (base == 0) {
    if (exponent < 0) return std::nullopt;
    return exponent == 0 ? 1.0 : 0.0;
  }
  // The logarithm of a finite number lies within 745 of 0, so the product
  // cannot overflow once the exponent is bounded.
  if (std::fabs(exponent) > kLargest) return std::nullopt;
  const double logarithm = exponent * std::log(base);
  if (logarithm > kLargestLogarithm) return std::nullopt;
  if (logarithm < -kLargestLogarithm) return 0.0;
  return std::pow(base, exponent);
}

std::optional<double> CheckedQuotient(double numerator, double denominator) {
  if (!IsFiniteNumber(numerator) || !IsFiniteNumber(denominator) || denominator == 0) return std::nullopt;
  if (std::fabs(numerator) / kLargest > std::fabs(denominator)) return std::nullopt;
  return numerator / denominator;
}
