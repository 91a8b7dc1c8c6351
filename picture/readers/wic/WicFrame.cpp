#include "picture/readers/wic/WicFrame.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/metadata/ContainerExif.h"
#include "picture/metadata/ExifOrientation.h"
#include "picture/metadata/IconCheck.h"
#include "picture/core/PixelCap.h"
#include "picture/core/PixelRows.h"
#include "picture/metadata/TiffCheck.h"
#include "picture/metadata/UprightCopy.h"
#include "picture/readers/wic/WicColorProfile.h"
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

// Pixels are copied out of the decoder in strips of about this many bytes.
constexpr uint64_t kStripBytes = 1 << 20;

[[noreturn]] void OutOfMemory() { throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY)); }

bool Covers(SIZE size, SIZE wanted) { return size.cx >= wanted.cx && size.cy >= wanted.cy; }

// The orientation tag's value, 1 to 8; 1 when none is readable. The system's
// metadata reader is asked only for formats whose tag the program cannot read
// itself: Wine 8's read address 0 on a TIFF whose IFD it failed to load, so a
// TIFF's tag is read from the file (picture/metadata/TiffCheck), and so is a PNG's or
// WebP's (whose chunks the system's decoders do not expose). GIF, icons, DDS
// and TGA hold no such tag. Wine 8 gives no metadata for the rest (JPEG, JPEG
// XR), or has no decoder for them (HEIF, AVIF, JPEG XL).
int FrameOrientation(TPictureFormat format, IWICBitmapFrameDecode* frame, IStream* stream) {
  using F = TPictureFormat;
  if (format == F::Png || format == F::WebP) return ContainerExifOrientation(stream);
  if (format == F::Gif || format == F::Ico || format == F::Dds || format == F::Tga || format == F::Bmp) return 1;
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

}  // namespace

// The frame's pixels as blue-green-red rows, copied out of the decoder a strip
// at a time: premultiplied over black, the colour channels are the result.
class TWicFrame::Rows final : public PixelRows {
public:
  Rows(const TWicFrame& frame, IWICBitmapSource* source) : frame_(frame), source_(source) {
    UINT width = 0, height = 0;
    frame_.Check(source_->GetSize(&width, &height));
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    const uint64_t stride = uint64_t{width} * 4;
    stripRows_ = static_cast<int>(std::max<uint64_t>(1, std::min<uint64_t>(height, kStripBytes / stride)));
    strip_.resize(static_cast<size_t>(stride) * static_cast<size_t>(stripRows_));
  }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  const uint8_t* Row(int y) override {
    if (y < top_ || y >= top_ + rows_) ReadStrip(y);
    return strip_.data() + static_cast<size_t>(y - top_) * static_cast<size_t>(width_) * 3;
  }

  int RowsInBand(int y) const override { return y >= top_ && y < top_ + rows_ ? top_ + rows_ - y : 1; }

private:
  void ReadStrip(int top) {
    const int rows = std::min(stripRows_, height_ - top);
    const UINT stride = static_cast<UINT>(width_) * 4;
    const WICRect rect{0, top, width_, rows};
    rows_ = 0;
    frame_.Check(source_->CopyPixels(&rect, stride, stride * static_cast<UINT>(rows), strip_.data()));
    for (size_t i = 0, count = static_cast<size_t>(width_) * static_cast<size_t>(rows); i < count; ++i)
      std::copy_n(&strip_[i * 4], 3, &strip_[i * 3]);
    top_ = top;
    rows_ = rows;
  }

  const TWicFrame& frame_;
  IWICBitmapSource* source_;
  int width_ = 0;
  int height_ = 0;
  int stripRows_ = 1;
  std::vector<uint8_t> strip_;
  int top_ = 0;
  int rows_ = 0;
};

TWicFrame::TWicFrame(ComPtr<IStream> stream, const FilePath& file) : file_(file), stream_(std::move(stream)) {
  Start(nullptr);
}

TWicFrame::TWicFrame(ComPtr<IStream> stream, const FilePath& file, const TPictureHead& head)
    : file_(file), stream_(std::move(stream)) {
  Start(&head);
}

void TWicFrame::Start(const TPictureHead* head) {
  try {
    Open(head);
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
}

TWicFrame::~TWicFrame() = default;

void TWicFrame::Check(HRESULT result) const {
  if (SUCCEEDED(result)) return;
  // Before a decoder took the file, a missing component means none reads the format.
  if (result == WINCODEC_ERR_COMPONENTNOTFOUND && !decoderMade_) RaiseWicFailure(result, file_, format_);
  if (RefusesVariant(result, variantNamed_)) RaiseUnsupportedVariant(file_, format_);
  if (result == WINCODEC_ERR_COMPONENTNOTFOUND) result = WINCODEC_ERR_BADIMAGE;
  RaiseWicFailure(result, file_, format_);
}

// The formats whose decoders were seen to fail beyond any fault handling on
// damaged files have their structure checked first; a TIFF's orientation is
// read on the way.
void TWicFrame::CheckStructure(const std::vector<uint8_t>& head) {
  bool sound = true;
  if (format_ == TPictureFormat::Ico) {
    const TIconFacts icon = CheckIconDirectory(stream_.get());
    sound = icon.sound;
    frameIndex_ = icon.best;
    variantNamed_ = IconDirectoryIsCursor(head.data(), head.size());
  } else if (format_ == TPictureFormat::Tiff) {
    const TTiffFacts tiff = CheckTiff(stream_.get());
    sound = tiff.sound;
    variantNamed_ = tiff.uncommonVariant;
    orientation_ = tiff.orientation;
  }
  if (!sound) Check(WINCODEC_ERR_BADIMAGE);
}

// A file whose bytes no decoder recognises (an empty or overwritten .png) is
// reported as having no decoder at all; when an installed decoder reads the
// format that its name gives, the file is damaged.
void TWicFrame::Open(const TPictureHead* given) {
  // Every look at the file begins at its start, and so does the decoder.
  const auto rewind = [this] { Check(stream_.get()->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)); };
  TPictureHead read;
  if (given == nullptr) {
    read.bytes.resize(kPictureHeadBytes);
    ULONG count = 0;
    rewind();
    if (FAILED(stream_.get()->Read(read.bytes.data(), static_cast<ULONG>(read.bytes.size()), &count))) count = 0;
    read.bytes.resize(std::min<size_t>(count, read.bytes.size()));
    read.format = PictureFormatOf(read.bytes, file_);
  }
  const std::vector<uint8_t>& head = (given != nullptr ? *given : read).bytes;
  format_ = (given != nullptr ? *given : read).format;
  rewind();
  CheckStructure(head);
  rewind();
  if (session_.Factory() == nullptr) RaiseWicFailure(session_.Result(), file_, format_);
  HRESULT result = session_.Factory()->CreateDecoderFromStream(stream_.get(), nullptr,
                                                               WICDecodeMetadataCacheOnDemand, decoder_.put());
  if (result == WINCODEC_ERR_COMPONENTNOTFOUND && DecodersRead(InstalledDecoders(session_), format_, head)) {
    // A decoder of the format is here but did not take the file: a variant it
    // lacks (Wine 8's takes no BigTIFF), or a header it cannot read.
    if (variantNamed_) RaiseUnsupportedVariant(file_, format_);
    result = WINCODEC_ERR_BADHEADER;
  }
  Check(result);
  decoderMade_ = true;
  // An icon's decoders list its pictures in the directory's order.
  UINT frames = 0;
  if (FAILED(decoder_.get()->GetFrameCount(&frames)) || frameIndex_ >= frames) frameIndex_ = 0;
  Check(decoder_.get()->GetFrame(frameIndex_, frame_.put()));
  UINT width = 0, height = 0;
  Check(frame_.get()->GetSize(&width, &height));
  if (width == 0 || height == 0) Check(WINCODEC_ERR_BADIMAGE);
  // A row of 4-byte pixels stays within the cap's bytes too.
  if (ExceedsPixelCap(width, height) || width > kMaxPicturePixels / 4) OutOfMemory();
  stored_ = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
  if (format_ != TPictureFormat::Tiff) orientation_ = FrameOrientation(format_, frame_.get(), stream_.get());
  profile_ = FrameColorProfile(session_.Factory(), frame_.get(), format_);
}

PictureSize TWicFrame::Size() const {
  const SIZE upright = UprightSize(orientation_, stored_);
  return {upright.cx, upright.cy};
}

ComPtr<IWICBitmapSource> TWicFrame::Pixels(SIZE wanted) const {
  ComPtr<IWICBitmapSource> source(static_cast<IWICBitmapSource*>(frame_.get()));
  source.get()->AddRef();
  ComPtr<WicSourceTransform> transform;
  if (wanted.cx > 0 && wanted.cy > 0 &&
      SUCCEEDED(frame_.get()->QueryInterface(__uuidof(WicSourceTransform), reinterpret_cast<void**>(transform.put()))))
    if (ComPtr<IWICBitmapSource> scaled = ScaledByDecoder(*transform.get(), wanted)) source = std::move(scaled);
  ComPtr<IWICFormatConverter> converter;
  Check(session_.Factory()->CreateFormatConverter(converter.put()));
  Check(converter.get()->Initialize(source.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                    0.0, WICBitmapPaletteTypeCustom));
  return ComPtr<IWICBitmapSource>(converter.release());
}

// The frame decoded smaller by the decoder itself, into memory held by a
// bitmap; none when nothing smaller is offered, or only in a palette format
// (which would need its palette carried over).
ComPtr<IWICBitmapSource> TWicFrame::ScaledByDecoder(WicSourceTransform& transform, SIZE wanted) const {
  const SIZE size = ChooseDecodeSize(stored_, wanted, [&](SIZE ask) {
    UINT width = static_cast<UINT>(ask.cx), height = static_cast<UINT>(ask.cy);
    if (FAILED(transform.GetClosestSize(&width, &height))) return stored_;
    return SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
  });
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppPBGRA;
  if ((size.cx == stored_.cx && size.cy == stored_.cy) || FAILED(transform.GetClosestPixelFormat(&format)) ||
      IsIndexed(format))
    return {};
  const UINT bits = BitsPerPixel(session_.Factory(), format);
  if (bits == 0) return {};
  const UINT stride = (static_cast<UINT>(size.cx) * bits + 31) / 32 * 4;
  std::vector<BYTE> pixels(static_cast<size_t>(stride) * static_cast<size_t>(size.cy));
  Check(transform.CopyPixels(nullptr, static_cast<UINT>(size.cx), static_cast<UINT>(size.cy), &format,
                             WICBitmapTransformRotate0, stride, static_cast<UINT>(pixels.size()), pixels.data()));
  ComPtr<IWICBitmap> scaled;
  Check(session_.Factory()->CreateBitmapFromMemory(static_cast<UINT>(size.cx), static_cast<UINT>(size.cy), format,
                                                   stride, static_cast<UINT>(pixels.size()), pixels.data(),
                                                   scaled.put()));
  return ComPtr<IWICBitmapSource>(scaled.release());
}

void TWicFrame::Decode(TBitmap& bitmap, TWantedSize wanted) const {
  try {
    const ComPtr<IWICBitmapSource> pixels = Pixels(StoredSize(orientation_, SIZE{wanted.width, wanted.height}));
    Rows rows(*this, pixels.get());
    CopyRowsUpright(rows, orientation_, bitmap);
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
}

std::unique_ptr<TBitmap> TWicFrame::Shrink(int width, int height, TWantedSize decoded) const {
  try {
    const ComPtr<IWICBitmapSource> pixels = Pixels(StoredSize(orientation_, SIZE{decoded.width, decoded.height}));
    Rows rows(*this, pixels.get());
    return ShrunkUpright(rows, orientation_, width, height);
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
}

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
