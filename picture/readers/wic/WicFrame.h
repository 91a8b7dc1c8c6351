#pragma once
// The first frame of a picture (of an animation or a multi-page file) as the
// system's imaging component (WIC) decodes it: opened once, its size and
// orientation known at once, its pixels copied out when they are needed, turned
// upright as its orientation tag says, transparent parts laid over black.

#include <windows.h>
#include <wincodec.h>

#include <functional>
#include <memory>
#include <vector>

#include "gdi/Handles.h"
#include "picture/formats/PictureFormat.h"
#include "picture/readers/wic/WicCodecs.h"
#include "text/FilePath.h"

class ColorProfile;
class TBitmap;
struct WicSourceTransform;

// A picture's size in pixels as it is shown (upright).
struct PictureSize {
  int width = 0;
  int height = 0;
};

// The least size the caller needs, upright; 0 by 0 asks for the full size.
struct TWantedSize {
  int width = 0;
  int height = 0;
};

class TWicFrame {
public:
  // Opens the picture that `stream` holds from its start, and keeps the stream.
  // `file` names it in messages (empty for a stream of no file).
  // Raises ENoPictureDecoder (picture/readers/wic/WicCodecs.h) when no decoder here reads its
  // format or the variant of it that the file is in, EInvalidGraphic naming the
  // file and format when the file is damaged or the decoder fails on its data,
  // EOutOfMemory for a picture over 2^30 pixels or when memory is short.
  TWicFrame(ComPtr<IStream> stream, const FilePath& file);
  // The same for a stream whose first bytes were read already, as `head` holds them.
  TWicFrame(ComPtr<IStream> stream, const FilePath& file, const TPictureHead& head);
  ~TWicFrame();
  TWicFrame(const TWicFrame&) = delete;
  TWicFrame& operator=(const TWicFrame&) = delete;

  // The picture's size, upright.
  PictureSize Size() const;
  TPictureFormat Format() const { return format_; }
  // What the decoded colours are, when the file says and it is not sRGB.
  const std::shared_ptr<const ColorProfile>& Profile() const { return profile_; }

  // Fills the bitmap (a 24-bit DIB, upright). A decoder that can scale while
  // decoding is asked for the smallest size it offers that covers `wanted`.
  // Raises as the constructor does.
  void Decode(TBitmap& bitmap, TWantedSize wanted = {}) const;
  // The picture resampled smoothly to width by height (upright), read from the
  // decoder a strip at a time, so that no bitmap of the whole picture is made. A
  // decoder that can scale while decoding is asked for no less than `decoded`.
  std::unique_ptr<TBitmap> Shrink(int width, int height, TWantedSize decoded) const;

private:
  class Rows;

  // Raises what a failed call means for this file.
  void Check(HRESULT result) const;
  // Opens the decoder; reads the stream's first bytes when `head` is none.
  void Open(const TPictureHead* head);
  void Start(const TPictureHead* head);
  void CheckStructure(const std::vector<uint8_t>& head);
  // The frame's pixels as premultiplied blue-green-red-alpha, scaled by the
  // decoder when it can give at least `wanted` (as stored) smaller.
  ComPtr<IWICBitmapSource> Pixels(SIZE wanted) const;
  ComPtr<IWICBitmapSource> ScaledByDecoder(WicSourceTransform& transform, SIZE wanted) const;

  FilePath file_;
  TPictureFormat format_ = TPictureFormat::Unknown;
  // The frame shown: the first, or an icon's largest and deepest picture.
  UINT frameIndex_ = 0;
  TWicSession session_;
  ComPtr<IStream> stream_;
  ComPtr<IWICBitmapDecoder> decoder_;
  ComPtr<IWICBitmapFrameDecode> frame_;
  SIZE stored_{};
  int orientation_ = 1;
  std::shared_ptr<const ColorProfile> profile_;
  // Once a decoder took the file, a missing component (an icon's frame of an
  // unknown kind) means damaged data, not a format this computer cannot read.
  bool decoderMade_ = false;
  // The file's header names a variant of its format that not every decoder
  // reads (a cursor, a TIFF compressed as JPEG), so that a decoder's failure
  // without a stated cause is told as that, not as damage.
  bool variantNamed_ = false;
};

// The size a scaling decoder is asked for: of the sizes it offers (`closest`
// answers the offered size nearest to a given one), the smallest that covers
// `wanted`; `full` when none does or nothing smaller is wanted. Sizes as stored.
SIZE ChooseDecodeSize(SIZE full, SIZE wanted, const std::function<SIZE(SIZE)>& closest);
