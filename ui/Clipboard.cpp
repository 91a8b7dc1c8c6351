#include "ui/Clipboard.h"

#include <windows.h>

#include <cstring>

#include "gdi/Handles.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/Utf16.h"

void SetClipboardText(const std::string& text) {
  const OpenedClipboard clipboard(nullptr);
  if (!clipboard) throw Exception(ResText(IDS_CANNOT_OPEN_CLIPBOARD));
  // As UTF-16, which every program reads whatever the system's code page; the
  // system makes the other text formats from it.
  const std::wstring wide = Wide(text);
  const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  UniqueGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes));
  if (!block) RaiseLastOSError();
  {
    const LockedGlobalMemory data(block.get());
    if (data.get() == nullptr) RaiseLastOSError();
    std::memcpy(data.get(), wide.c_str(), bytes);
  }
  if (!EmptyClipboard()) RaiseLastOSError();
  if (SetClipboardData(CF_UNICODETEXT, block.get()) == nullptr) RaiseLastOSError();
  block.release();  // the clipboard owns the block from now on
}
