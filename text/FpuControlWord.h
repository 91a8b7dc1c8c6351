#pragma once
// The floating-point control word the program's code runs under: 64-bit
// precision, rounding to nearest; invalid operation, division by zero and
// overflow raise exceptions. Loaded at start-up and again wherever something
// else may have changed it.

constexpr unsigned short kDefaultFpuControlWord = 0x1332;
void LoadDefaultFpuControlWord();
unsigned short CurrentFpuControlWord();
