#include "picture/ColorProfile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

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

uint32_t Big32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24 | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 8 | static_cast<uint8_t>(b[at + 3]);
}
uint16_t Big16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) << 8 | static_cast<uint8_t>(b[at + 1]));
}
double Fixed16(const std::string& b, size_t at) { return static_cast<int32_t>(Big32(b, at)) / 65536.0; }
bool Is(const std::string& b, size_t at, const char (&signature)[5]) { return b.compare(at, 4, signature, 4) == 0; }

// The offset and size of a tag's data; size 0 when the profile lacks it.
struct TagData {
  size_t offset = 0;
  size_t size = 0;
};

TagData FindTag(const std::string& icc, const char (&signature)[5]) {
  const uint32_t count = Big32(icc, kHeaderBytes);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = kHeaderBytes + 4 + i * kTagEntryBytes;
    if (Is(icc, entry, signature)) return {Big32(icc, entry + 4), Big32(icc, entry + 8)};
  }
  return {};
}

// The header and the tag table describe bytes that are there.
bool SoundProfile(const std::string& icc) {
  if (icc.size() < kHeaderBytes + 4 || Big32(icc, 0) != icc.size() || !Is(icc, 36, "acsp")) return false;
  if (!Is(icc, 20, "XYZ ") && !Is(icc, 20, "Lab ")) return false;
  // Device links, abstract and named-colour profiles describe no picture's numbers.
  if (!Is(icc, 12, "scnr") && !Is(icc, 12, "mntr") && !Is(icc, 12, "prtr") && !Is(icc, 12, "spac")) return false;
  const uint64_t count = Big32(icc, kHeaderBytes);
  if (count > (icc.size() - kHeaderBytes - 4) / kTagEntryBytes) return false;
  for (uint64_t i = 0; i < count; ++i) {
    const size_t entry = kHeaderBytes + 4 + i * kTagEntryBytes;
    if (uint64_t{Big32(icc, entry + 4)} + Big32(icc, entry + 8) > icc.size()) return false;
  }
  return true;
}

bool ModelMatches(const std::string& icc, ColorModel model) {
  switch (model) {
    case ColorModel::Rgb: return Is(icc, 16, "RGB ");
    case ColorModel::Cmyk: return Is(icc, 16, "CMYK");
    case ColorModel::Gray: return Is(icc, 16, "GRAY");
  }
  return false;
}

double SrgbToLinear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

// A tone curve ('curv' or 'para') at x in 0..1; NaN when it cannot be read.
double CurveAt(const std::string& icc, TagData tag, double x) {
  const double none = std::nan("");
  if (tag.size < 12) return none;
  if (Is(icc, tag.offset, "curv")) {
    const uint32_t n = Big32(icc, tag.offset + 8);
    if (tag.size < 12 + uint64_t{n} * 2) return none;
    if (n == 0) return x;
    if (n == 1) return std::pow(x, Big16(icc, tag.offset + 12) / 256.0);
    const double at = x * (n - 1);
    const uint32_t i = std::min<uint32_t>(n - 2, static_cast<uint32_t>(at));
    const double a = Big16(icc, tag.offset + 12 + i * 2), b = Big16(icc, tag.offset + 14 + i * 2);
    return (a + (b - a) * (at - i)) / 65535.0;
  }
  static const int kParameters[] = {1, 3, 4, 5, 7};
  const uint16_t type = Is(icc, tag.offset, "para") ? Big16(icc, tag.offset + 8) : 5;
  if (type > 4 || tag.size < 12 + 4u * kParameters[type]) return none;
  double p[7] = {0, 1, 0, 0, 0, 0, 0};
  for (int i = 0; i < kParameters[type]; ++i) p[i] = Fixed16(icc, tag.offset + 12 + 4 * i);
  const double g = p[0], a = p[1], b = p[2];
  switch (type) {
    case 0: return std::pow(x, g);
    case 1: return x >= -b / a ? std::pow(a * x + b, g) : 0;
    case 2: return x >= -b / a ? std::pow(a * x + b, g) + p[3] : p[3];
    case 3: return x >= p[4] ? std::pow(a * x + b, g) : p[3] * x;
    default: return x >= p[4] ? std::pow(a * x + b, g) + p[5] : p[3] * x + p[6];
  }
}

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

// Bradford's adaptation of a colour seen under `white` to the D50 white.
Vector AdaptToD50(const Vector& colour, const Vector& white) {
  static const Matrix kBradford{{{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
  const Vector from = Times(kBradford, white);
  const Vector to = Times(kBradford, Vector{kD50[0], kD50[1], kD50[2]});
  Vector cone = Times(kBradford, colour);
  for (int i = 0; i < 3; ++i) cone[i] *= to[i] / from[i];
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
std::string BuildTagData(const Vector colorants[3], const double gamma[3], std::array<TagData, 9>& tags) {
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
  std::array<TagData, 9> tags{};
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

bool Usable(double v) { return std::isfinite(v); }

}  // namespace

bool DescribesSrgb(const std::string& icc) {
  if (!SoundProfile(icc) || !Is(icc, 16, "RGB ")) return false;
  static const char kColorants[3][5] = {"rXYZ", "gXYZ", "bXYZ"};
  static const char kCurves[3][5] = {"rTRC", "gTRC", "bTRC"};
  for (int c = 0; c < 3; ++c) {
    const TagData colorant = FindTag(icc, kColorants[c]);
    if (colorant.size < 20 || !Is(icc, colorant.offset, "XYZ ")) return false;
    for (int k = 0; k < 3; ++k)
      if (std::fabs(Fixed16(icc, colorant.offset + 8 + 4 * k) - kSrgbColorants[c][k]) > kColorantTolerance)
        return false;
    const TagData curve = FindTag(icc, kCurves[c]);
    for (int i = 0; i <= 16; ++i) {
      const double x = i / 16.0;
      const double y = CurveAt(icc, curve, x);
      if (!(std::fabs(y - SrgbToLinear(x)) <= kCurveTolerance)) return false;
    }
  }
  return true;
}

std::shared_ptr<const ColorProfile> ColorProfile::FromIcc(std::string bytes, ColorModel picture) {
  // Some writers pad a profile; its own size says where it ends.
  if (bytes.size() >= 4 && Big32(bytes, 0) >= kHeaderBytes && Big32(bytes, 0) < bytes.size())
    bytes.resize(Big32(bytes, 0));
  if (!SoundProfile(bytes) || !ModelMatches(bytes, picture) || DescribesSrgb(bytes)) return nullptr;
  return std::make_shared<const ColorProfile>(std::move(bytes), picture);
}

std::shared_ptr<const ColorProfile> ColorProfile::FromCalibratedRgb(const CalibratedRgb& colours) {
  const Vector primaries[3] = {{colours.red[0], colours.red[1], colours.red[2]},
                               {colours.green[0], colours.green[1], colours.green[2]},
                               {colours.blue[0], colours.blue[1], colours.blue[2]}};
  Vector white{};
  for (const Vector& p : primaries)
    for (int k = 0; k < 3; ++k) white[k] += p[k];
  const Matrix m{{{primaries[0][0], primaries[1][0], primaries[2][0]},
                  {primaries[0][1], primaries[1][1], primaries[2][1]},
                  {primaries[0][2], primaries[1][2], primaries[2][2]}}};
  const double det = Determinant(m);
  if (!Usable(det) || std::fabs(det) < 1e-9 || !(white[1] > 1e-6)) return nullptr;
  for (double g : colours.gamma)
    if (!(g >= 0.1 && g <= 10)) return nullptr;
  // White's luminance becomes 1, as in every profile.
  const double luminance = white[1];
  for (double& w : white) w /= luminance;
  Vector adapted[3];
  for (int i = 0; i < 3; ++i) {
    Vector scaled = primaries[i];
    for (double& c : scaled) c /= luminance;
    adapted[i] = AdaptToD50(scaled, white);
    for (double c : adapted[i])
      if (!Usable(c) || std::fabs(c) > 16) return nullptr;
  }
  return FromIcc(BuildProfile(adapted, colours.gamma), ColorModel::Rgb);
}

std::shared_ptr<const ColorProfile> ColorProfile::FromChromaticities(const double white[2], const double red[2],
                                                                     const double green[2], const double blue[2],
                                                                     double gamma) {
  const double* xy[3] = {red, green, blue};
  for (const double* p : {white, red, green, blue})
    if (!(p[1] > 1e-6) || !Usable(p[0])) return nullptr;
  // Each primary at a strength still unknown: the strengths that add up to white.
  Matrix m{};
  for (int i = 0; i < 3; ++i) {
    m[0][i] = xy[i][0] / xy[i][1];
    m[1][i] = 1;
    m[2][i] = (1 - xy[i][0] - xy[i][1]) / xy[i][1];
  }
  if (std::fabs(Determinant(m)) < 1e-9) return nullptr;
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
