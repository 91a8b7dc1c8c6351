#include "picture/WicReader.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "gdi/Handles.h"
#include "picture/Bitmap.h"
#include "picture/ExifOrientation.h"
#include "picture/PictureFormat.h"
#include "picture/WicCodecs.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

// The decoder-side scaling of a frame. The cross compiler's headers lack it;
// Windows' JPEG decoder offers it, Wine 8's decoders do not.
struct WicSourceTransform : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height, WICPixelFormatGUID* format,
                                               WICBitmapTransformOptions transform, UINT stride, UINT size,
                                               BYTE* buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
__CRT_UUID_DECL(WicSourceTransform, 0x3b16811b, 0x6a43, 0x4ec9, 0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40)

namespace {

// As the BMP reader: half of what the system's drawing code takes in its 32-bit arithmetic.
constexpr uint64_t kMaxPixels = uint64_t{1} << 30;
// Pixels are copied out of the decoder in strips of about this many bytes.
constexpr uint64_t kStripBytes = 1 << 20;

[[noreturn]] void OutOfMemory() { throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY)); }

// One file being read: every failed call is worded for it.
struct TWicRead {
  const FilePath& file;
  TPictureFormat format;
  // Once a decoder took the file, a missing component (an icon's frame of an
  // unknown kind) means damaged data, not a format this computer cannot read.
  mutable bool decoderMade = false;
  void Check(HRESULT result) const {
    if (result == WINCODEC_ERR_COMPONENTNOTFOUND && decoderMade) result = WINCODEC_ERR_BADIMAGE;
    if (FAILED(result)) RaiseWicFailure(result, file, format);
  }
};

bool Covers(SIZE size, SIZE wanted) { return size.cx >= wanted.cx && size.cy >= wanted.cy; }

// The orientation tag's value, 1 to 8, wherever the container keeps it; 1 when
// none is readable. Wine 8 gives no metadata for JPEG frames; TIFF's it does.
int FrameOrientation(IWICBitmapFrameDecode* frame) {
  ComPtr<IWICMetadataQueryReader> reader;
  if (FAILED(frame->GetMetadataQueryReader(reader.put()))) return 1;
  for (const wchar_t* query : {L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}", L"System.Photo.Orientation"}) {
    PropVariantValue value;
    if (FAILED(reader.get()->GetMetadataByName(query, value.put()))) continue;
    if (value.get().vt == VT_UI2 && value.get().uiVal >= 1 && value.get().uiVal <= 8) return value.get().uiVal;
  }
  return 1;
}

bool IsIndexed(const WICPixelFormatGUID& format) {
  for (const GUID* indexed : {&GUID_WICPixelFormat1bppIndexed, &GUID_WICPixelFormat2bppIndexed,
                              &GUID_WICPixelFormat4bppIndexed, &GUID_WICPixelFormat8bppIndexed})
    if (IsEqualGUID(format, *indexed)) return true;
  return false;
}

UINT BitsPerPixel(IWICImagingFactory* factory, const WICPixelFormatGUID& format) {
  ComPtr<IWICComponentInfo> component;
  ComPtr<IWICPixelFormatInfo> info;
  UINT bits = 0;
  if (SUCCEEDED(factory->CreateComponentInfo(format, component.put())) &&
      SUCCEEDED(component.get()->QueryInterface(IID_PPV_ARGS(info.put()))))
    info.get()->GetBitsPerPixel(&bits);
  return bits;
}

// The frame decoded smaller by the decoder itself, into memory held by a
// bitmap; none when the decoder cannot scale, nothing smaller is wanted, or it
// offers only a palette format (which would need its palette carried over).
ComPtr<IWICBitmapSource> ScaledByDecoder(const TWicRead& r, IWICImagingFactory* factory,
                                         IWICBitmapFrameDecode* frame, SIZE full, SIZE wanted) {
  ComPtr<WicSourceTransform> transform;
  if (wanted.cx <= 0 || wanted.cy <= 0 ||
      FAILED(frame->QueryInterface(__uuidof(WicSourceTransform), reinterpret_cast<void**>(transform.put()))))
    return {};
  const SIZE size = ChooseDecodeSize(full, wanted, [&](SIZE ask) {
    UINT width = static_cast<UINT>(ask.cx), height = static_cast<UINT>(ask.cy);
    if (FAILED(transform.get()->GetClosestSize(&width, &height))) return full;
    return SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
  });
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppPBGRA;
  if ((size.cx == full.cx && size.cy == full.cy) || FAILED(transform.get()->GetClosestPixelFormat(&format)) ||
      IsIndexed(format))
    return {};
  const UINT bits = BitsPerPixel(factory, format);
  if (bits == 0) return {};
  const UINT stride = (static_cast<UINT>(size.cx) * bits + 31) / 32 * 4;
  std::vector<BYTE> pixels(static_cast<size_t>(stride) * static_cast<size_t>(size.cy));
  r.Check(transform.get()->CopyPixels(nullptr, static_cast<UINT>(size.cx), static_cast<UINT>(size.cy), &format,
                                      WICBitmapTransformRotate0, stride, static_cast<UINT>(pixels.size()),
                                      pixels.data()));
  ComPtr<IWICBitmap> scaled;
  r.Check(factory->CreateBitmapFromMemory(static_cast<UINT>(size.cx), static_cast<UINT>(size.cy), format, stride,
                                          static_cast<UINT>(pixels.size()), pixels.data(), scaled.put()));
  return ComPtr<IWICBitmapSource>(scaled.release());
}

// Premultiplied 32-bit blue-green-red-alpha: laid over black, the colour
// channels are the result.
ComPtr<IWICBitmapSource> Converted(const TWicRead& r, IWICImagingFactory* factory, IWICBitmapSource* source) {
  ComPtr<IWICFormatConverter> converter;
  r.Check(factory->CreateFormatConverter(converter.put()));
  r.Check(converter.get()->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                      WICBitmapPaletteTypeCustom));
  return ComPtr<IWICBitmapSource>(converter.release());
}

// Copies the pixels into the bitmap strip by strip, each stored pixel to its
// upright place. The turn is done here rather than by the imaging component's
// flip-rotator: Wine 8's only flips top to bottom.
void CopyUpright(const TWicRead& r, IWICBitmapSource* source, int orientation, TBitmap& bitmap) {
  UINT width = 0, height = 0;
  r.Check(source->GetSize(&width, &height));
  const bool turned = SwapsSides(orientation);
  bitmap.SetBitmapHandle(nullptr);
  bitmap.SetPixelDepth(pd24Bit);
  bitmap.SetWidth(static_cast<int>(turned ? height : width));
  bitmap.SetHeight(static_cast<int>(turned ? width : height));
  uint8_t* const row0 = static_cast<uint8_t*>(bitmap.RowAddress(0));
  const ptrdiff_t rowStep = bitmap.Height() > 1 ? static_cast<uint8_t*>(bitmap.RowAddress(1)) - row0 : 0;
  const TUprightPlacement placement =
      UprightPlacement(orientation, static_cast<int>(width), static_cast<int>(height), 3, rowStep);
  const UINT stride = width * 4;
  const UINT strip = static_cast<UINT>(std::max<uint64_t>(1, std::min<uint64_t>(height, kStripBytes / stride)));
  std::vector<uint8_t> pixels(static_cast<size_t>(stride) * strip);
  for (UINT top = 0; top < height; top += strip) {
    const UINT rows = std::min(strip, height - top);
    const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(rows)};
    r.Check(source->CopyPixels(&rect, stride, stride * rows, pixels.data()));
    for (size_t i = 0, count = static_cast<size_t>(width) * rows; i < count; ++i)
      std::copy_n(&pixels[i * 4], 3, &pixels[i * 3]);
    PlaceUpright(placement, pixels.data(), static_cast<ptrdiff_t>(width) * 3, static_cast<int>(width),
                 static_cast<int>(top), static_cast<int>(rows), 3, row0);
  }
}

// The first frame's decoder. A file whose bytes no decoder recognises (an
// empty or overwritten .png) is reported as having no decoder at all; when an
// installed decoder reads the format that its name gives, the file is damaged.
ComPtr<IWICBitmapFrameDecode> FirstFrame(const TWicRead& r, const TWicSession& session,
                                         const std::vector<uint8_t>& head) {
  ComPtr<IWICBitmapDecoder> decoder;
  HRESULT result = session.Factory()->CreateDecoderFromFilename(r.file.Wide().c_str(), nullptr, GENERIC_READ,
                                                                WICDecodeMetadataCacheOnDemand, decoder.put());
  if (result == WINCODEC_ERR_COMPONENTNOTFOUND && DecodersRead(InstalledDecoders(session), r.format, head))
    result = WINCODEC_ERR_BADHEADER;
  r.Check(result);
  r.decoderMade = true;
  ComPtr<IWICBitmapFrameDecode> frame;
  r.Check(decoder.get()->GetFrame(0, frame.put()));
  return frame;
}

void ReadFirstFrame(const TWicRead& r, const std::vector<uint8_t>& head, TBitmap& bitmap, TWantedSize wanted) {
  TWicSession session;
  if (session.Factory() == nullptr) RaiseWicFailure(session.Result(), r.file, r.format);
  const ComPtr<IWICBitmapFrameDecode> frame = FirstFrame(r, session, head);
  UINT width = 0, height = 0;
  r.Check(frame.get()->GetSize(&width, &height));
  if (width == 0 || height == 0) r.Check(WINCODEC_ERR_BADIMAGE);
  if (uint64_t{width} * height > kMaxPixels || width > kMaxPixels / 4) OutOfMemory();
  const int orientation = FrameOrientation(frame.get());
  const SIZE asStored = SwapsSides(orientation) ? SIZE{wanted.height, wanted.width} : SIZE{wanted.width, wanted.height};
  const ComPtr<IWICBitmapSource> scaled = ScaledByDecoder(
      r, session.Factory(), frame.get(), SIZE{static_cast<LONG>(width), static_cast<LONG>(height)}, asStored);
  const ComPtr<IWICBitmapSource> converted =
      Converted(r, session.Factory(), scaled ? scaled.get() : static_cast<IWICBitmapSource*>(frame.get()));
  CopyUpright(r, converted.get(), orientation, bitmap);
}

}  // namespace

SIZE ChooseDecodeSize(SIZE full, SIZE wanted, const std::function<SIZE(SIZE)>& closest) {
  if (wanted.cx <= 0 || wanted.cy <= 0 || Covers(wanted, full)) return full;
  // Asked for sizes growing from the wanted one, the first offer that covers it
  // is the smallest.
  SIZE ask{std::min(wanted.cx, full.cx), std::min(wanted.cy, full.cy)};
  for (int tries = 0; tries < 64; ++tries) {
    const SIZE offered = closest(ask);
    if (Covers(offered, wanted) && Covers(full, offered)) return offered;
    if (Covers(ask, full)) break;
    ask = SIZE{std::min(full.cx, ask.cx + std::max<LONG>(1, ask.cx / 8)),
               std::min(full.cy, ask.cy + std::max<LONG>(1, ask.cy / 8))};
  }
  return full;
}

void ReadPictureThroughWic(const FilePath& file, TBitmap& bitmap, TWantedSize wanted) {
  const std::vector<uint8_t> head = ReadPictureHead(file);
  const TWicRead read{file, PictureFormatOf(head, file)};
  try {
    ReadFirstFrame(read, head, bitmap, wanted);
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
}
