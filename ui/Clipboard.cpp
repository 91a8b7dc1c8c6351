#include "ui/Clipboard.h"

#include <windows.h>

#include <cstring>

#include "gdi/Handles.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

void SetClipboardText(const std::string& text) {
  const OpenedClipboard clipboard(nullptr);
  if (!clipboard) throw Exception(ResText(IDS_CANNOT_OPEN_CLIPBOARD));
  UniqueGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1));
  if (!block) RaiseLastOSError();
  {
    const LockedGlobalMemory data(block.get());
    if (data.get() == nullptr) RaiseLastOSError();
    std::memcpy(data.get(), text.c_str(), text.size() + 1);
  }
  if (!EmptyClipboard()) RaiseLastOSError();
  if (SetClipboardData(CF_TEXT, block.get()) == nullptr) RaiseLastOSError();
  block.release();  // the clipboard owns the block from now on
}
