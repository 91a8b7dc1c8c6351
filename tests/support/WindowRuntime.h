#pragma once
// Everything the program's entry (app/main.cpp) starts before its windows, for
// test and bench programs that make windows of their own.

#include "gdi/AfterMessage.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "tests/support/PictureRuntime.h"
#include "ui/FaultTranslation.h"
#include "ui/Platform.h"

inline void StartWindowRuntime() {
  StartPictureRuntime();
  InstallFaultTranslation();
  StartWindowLayer();
  AddAfterMessageStep(ReleaseIdleMemoryDCs);
}
