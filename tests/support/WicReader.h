#pragma once
// A whole picture read at once through the system's imaging component (WIC),
// for tests that want a bitmap rather than a graphic that decodes on demand.

#include "picture/readers/wic/WicFrame.h"
#include "text/FilePath.h"

// Reads the whole named file through the system's codecs into the bitmap (a
// 24-bit DIB, upright). Raises EFOpenError "ファイル %s は開けません" when the
// file cannot be opened, and what TWicFrame raises.
void ReadPictureThroughWic(const FilePath& file, TBitmap& bitmap, TWantedSize wanted = {});
