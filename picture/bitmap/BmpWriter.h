#pragma once
// Writing a bitmap as a BMP file.

class TBitmap;
class TStream;

// Writes the bitmap as a BMP file from the stream's position: the bytes of a
// compressed file exactly as read, otherwise an uncompressed file of the image's
// device-independent form; an empty bitmap writes nothing.
void WriteBmpFile(TBitmap& bitmap, TStream& stream);
