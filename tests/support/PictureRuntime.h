#pragma once
// What the picture layers expect before any of their code runs, started the way
// the program's entry (app/main.cpp) starts them; nothing of the window layer.

#include <cstdlib>

#include "gdi/ScreenMetrics.h"
#include "picture/colour/ColorConversions.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "text/FpuControlWord.h"

inline void StartPictureRuntime() {
  LoadDefaultFpuControlWord();
  // Kept, so that tests can emulate another display's depth.
  KeepScreenMetrics();
  StartJpegSupport();
  std::atexit(StopJpegSupport);
  StartColorConversions();
  std::atexit(StopColorConversions);
}
