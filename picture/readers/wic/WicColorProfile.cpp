#include "picture/readers/wic/WicColorProfile.h"

#include <cmath>
#include <string>
#include <vector>

#include "gdi/Handles.h"
#include "picture/profile/ColorProfile.h"

namespace {

// PNG states gamma and chromaticities in 100000ths.
constexpr double kPngUnit = 100000.0;
// 1/2.2, what nearly every PNG writer states for sRGB pictures: they are taken as
// sRGB, as browsers do, rather than converted by the pure power curve.
constexpr double kSrgbPngGamma = 45455;
constexpr double kGammaTolerance = 0.01;
// Exif's colour space tag: 1 is sRGB, 2 (an extension) Adobe RGB.
constexpr UINT kExifAdobeRgb = 2;
constexpr double kD65[2] = {0.3127, 0.3290};
constexpr double kSrgbPrimaries[3][2] = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};

bool RgbFrame(IWICBitmapFrameDecode* frame) {
  WICPixelFormatGUID format{};
  if (FAILED(frame->GetPixelFormat(&format))) return false;
  for (const GUID* other :
       {&GUID_WICPixelFormat32bppCMYK, &GUID_WICPixelFormat64bppCMYK, &GUID_WICPixelFormat40bppCMYKAlpha,
        &GUID_WICPixelFormat80bppCMYKAlpha, &GUID_WICPixelFormatBlackWhite, &GUID_WICPixelFormat2bppGray,
        &GUID_WICPixelFormat4bppGray, &GUID_WICPixelFormat8bppGray, &GUID_WICPixelFormat16bppGray,
        &GUID_WICPixelFormat32bppGrayFloat, &GUID_WICPixelFormat16bppGrayFixedPoint,
        &GUID_WICPixelFormat16bppGrayHalf})
    if (IsEqualGUID(format, *other)) return false;
  return true;
}

// What one colour context says; `said` is false when it says nothing usable.
std::shared_ptr<const ColorProfile> ContextProfile(IWICColorContext* context, bool& said) {
  said = false;
  WICColorContextType type{};
  if (FAILED(context->GetType(&type))) return nullptr;
  if (type == WICColorContextExifColorSpace) {
    UINT space = 0;
    if (FAILED(context->GetExifColorSpace(&space))) return nullptr;
    said = space == 1 || space == kExifAdobeRgb;
    if (space != kExifAdobeRgb) return nullptr;
    static const double kRed[2] = {0.64, 0.33}, kGreen[2] = {0.21, 0.71}, kBlue[2] = {0.15, 0.06};
    return ColorProfile::FromChromaticities(kD65, kRed, kGreen, kBlue, 563 / 256.0);
  }
  UINT size = 0;
  if (FAILED(context->GetProfileBytes(0, nullptr, &size)) || size == 0) return nullptr;
  std::string bytes(size, '\0');
  if (FAILED(context->GetProfileBytes(size, reinterpret_cast<BYTE*>(&bytes[0]), &size))) return nullptr;
  bytes.resize(size);
  std::shared_ptr<const ColorProfile> profile = ColorProfile::FromIcc(bytes, ColorModel::Rgb);
  said = profile != nullptr || DescribesSrgb(bytes);
  return profile;
}

std::shared_ptr<const ColorProfile> EmbeddedProfile(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame,
                                                    bool& said) {
  said = false;
  UINT count = 0;
  if (FAILED(frame->GetColorContexts(0, nullptr, &count)) || count == 0 || count > 16) return nullptr;
  std::vector<ComPtr<IWICColorContext>> owners(count);
  std::vector<IWICColorContext*> contexts(count);
  for (UINT i = 0; i < count; ++i) {
    if (FAILED(factory->CreateColorContext(owners[i].put()))) return nullptr;
    contexts[i] = owners[i].get();
  }
  if (FAILED(frame->GetColorContexts(count, contexts.data(), &count))) return nullptr;
  // The first context that says something decides.
  for (UINT i = 0; i < count && i < contexts.size(); ++i) {
    std::shared_ptr<const ColorProfile> profile = ContextProfile(contexts[i], said);
    if (said) return profile;
  }
  return nullptr;
}

// A whole-number metadata value, or -1.
double MetadataNumber(IWICMetadataQueryReader* reader, const wchar_t* query) {
  PropVariantValue value;
  if (FAILED(reader->GetMetadataByName(query, value.put()))) return -1;
  return value.get().vt == VT_UI4 ? static_cast<double>(value.get().ulVal) : -1;
}

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

// PNG's sRGB chunk outranks gAMA and cHRM; cHRM means nothing without gAMA.
std::shared_ptr<const ColorProfile> PngChunksProfile(IWICBitmapFrameDecode* frame) {
  ComPtr<IWICMetadataQueryReader> reader;
  if (FAILED(frame->GetMetadataQueryReader(reader.put()))) return nullptr;
  PropVariantValue intent;
  if (SUCCEEDED(reader.get()->GetMetadataByName(L"/sRGB/RenderingIntent", intent.put()))) return nullptr;
  const double gamma = MetadataNumber(reader.get(), L"/gAMA/ImageGamma");
  if (gamma < 0) return nullptr;
  static const wchar_t* const kChromaticities[8] = {L"/cHRM/WhitePointX", L"/cHRM/WhitePointY", L"/cHRM/RedX",
                                                    L"/cHRM/RedY",        L"/cHRM/GreenX",      L"/cHRM/GreenY",
                                                    L"/cHRM/BlueX",       L"/cHRM/BlueY"};
  uint32_t chromaticities[8];
  size_t count = 0;
  for (; count < 8; ++count) {
    const double v = MetadataNumber(reader.get(), kChromaticities[count]);
    if (v < 0) break;
    chromaticities[count] = static_cast<uint32_t>(v);
  }
  return PngColorProfile(static_cast<uint32_t>(gamma), chromaticities, count);
}

}  // namespace

std::shared_ptr<const ColorProfile> PngColorProfile(uint32_t gamma, const uint32_t* chromaticities, size_t count) {
  if (gamma == 0) return nullptr;
  double xy[4][2] = {{kD65[0], kD65[1]}};
  for (int i = 0; i < 3; ++i) xy[i + 1][0] = kSrgbPrimaries[i][0], xy[i + 1][1] = kSrgbPrimaries[i][1];
  bool srgbPrimaries = true;
  for (size_t i = 0; i < count && i < 8; ++i) {
    const double v = chromaticities[i] / kPngUnit;
    srgbPrimaries = srgbPrimaries && Near(v, xy[i / 2][i % 2], 0.01);
    xy[i / 2][i % 2] = v;
  }
  if (srgbPrimaries && Near(gamma, kSrgbPngGamma, kSrgbPngGamma * kGammaTolerance)) return nullptr;
  return ColorProfile::FromChromaticities(xy[0], xy[1], xy[2], xy[3], kPngUnit / gamma);
}

std::shared_ptr<const ColorProfile> FrameColorProfile(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame,
                                                      TPictureFormat format) {
  if (factory == nullptr || !RgbFrame(frame)) return nullptr;
  bool said = false;
  std::shared_ptr<const ColorProfile> profile = EmbeddedProfile(factory, frame, said);
  if (said) return profile;
  // The metadata reader is asked for PNG's chunks only: Wine 8's read address 0
  // on a TIFF whose IFD it failed to load, whatever was asked. On PNGs whose
  // gAMA, cHRM, sRGB or text chunks were short or empty it failed cleanly.
  return format == TPictureFormat::Png ? PngChunksProfile(frame) : nullptr;
}
