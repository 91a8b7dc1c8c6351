#pragma once
// A picture stream handed to the system's imaging component as the COM stream
// its decoders read, so that a decoder reads a file as it needs it rather than
// from a copy of the whole file in memory.

#include <objidl.h>

#include "gdi/Handles.h"

#include "text/FilePath.h"

class TStream;

// A read-only COM stream over `stream`, which must outlive it; the COM stream's
// position is the stream's own. Writing is refused.
ComPtr<IStream> ComStreamOver(TStream& stream);

// The named file as a COM stream of the system's own, with 64-bit positions;
// others may read the file while it is open, nobody may write it. Raises
// EFOpenError "ファイル %s は開けません" when it cannot be opened.
ComPtr<IStream> ComStreamOnFile(const FilePath& file);
