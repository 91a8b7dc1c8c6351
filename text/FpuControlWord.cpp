#include "text/FpuControlWord.h"

void LoadDefaultFpuControlWord() {
  const unsigned short word = kDefaultFpuControlWord;
  asm volatile("fnclex\n\tfldcw %0" : : "m"(word));
}

unsigned short CurrentFpuControlWord() {
  unsigned short word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  // Bit 6 is reserved; some processors read it back as 1.
  return word & ~0x40;
}
