#pragma once
// Writing a bitmap's device-independent form as a BMP file.

#include <windows.h>

class TStream;

// Writes an uncompressed BMP file of the DIB section that `dib` describes, from
// the stream's position: its header, its colour table or masks, and its rows as
// they lie in memory. The section is only borrowed.
void WriteBmpFile(const DIBSECTION& dib, HBITMAP section, TStream& stream);
