#include "picture/profile/ColorProfile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "picture/core/CheckedFloat.h"
#include "picture/profile/IccTags.h"

namespace {

// ICC profiles: a 128-byte header, a tag count and table, then the tags, every
// number big-endian.
constexpr size_t kHeaderBytes = 128;
constexpr size_t kTagEntryBytes = 12;
// The profile connection space's white, D50, as every ICC profile states colorants.
constexpr double kD50[3] = {0.9642, 1.0, 0.8249};
// sRGB's colorants adapted to D50, as sRGB profiles store them.
constexpr double kSrgbColorants[3][3] = {{0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}};
constexpr double kColorantTolerance = 0.003;
// Linear light; about half a level of an 8-bit value in the middle tones.
constexpr double kCurveTolerance = 0.0025;
// Bounds within which the builders' arithmetic can neither overflow nor divide
// by zero: stated colours far beyond any real device's (BMP's end points lie
// within 2), and a determinant or white this close to 0 means no usable colours.
constexpr double kLargestStatedColour = 1000;
constexpr double kSmallestDeterminant = 1e-9;
constexpr double kSmallestWhite = 1e-6;
// A colorant adapted to D50 beyond this is no colour any profile holds.
constexpr double kLargestColorant = 16;

bool ModelMatches(const IccTags& tags, ColorModel model) {
  switch (model) {
    case ColorModel::Rgb: return tags.Says(16, "RGB ");
    case ColorModel::Cmyk: return tags.Says(16, "CMYK");
    case ColorModel::Gray: return tags.Says(16, "GRAY");
  }
  return false;
}

uint32_t Big32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24 | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 8 | static_cast<uint8_t>(b[at + 3]);
}

double SrgbToLinear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

// --- Building a matrix and tone-curve profile ---------------------------------

using Vector = std::array<double, 3>;
using Matrix = std::array<Vector, 3>;

Vector Times(const Matrix& m, const Vector& v) {
  return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2], m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
          m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

double Determinant(const Matrix& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Only for a determinant checked to lie away from 0, and bounded entries.
Matrix Inverse(const Matrix& m) {
  const double d = Determinant(m);
  Matrix r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, e = (i + 2) % 3;
      r[i][j] = (m[a][c] * m[b][e] - m[a][e] * m[b][c]) / d;
    }
  return r;
}

// Bradford's adaptation of a colour seen under `white` to the D50 white; none
// when the white has no response in one of the eye's cones (a white no one sees).
std::optional<Vector> AdaptToD50(const Vector& colour, const Vector& white) {
  static const Matrix kBradford{{{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
  const Vector from = Times(kBradford, white);
  const Vector to = Times(kBradford, Vector{kD50[0], kD50[1], kD50[2]});
  Vector cone = Times(kBradford, colour);
  for (int i = 0; i < 3; ++i) {
    if (!(std::fabs(from[i]) > kSmallestWhite)) return std::nullopt;
    cone[i] *= to[i] / from[i];
  }
  return Times(Inverse(kBradford), cone);
}

void PutBig32(std::string& b, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<char>(v >> shift & 0xFF));
}
void PutFixed16(std::string& b, double v) { PutBig32(b, static_cast<uint32_t>(static_cast<int32_t>(std::lround(v * 65536)))); }
void PutXyz(std::string& b, const Vector& v) {
  b.append("XYZ \0\0\0\0", 8);
  for (double c : v) PutFixed16(b, c);
}
void PadTo4(std::string& b) { b.resize((b.size() + 3) / 4 * 4, '\0'); }

// The tags' data: a description, a notice, the white, three colorants and three curves.
std::string BuildTagData(const Vector colorants[3], const double gamma[3], std::array<IccTag, 9>& tags) {
  static const char kName[] = "Calibrated RGB";
  std::string data;
  const auto begin = [&](int index) { tags[index].offset = data.size(); };
  const auto end = [&](int index) {
    tags[index].size = data.size() - tags[index].offset;
    PadTo4(data);
  };
  begin(0);
  data.append("desc\0\0\0\0", 8);
  PutBig32(data, sizeof kName);
  data.append(kName, sizeof kName);
  data.append(4 + 4 + 2 + 1 + 67, '\0');  // no Unicode or script name
  end(0);
  begin(1);
  data.append("text\0\0\0\0No copyright", 21);
  end(1);
  begin(2);
  PutXyz(data, {kD50[0], kD50[1], kD50[2]});
  end(2);
  for (int i = 0; i < 3; ++i) {
    begin(3 + i);
    PutXyz(data, colorants[i]);
    end(3 + i);
  }
  for (int i = 0; i < 3; ++i) {
    begin(6 + i);
    data.append("curv\0\0\0\0\0\0\0\1", 12);
    const long g = std::lround(gamma[i] * 256);
    data.push_back(static_cast<char>(g >> 8));
    data.push_back(static_cast<char>(g & 0xFF));
    end(6 + i);
  }
  return data;
}

std::string BuildProfile(const Vector colorants[3], const double gamma[3]) {
  static const char* const kSignatures[9] = {"desc", "cprt", "wtpt", "rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC"};
  std::array<IccTag, 9> tags{};
  const std::string data = BuildTagData(colorants, gamma, tags);
  const size_t first = kHeaderBytes + 4 + tags.size() * kTagEntryBytes;
  std::string icc;
  PutBig32(icc, static_cast<uint32_t>(first + data.size()));
  PutBig32(icc, 0);
  PutBig32(icc, 0x02100000);  // version 2.1: what every colour management system reads
  icc.append("mntrRGB XYZ ", 12);
  icc.append(12, '\0');  // no date
  icc.append("acsp", 4);
  icc.append(24, '\0');  // platform, flags, maker, model, attributes
  PutBig32(icc, 0);      // perceptual
  icc.append(4, '\0');
  for (double c : kD50) PutFixed16(icc, c);
  icc.resize(kHeaderBytes, '\0');
  PutBig32(icc, static_cast<uint32_t>(tags.size()));
  for (size_t i = 0; i < tags.size(); ++i) {
    icc.append(kSignatures[i], 4);
    PutBig32(icc, static_cast<uint32_t>(first + tags[i].offset));
    PutBig32(icc, static_cast<uint32_t>(tags[i].size));
  }
  return icc + data;
}

// Every number finite and within `bound` of 0.
bool Bounded(const double* values, size_t count, double bound) {
  for (size_t i = 0; i < count; ++i)
    if (!IsFiniteNumber(values[i]) || std::fabs(values[i]) > bound) return false;
  return true;
}

// The primaries seen under their own white (their sum), with white's luminance
// made 1 and adapted to D50, as a profile states colorants; none when they
// describe no usable colours.
std::optional<std::array<Vector, 3>> ProfileColorants(const Vector (&primaries)[3]) {
  Vector white{};
  for (const Vector& p : primaries)
    for (int k = 0; k < 3; ++k) white[k] += p[k];
  const Matrix m{{{primaries[0][0], primaries[1][0], primaries[2][0]},
                  {primaries[0][1], primaries[1][1], primaries[2][1]},
                  {primaries[0][2], primaries[1][2], primaries[2][2]}}};
  if (!(std::fabs(Determinant(m)) >= kSmallestDeterminant) || !(white[1] > kSmallestWhite)) return std::nullopt;
  const double luminance = white[1];
  for (double& w : white) w /= luminance;
  std::array<Vector, 3> adapted;
  for (int i = 0; i < 3; ++i) {
    Vector scaled = primaries[i];
    for (double& c : scaled) c /= luminance;
    const std::optional<Vector> colorant = AdaptToD50(scaled, white);
    if (!colorant || !Bounded(colorant->data(), 3, kLargestColorant)) return std::nullopt;
    adapted[i] = *colorant;
  }
  return adapted;
}

// A chromaticity as PNG or a colour space states it: x within 0..1, y above 0
// and at most 1, so that x / y and z / y stay within a million.
bool SoundChromaticity(const double xy[2]) {
  return Bounded(xy, 2, 1) && xy[0] >= 0 && xy[1] >= kSmallestWhite;
}

}  // namespace

bool DescribesSrgb(const std::string& icc) {
  const std::optional<IccTags> tags = IccTags::Read(icc);
  if (!tags || !tags->Says(16, "RGB ")) return false;
  static const char kColorants[3][5] = {"rXYZ", "gXYZ", "bXYZ"};
  static const char kCurves[3][5] = {"rTRC", "gTRC", "bTRC"};
  for (int c = 0; c < 3; ++c) {
    const std::optional<std::array<double, 3>> colorant = tags->Xyz(tags->Find(kColorants[c]));
    if (!colorant) return false;
    for (int k = 0; k < 3; ++k)
      if (std::fabs((*colorant)[k] - kSrgbColorants[c][k]) > kColorantTolerance) return false;
    const IccTag curve = tags->Find(kCurves[c]);
    for (int i = 0; i <= 16; ++i) {
      const double x = i / 16.0;
      const std::optional<double> y = tags->CurveAt(curve, x);
      if (!y || std::fabs(*y - SrgbToLinear(x)) > kCurveTolerance) return false;
    }
  }
  return true;
}

std::shared_ptr<const ColorProfile> ColorProfile::FromIcc(std::string bytes, ColorModel picture) {
  // Some writers pad a profile; its own size says where it ends.
  if (bytes.size() >= 4 && Big32(bytes, 0) >= kHeaderBytes && Big32(bytes, 0) < bytes.size())
    bytes.resize(Big32(bytes, 0));
  const std::optional<IccTags> tags = IccTags::Read(bytes);
  if (!tags || !tags->MatrixTagsReadable() || !ModelMatches(*tags, picture) || DescribesSrgb(bytes)) return nullptr;
  return std::make_shared<const ColorProfile>(std::move(bytes), picture);
}

std::shared_ptr<const ColorProfile> ColorProfile::FromCalibratedRgb(const CalibratedRgb& colours) {
  for (const double* p : {colours.red, colours.green, colours.blue})
    if (!Bounded(p, 3, kLargestStatedColour)) return nullptr;
  for (const double& g : colours.gamma)
    if (!IsFiniteNumber(g) || !(g >= 0.1 && g <= 10)) return nullptr;
  const Vector primaries[3] = {{colours.red[0], colours.red[1], colours.red[2]},
                               {colours.green[0], colours.green[1], colours.green[2]},
                               {colours.blue[0], colours.blue[1], colours.blue[2]}};
  const std::optional<std::array<Vector, 3>> colorants = ProfileColorants(primaries);
  if (!colorants) return nullptr;
  return FromIcc(BuildProfile(colorants->data(), colours.gamma), ColorModel::Rgb);
}

std::shared_ptr<const ColorProfile> ColorProfile::FromChromaticities(const double white[2], const double red[2],
                                                                     const double green[2], const double blue[2],
                                                                     double gamma) {
  const double* xy[3] = {red, green, blue};
  for (const double* p : {white, red, green, blue})
    if (!SoundChromaticity(p)) return nullptr;
  // Each primary at a strength still unknown: the strengths that add up to white.
  Matrix m{};
  for (int i = 0; i < 3; ++i) {
    m[0][i] = xy[i][0] / xy[i][1];
    m[1][i] = 1;
    m[2][i] = (1 - xy[i][0] - xy[i][1]) / xy[i][1];
  }
  if (!(std::fabs(Determinant(m)) >= kSmallestDeterminant)) return nullptr;
  const Vector w{white[0] / white[1], 1, (1 - white[0] - white[1]) / white[1]};
  const Vector strength = Times(Inverse(m), w);
  CalibratedRgb colours{};
  double* targets[3] = {colours.red, colours.green, colours.blue};
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) targets[i][k] = m[k][i] * strength[i];
    colours.gamma[i] = gamma;
  }
  return FromCalibratedRgb(colours);
}
