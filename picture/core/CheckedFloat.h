#pragma once
// Floating-point steps that the program's unmasked exceptions (invalid operation,
// division by zero, overflow) make dangerous, taken only once their operands are
// checked: each answers nothing where the plain operation would raise or give a
// number beyond any use.

#include <optional>

// True for a number that is neither infinite nor NaN. Taken by reference and read
// from its bits, so that not even a signalling NaN reaches the floating-point
// unit, whose loading it would raise.
bool IsFiniteNumber(const double& v);
// base to the power of exponent for a base of 0 or more; none for 0 to a power
// below 0, and for results beyond 1e300.
std::optional<double> CheckedPower(double base, double exponent);
// numerator / denominator; none for a zero denominator and for quotients beyond 1e300.
std::optional<double> CheckedQuotient(double numerator, double denominator);
