#include "ui/Platform.h"

#include <cstdlib>

#include "picture/JpegImage.h"
#include "resources/StringIds.h"
#include "text/DoubleByte.h"
#include "ui/Application.h"
#include "ui/FaultTranslation.h"
#include "ui/Screen.h"

namespace {

const EOutOfMemory* g_outOfMemory = nullptr;

void ShutdownPlatform() {
  StopJpegSupport();
  delete Application;
  Application = nullptr;
  delete Screen;
  Screen = nullptr;
}

}  // namespace

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

const EOutOfMemory& OutOfMemoryFailure() { return *g_outOfMemory; }

void StartPlatform() {
  if (Application != nullptr) return;
  InitDoubleByteSettings();
  LoadDefaultFpuControlWord();
  InstallFaultTranslation();
  g_outOfMemory = new EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  // Registered before the application's exit step, so it runs after it.
  std::atexit(ShutdownPlatform);
  Screen = new TScreen();
  // The JPEG defaults depend on the screen's depth.
  StartJpegSupport();
  Application = new TApplication();
}
