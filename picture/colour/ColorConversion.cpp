#include "picture/colour/ColorConversion.h"

#include <windows.h>
#include <icm.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapRowWriter.h"
#include "picture/colour/ColorConversions.h"
#include "picture/profile/ColorProfile.h"
#include "picture/core/Stream.h"
#include "text/FpuControlWord.h"

namespace {

// Nodes per axis. 18 puts a three-channel node every 15 values (5832 colours
// asked for); four channels have 12 (20736 colours), as ink profiles are smooth
// tables themselves and four dimensions grow fast.
constexpr int kRgbNodes = 18;
constexpr int kCmykNodes = 12;
// LCS_sRGB, spelt out: the header's constant is a multi-character literal.
constexpr DWORD kSrgbSpace = 0x73524742;

UniqueColorProfile OpenMemoryProfile(const std::string& bytes);

// The system's sRGB profile. Windows and Wine both install one and name it here.
// The name is asked until the buffer holds it, since the colour folder may lie
// deeper than MAX_PATH allows for; one character more than said is given, in
// case the count leaves out the terminating zero. The file is read by the
// program's own file calls, which reach a name of any length, into `bytes`, which
// must outlive the profile.
UniqueColorProfile OpenSrgbProfile(std::string& bytes) {
  std::wstring path;
  DWORD size = MAX_PATH * sizeof(wchar_t);
  for (int tries = 0; path.empty() && tries < 4; ++tries) {
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (GetStandardColorSpaceProfileW(nullptr, kSrgbSpace, &buffer[0], &size)) {
      path.assign(buffer.c_str(), wcsnlen(buffer.c_str(), buffer.size()));
    } else if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      return {};
    }
  }
  try {
    TFileStream file(FilePath::FromWide(path), TFileStream::kOpenRead);
    bytes.assign(static_cast<size_t>(std::max(0, file.Size())), '\0');
    file.ReadBuffer(&bytes[0], static_cast<int32_t>(bytes.size()));
    return OpenMemoryProfile(bytes);
  } catch (...) {
    return {};
  }
}

UniqueColorProfile OpenMemoryProfile(const std::string& bytes) {
  PROFILE source{PROFILE_MEMBUFFER, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size())};
  return UniqueColorProfile(OpenColorProfileW(&source, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING));
}

// Relative colorimetric: the picture's white becomes the screen's white and
// colours inside sRGB keep their measure. Neither call asks for black point
// compensation: Wine's colour management (lcms2) applies none unless asked, and
// Windows' own engine applies none with this intent; the two may still differ by
// a level where an ink profile's black lies far from sRGB's.
UniqueColorTransform TransformToSrgb(HPROFILE picture, HPROFILE srgb) {
  HPROFILE profiles[2] = {picture, srgb};
  DWORD intents[2] = {INTENT_RELATIVE_COLORIMETRIC, INTENT_RELATIVE_COLORIMETRIC};
  return UniqueColorTransform(CreateMultiProfileTransform(profiles, 2, intents, 2, BEST_MODE, INDEX_DONT_CARE));
}

// Node values spread evenly over 0 to 255, whole numbers, since the system is
// asked with 8-bit colours. Nodes packed closer to black did worse: the largest
// errors lie where a colour outside sRGB is clipped inside a cell, anywhere.
std::vector<uint8_t> NodeValues(int nodes) {
  std::vector<uint8_t> values(static_cast<size_t>(nodes));
  for (int i = 0; i < nodes; ++i)
    values[static_cast<size_t>(i)] = static_cast<uint8_t>(std::lround(255.0 * i / (nodes - 1)));
  return values;
}

void FillAxis(ColorConversion::Axis& axis, const std::vector<uint8_t>& values, uint32_t stride) {
  size_t below = 0;
  for (int v = 0; v < 256; ++v) {
    while (below + 2 < values.size() && v >= values[below + 1]) ++below;
    const int span = values[below + 1] - values[below];
    axis.offset[v] = static_cast<uint32_t>(below) * stride;
    axis.fraction[v] = static_cast<uint16_t>(((v - values[below]) * 256 + span / 2) / span);
  }
}

}  // namespace

ColorConversion::ColorConversion(int nodes, int channels)
    : nodes_(nodes), channels_(channels), values_(NodeValues(nodes)) {
  const uint32_t n = static_cast<uint32_t>(nodes);
  FillAxis(axes_[0], values_, 3);
  FillAxis(axes_[1], values_, 3 * n);
  FillAxis(axes_[2], values_, 3 * n * n);
  layerBytes_ = size_t{3} * n * n * n;
  FillAxis(black_, values_, 1);
  grid_.resize(layerBytes_ * (channels == 4 ? n : 1));
}

bool ColorConversion::Sample(void* transform) {
  const size_t n = static_cast<size_t>(nodes_);
  const size_t count = grid_.size() / 3;
  std::vector<uint8_t> colours(count * static_cast<size_t>(channels_));
  uint8_t* p = colours.data();
  for (size_t i = 0; i < count; ++i) {
    // The first channel varies fastest, as the grid is laid out.
    for (int c = 0, rest = static_cast<int>(i); c < channels_; ++c, rest /= static_cast<int>(n))
      *p++ = values_[static_cast<size_t>(rest) % n];
  }
  const DWORD width = static_cast<DWORD>(count);
  // The formats are named as a little-endian number reads: BM_RGBTRIPLETS is a
  // 24-bit DIB's order, blue first in memory, and BM_KYMCQUADS has cyan first
  // (255 being full ink). Wine reads them so; BM_CMYKQUADS gives black first.
  return TranslateBitmapBits(static_cast<HTRANSFORM>(transform), colours.data(),
                             channels_ == 4 ? BM_KYMCQUADS : BM_RGBTRIPLETS, width, 1,
                             width * static_cast<DWORD>(channels_), grid_.data(), BM_RGBTRIPLETS, width * 3, nullptr,
                             0) != FALSE;
}

std::shared_ptr<const ColorConversion> ColorConversion::MakeOrRaise(const ColorProfile& profile) {
  const int channels = profile.Model() == ColorModel::Cmyk ? 4 : 3;
  if (profile.Model() == ColorModel::Gray) return nullptr;
  std::shared_ptr<ColorConversion> conversion(
      new ColorConversion(channels == 4 ? kCmykNodes : kRgbNodes, channels));
  // The system's colour engine computes with the profile's own numbers, tables
  // too that the program never reads; it runs under the control word it is
  // written for, whatever thread makes the conversion (the picture's, when no
  // other thread could be had), and no damage it meets stops the program.
  const SystemFpuControlWordScope systemWord;
  const UniqueColorProfile picture = OpenMemoryProfile(profile.Bytes());
  std::string srgbBytes;
  const UniqueColorProfile srgb = OpenSrgbProfile(srgbBytes);
  if (!picture || !srgb) return nullptr;
  const UniqueColorTransform transform = TransformToSrgb(picture.get(), srgb.get());
  if (!transform) return nullptr;
  if (!conversion->Sample(transform.get())) return nullptr;
  return conversion;
}

std::shared_ptr<const ColorConversion> ColorConversion::Make(const ColorProfile& profile) noexcept {
  try {
    return MakeOrRaise(profile);
  } catch (...) {
    return nullptr;
  }
}

// Tetrahedral interpolation: the cube around the colour is cut into six
// tetrahedra along its grey diagonal, and the colour is weighed between the four
// corners of its own, which keeps greys grey and costs three steps.
void ColorConversion::Interpolate(const uint8_t* grid, unsigned v0, unsigned v1, unsigned v2,
                                  uint8_t* out) const noexcept {
  const uint8_t* c0 = grid + axes_[0].offset[v0] + axes_[1].offset[v1] + axes_[2].offset[v2];
  const int f[3] = {axes_[0].fraction[v0], axes_[1].fraction[v1], axes_[2].fraction[v2]};
  const ptrdiff_t step[3] = {3, 3 * nodes_, 3 * nodes_ * nodes_};
  int a = 0, b = 1, c = 2;
  if (f[a] < f[b]) std::swap(a, b);
  if (f[b] < f[c]) std::swap(b, c);
  if (f[a] < f[b]) std::swap(a, b);
  const uint8_t* c1 = c0 + step[a];
  const uint8_t* c2 = c1 + step[b];
  const uint8_t* c3 = c2 + step[c];
  for (int k = 0; k < 3; ++k) {
    const int value = c0[k] * 256 + f[a] * (c1[k] - c0[k]) + f[b] * (c2[k] - c1[k]) + f[c] * (c3[k] - c2[k]);
    out[k] = static_cast<uint8_t>((value + 128) >> 8);
  }
}

void ColorConversion::ConvertBgr(uint8_t* pixels, size_t count) const noexcept {
  for (uint8_t* p = pixels; count-- > 0; p += 3) Interpolate(grid_.data(), p[0], p[1], p[2], p);
}

void ColorConversion::ConvertCmyk(const uint8_t* inks, uint8_t* bgr, size_t count) const noexcept {
  for (; count-- > 0; inks += 4, bgr += 3) {
    const uint8_t* layer = grid_.data() + layerBytes_ * black_.offset[inks[3]];
    const unsigned f = black_.fraction[inks[3]];
    uint8_t below[3], above[3];
    Interpolate(layer, inks[0], inks[1], inks[2], below);
    if (f == 0) {
      std::copy_n(below, 3, bgr);
      continue;
    }
    Interpolate(layer + layerBytes_, inks[0], inks[1], inks[2], above);
    for (int k = 0; k < 3; ++k) bgr[k] = static_cast<uint8_t>((below[k] * (256 - f) + above[k] * f + 128) >> 8);
  }
}

void ConvertToSrgb(TBitmap& bitmap, const ColorProfile& profile) {
  const std::shared_ptr<const ColorConversion> conversion = ConversionToSrgb(profile);
  if (conversion == nullptr || bitmap.PixelDepth() != pd24Bit) return;
  const size_t width = static_cast<size_t>(bitmap.Width());
  BitmapRowWriter rows(bitmap);
  for (int y = 0; y < rows.Height(); ++y) conversion->ConvertBgr(rows.Row(y), width);
}
