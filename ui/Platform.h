#pragma once
// The runtime around the program's own code: what happens before the entry
// function runs and after it has returned.

// Start-up: fixes the double-byte settings, loads the process's floating-point
// control word, installs the translation of processor faults into exceptions and
// creates the application object with its window. Shutdown runs at process exit.
void StartPlatform();

// The floating-point control word of the process: 64-bit precision, rounding to
// nearest; invalid operation, division by zero and overflow raise exceptions.
constexpr unsigned short kDefaultFpuControlWord = 0x1332;
void LoadDefaultFpuControlWord();
unsigned short CurrentFpuControlWord();

class EOutOfMemory;
// Made once at start-up, so reporting exhausted memory needs no memory.
const EOutOfMemory& OutOfMemoryFailure();
