#pragma once
// The floating-point control word the program's code runs under: 64-bit
// precision, rounding to nearest; invalid operation, division by zero and
// overflow raise exceptions. Loaded at start-up and again wherever something
// else may have changed it.

constexpr unsigned short kDefaultFpuControlWord = 0x1332;
void LoadDefaultFpuControlWord();
unsigned short CurrentFpuControlWord();

// The word Windows (and Wine) start every thread with: 53-bit precision, every
// exception masked. The system's own libraries are written for it.
constexpr unsigned short kSystemFpuControlWord = 0x027F;

// While it lives, the thread runs under the system's control word, for calls
// into system code that computes with numbers it takes from a file (colour
// management reads a picture's profile); the word found is loaded back after,
// with any exception the system code left pending cleared, so that it is not
// raised in the program's own code.
class SystemFpuControlWordScope {
public:
  SystemFpuControlWordScope();
  ~SystemFpuControlWordScope();
  SystemFpuControlWordScope(const SystemFpuControlWordScope&) = delete;
  SystemFpuControlWordScope& operator=(const SystemFpuControlWordScope&) = delete;

private:
  unsigned short saved_;
};
