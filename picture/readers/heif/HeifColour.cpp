#include "picture/readers/heif/HeifColour.h"

#include <string>

#include "picture/profile/ColorProfile.h"

namespace {

// CIE xy of white, red, green and blue for the nclx primaries other than
// BT.709's and the unspecified (both taken as sRGB), by their code.
struct Primaries {
  int code;
  double white[2], red[2], green[2], blue[2];
};

constexpr double kD65[2] = {0.3127, 0.3290};

const Primaries kPrimaries[] = {
    {4, {0.310, 0.316}, {0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}},
    {5, {kD65[0], kD65[1]}, {0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}},
    {6, {kD65[0], kD65[1]}, {0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}},
    {7, {kD65[0], kD65[1]}, {0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}},
    {8, {0.310, 0.316}, {0.681, 0.319}, {0.243, 0.692}, {0.145, 0.049}},
    {9, {kD65[0], kD65[1]}, {0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}},
    {11, {0.314, 0.351}, {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}},
    {12, {kD65[0], kD65[1]}, {0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}},
    {22, {kD65[0], kD65[1]}, {0.630, 0.340}, {0.295, 0.605}, {0.155, 0.077}},
};

const double kBt709Red[2] = {0.64, 0.33}, kBt709Green[2] = {0.30, 0.60}, kBt709Blue[2] = {0.15, 0.06};

// The display gamma that stands for an SDR transfer: 2.2 for sRGB's, BT.709's
// and BT.601's curves (their display ends agree closely), else the stated one.
double GammaOf(int transfer) {
  switch (transfer) {
    case 5: return 2.8;
    case 8: return 1.0;
    default: return 2.2;
  }
}

std::shared_ptr<const ColorProfile> ProfileOfNclx(const heif_color_profile_nclx& nclx) {
  const double gamma = GammaOf(nclx.transfer_characteristics);
  for (const Primaries& p : kPrimaries)
    if (p.code == nclx.color_primaries) return ColorProfile::FromChromaticities(p.white, p.red, p.green, p.blue, gamma);
  // BT.709's primaries: only a linear or a stated gamma of 2.8 differs from sRGB.
  if (gamma == 2.2) return nullptr;
  return ColorProfile::FromChromaticities(kD65, kBt709Red, kBt709Green, kBt709Blue, gamma);
}

std::shared_ptr<const ColorProfile> IccProfileOf(const HeifEdge& edge, heif_image_handle* handle) {
  const size_t size = edge.Value([&] { return heif_image_handle_get_raw_color_profile_size(handle); });
  std::string bytes(size, '\0');
  if (size == 0 || !edge.Succeeds([&] { return heif_image_handle_get_raw_color_profile(handle, &bytes[0]); }))
    return nullptr;
  return ColorProfile::FromIcc(std::move(bytes), ColorModel::Rgb);
}

}  // namespace

HeifColour ColourOf(const HeifEdge& edge, heif_image_handle* handle) {
  HeifColour colour;
  const heif_color_profile_type type = edge.Value([&] { return heif_image_handle_get_color_profile_type(handle); });
  // An ICC profile, when the file has one beside its nclx box, says the colours.
  if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
    colour.profile = IccProfileOf(edge, handle);
    return colour;
  }
  heif_color_profile_nclx* nclx = nullptr;
  if (!edge.Succeeds([&] { return heif_image_handle_get_nclx_color_profile(handle, &nclx); }) || nclx == nullptr)
    return colour;
  colour.primaries = nclx->color_primaries;
  if (nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_PQ) {
    colour.transfer = HeifTransfer::Pq;
  } else if (nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_HLG) {
    colour.transfer = HeifTransfer::Hlg;
  } else {
    colour.profile = ProfileOfNclx(*nclx);
  }
  heif_nclx_color_profile_free(nclx);
  return colour;
}

HeifMatrix MatrixOf(const HeifEdge& edge, heif_image_handle* handle, heif_image* image) {
  HeifMatrix matrix;
  heif_color_profile_nclx* nclx = nullptr;
  if (!edge.Succeeds([&] { return heif_image_get_nclx_color_profile(image, &nclx); }) || nclx == nullptr)
    edge.Succeeds([&] { return heif_image_handle_get_nclx_color_profile(handle, &nclx); });
  if (nclx == nullptr) return matrix;
  matrix.coefficients = nclx->matrix_coefficients;
  matrix.fullRange = nclx->full_range_flag != 0;
  heif_nclx_color_profile_free(nclx);
  return matrix;
}
