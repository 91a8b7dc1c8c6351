#pragma once
// A picture stream handed to the system's imaging component as the COM stream
// its decoders read, so that a decoder reads a file as it needs it rather than
// from a copy of the whole file in memory.

#include <objidl.h>

#include "gdi/Handles.h"

class TStream;

// A read-only COM stream over `stream`, which must outlive it; the COM stream's
// position is the stream's own. Writing is refused.
ComPtr<IStream> ComStreamOver(TStream& stream);
