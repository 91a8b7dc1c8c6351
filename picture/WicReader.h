#pragma once
// Reading a picture file of any format that the system's imaging component
// (WIC) decodes: the first frame (of an animation or a multi-page file), turned
// upright as its orientation tag says, transparent parts black, into a 24-bit
// bitmap.

#include <windows.h>

#include <functional>

#include "text/FilePath.h"

class TBitmap;

// The least size the caller needs, upright; 0 by 0 asks for the full size.
struct TWantedSize {
  int width = 0;
  int height = 0;
};

// Fills the bitmap (a 24-bit DIB, upright). A decoder that can scale while
// decoding is asked for the smallest size it offers that covers `wanted`.
// Raises EFOpenError "ファイル %s は開けません" when the file cannot be opened,
// ENoPictureDecoder (picture/WicCodecs.h) when no decoder here reads its format,
// EInvalidGraphic naming the file and format when the decoder fails on its data,
// EOutOfMemory for a picture over 2^30 pixels or when memory is short.
void ReadPictureThroughWic(const FilePath& file, TBitmap& bitmap, TWantedSize wanted = {});

// The size a scaling decoder is asked for: of the sizes it offers (`closest`
// answers the offered size nearest to a given one), the smallest that covers
// `wanted`; `full` when none does or nothing smaller is wanted. Sizes as stored.
SIZE ChooseDecodeSize(SIZE full, SIZE wanted, const std::function<SIZE(SIZE)>& closest);
