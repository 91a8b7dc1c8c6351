#include "text/FpuControlWord.h"

namespace {

void LoadFpuControlWord(unsigned short word) { asm volatile("fnclex\n\tfldcw %0" : : "m"(word)); }

}  // namespace

unsigned short CurrentFpuControlWord() {
  unsigned short word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  // Bit 6 is reserved; some processors read it back as 1.
  return word & ~0x40;
}

void LoadDefaultFpuControlWord() { LoadFpuControlWord(kDefaultFpuControlWord); }

SystemFpuControlWordScope::SystemFpuControlWordScope() {
  asm volatile("fnstcw %0" : "=m"(saved_));
  LoadFpuControlWord(kSystemFpuControlWord);
}

SystemFpuControlWordScope::~SystemFpuControlWordScope() { LoadFpuControlWord(saved_); }
