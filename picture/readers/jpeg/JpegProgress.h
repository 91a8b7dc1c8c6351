#pragma once
// The JPEG library's progress hook for a graphic: it relays the library's
// progress to the graphic's OnProgress at most every 500 ms.

#include <windows.h>

#include <cstdio>

#include <jpeglib.h>

class TGraphic;

struct TJpegProgress {
  jpeg_progress_mgr pub;
  TGraphic* owner;
  DWORD lastTime;
  bool started;
  int lastPercent;
  // The first row not yet reported as ready (decompression only).
  JDIMENSION lastRow;
  // Decoded rows reach the picture in bands of this many (0 or 1: each row at
  // once), turned as the Exif orientation says (0 or 1: as stored).
  JDIMENSION bandRows;
  int orientation;
};

// Points the library structure at the hook; owner may be none.
void InstallJpegProgress(TJpegProgress& progress, j_common_ptr cinfo, TGraphic* owner);

// The hook's millisecond clock, GetTickCount unless a test puts another in its
// place (the 500 ms rule cannot be watched on a decode that takes 5 ms).
using TJpegTickSource = DWORD(WINAPI*)();
void SetJpegProgressClockForTesting(TJpegTickSource clock);
