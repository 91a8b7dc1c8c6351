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

// The named file, of any path length, as a COM stream with 64-bit positions that
// can be cloned; others may read the file while it is open, nobody may write it.
// Raises EFOpenError "ファイル %s は開けません" when it cannot be opened.
ComPtr<IStream> ComStreamOnFile(const FilePath& file);
