#include "picture/bitmap/BmpColorSpace.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "picture/profile/ColorProfile.h"
#include "picture/core/Stream.h"

namespace {

// A version 4 header ends after the gammas; a version 5 header adds the intent
// and where an embedded profile lies (from the header's start) and how long it is.
constexpr size_t kV4HeaderSize = sizeof(BITMAPV4HEADER);
constexpr size_t kV5HeaderSize = sizeof(BITMAPV5HEADER);
// No profile is anywhere near this long; a larger size is damage.
constexpr uint32_t kLongestProfile = 16u << 20;
// The colour space types, spelt out: the headers' four-letter constants are
// multi-character literals.
constexpr DWORD kEmbedded = 0x4D424544;  // 'MBED'

// End points are 2.30 fixed point; gammas 16.16.
double Fixed2Dot30(FXPT2DOT30 v) { return static_cast<int32_t>(v) / 1073741824.0; }
double Fixed16Dot16(DWORD v) { return v / 65536.0; }

std::shared_ptr<const ColorProfile> CalibratedProfile(const BITMAPV5HEADER& h) {
  const CIEXYZ* ends[3] = {&h.bV5Endpoints.ciexyzRed, &h.bV5Endpoints.ciexyzGreen, &h.bV5Endpoints.ciexyzBlue};
  CalibratedRgb colours{};
  double* targets[3] = {colours.red, colours.green, colours.blue};
  for (int i = 0; i < 3; ++i) {
    targets[i][0] = Fixed2Dot30(ends[i]->ciexyzX);
    targets[i][1] = Fixed2Dot30(ends[i]->ciexyzY);
    targets[i][2] = Fixed2Dot30(ends[i]->ciexyzZ);
  }
  colours.gamma[0] = Fixed16Dot16(h.bV5GammaRed);
  colours.gamma[1] = Fixed16Dot16(h.bV5GammaGreen);
  colours.gamma[2] = Fixed16Dot16(h.bV5GammaBlue);
  return ColorProfile::FromCalibratedRgb(colours);
}

std::shared_ptr<const ColorProfile> EmbeddedProfile(const BITMAPV5HEADER& h, TStream& source, int32_t headerStart,
                                                    int64_t bodySize) {
  const uint32_t offset = h.bV5ProfileData, size = h.bV5ProfileSize;
  if (size == 0 || size > kLongestProfile || offset < kV5HeaderSize || int64_t{offset} + size > bodySize)
    return nullptr;
  const int32_t position = source.Position();
  try {
    std::string bytes(size, '\0');
    source.SetPosition(headerStart + static_cast<int32_t>(offset));
    source.ReadBuffer(&bytes[0], static_cast<int32_t>(size));
    source.SetPosition(position);
    return ColorProfile::FromIcc(std::move(bytes), ColorModel::Rgb);
  } catch (...) {
    // A profile that cannot be read leaves the colours as stored, and the
    // pixels are read from where they were to be; it never fails the picture.
    source.SetPosition(position);
    return nullptr;
  }
}

}  // namespace

std::shared_ptr<const ColorProfile> BmpColorProfile(const std::vector<uint8_t>& header, TStream& source,
                                                    int32_t headerStart, int64_t bodySize) {
  if (header.size() < kV4HeaderSize) return nullptr;
  BITMAPV5HEADER h{};
  std::memcpy(&h, header.data(), std::min(header.size(), kV5HeaderSize));
  // Pixels of a colour table or of bit fields are colours all the same; only
  // what the header says about them matters here.
  switch (h.bV5CSType) {
    case LCS_CALIBRATED_RGB: return CalibratedProfile(h);
    case kEmbedded:
      return header.size() >= kV5HeaderSize ? EmbeddedProfile(h, source, headerStart, bodySize) : nullptr;
    default: return nullptr;  // LCS_sRGB, LCS_WINDOWS_COLOR_SPACE, PROFILE_LINKED, unknown
  }
}
