#include "ui/Platform.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "ui/Application.h"
#include "ui/Screen.h"

namespace {

const EOutOfMemory* g_outOfMemory = nullptr;

void StopWindowLayer() {
  delete Application;
  Application = nullptr;
  delete Screen;
  Screen = nullptr;
}

}  // namespace

const EOutOfMemory& OutOfMemoryFailure() { return *g_outOfMemory; }

void StartWindowLayer() {
  if (Application != nullptr) return;
  g_outOfMemory = new EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  // Registers the buttons of the common controls the manifest asks for, so the
  // boxes' buttons are drawn in the system's own style; without that library the
  // system's classic ones serve, so a failure here changes only their looks.
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // Registered before the application's exit step, so it runs after it.
  std::atexit(StopWindowLayer);
  Screen = new TScreen();
  Application = new TApplication();
}
