#pragma once
// What the unwinder's tables say about an instruction of the program's own code.

#include <windows.h>

// The start of the function whose unwind information covers the address, or 0.
DWORD FunctionAt(DWORD address);

// How the frame of an instruction finds its canonical frame address (the stack
// pointer its caller had before the call): a register plus an offset.
struct FrameAddressRule {
  static constexpr int kUnknown = -1, kEsp = 4, kEbp = 5;  // DWARF register numbers
  int reg = kUnknown;
  long offset = 0;
  // The bytes of call arguments the tables say are pushed there; they track
  // every push only where the rule is on ESP.
  long pushedArguments = 0;
};

// The rule in force at the address; kUnknown when the address has no unwind
// information, or when the rule is an expression or uses encodings not read here.
FrameAddressRule FrameAddressRuleAt(DWORD address);
