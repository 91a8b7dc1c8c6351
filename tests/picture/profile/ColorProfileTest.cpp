// Colour profiles read with every number checked. Sound profiles from outside
// (tests/data/colour/make.sh) are damaged in many ways and read under the
// program's unmasked floating-point exceptions, as are the numbers PNG and BMP
// state: a fault would end this program. Sound profiles still read as before.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "picture/bitmap/BmpColorSpace.h"
#include "picture/colour/ColorConversion.h"
#include "picture/colour/ColorConversions.h"
#include "picture/profile/ColorProfile.h"
#include "picture/core/Stream.h"
#include "picture/readers/wic/WicColorProfile.h"
#include "tests/support/ReferencePictures.h"
#include "text/FpuControlWord.h"

namespace {

const char* const kSeeds[] = {"srgb-colord.icc", "srgb-lcms2.icc", "rec709.icc", "adobe-rgb.icc"};
// Extremes of a 32-bit field: sizes, counts, s15Fixed16 numbers (-1, 1, the
// largest, the most negative) and the bits of float NaNs.
const uint32_t kExtremes[] = {0,          1,          2,          128,        0x7FFFFFFF, 0x80000000,
                              0xFFFFFFFF, 0xFFFF0000, 0x00010000, 0x7FC00000, 0x7FF80000, 0x00000100};

std::string Seed(const char* name) {
  const std::vector<uint8_t> bytes = reference_pictures::FileBytes(reference_pictures::DataFolder("colour") + name);
  return std::string(bytes.begin(), bytes.end());
}

uint32_t Get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4 && at + i < b.size(); ++i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}
// Writes what fits inside the bytes.
void Put32(std::string& b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4 && at + i < b.size(); ++i) b[at + i] = static_cast<char>(v >> (24 - 8 * i));
}
void Put(std::string& b, size_t at, const char* four) {
  for (size_t i = 0; i < 4 && at + i < b.size(); ++i) b[at + i] = four[i];
}
size_t Entry(size_t index) { return 132 + 12 * index; }
// The tag table entry with the signature; the first when there is none.
size_t EntryOf(const std::string& b, const char* signature) {
  for (size_t i = 0; i < Get32(b, 128) && Entry(i) + 12 <= b.size(); ++i)
    if (b.compare(Entry(i), 4, signature) == 0) return Entry(i);
  return Entry(0);
}
size_t DataOf(const std::string& b, const char* signature) { return Get32(b, EntryOf(b, signature) + 4); }

// One deterministic damage, or two on top of each other.
std::string Damaged(std::string b, std::mt19937& random, int depth = 0) {
  if (b.size() < 4) return b;
  const uint32_t r = random(), pick = random();
  const uint32_t extreme = kExtremes[pick % (sizeof kExtremes / sizeof *kExtremes)];
  const size_t tags = Entry(Get32(b, 128) % 64);
  const char* curve = pick % 3 == 0 ? "rTRC" : pick % 3 == 1 ? "gTRC" : "bTRC";
  switch (r % 9) {
    case 0: b[pick % b.size()] ^= static_cast<char>(1 + r / 9 % 255); break;
    case 1: Put32(b, pick % (tags / 4) * 4, extreme); break;  // header, count, offsets, sizes
    case 2: Put32(b, DataOf(b, curve) + r / 9 % 12 * 4, extreme); break;  // counts, parameters
    case 3: {
      static const char* const kTypes[] = {"curv", "para", "XYZ ", "text", "\0\0\0"};
      Put(b, DataOf(b, curve), kTypes[pick % 5]);
      Put32(b, DataOf(b, curve) + 8, r / 9 % 8 << 16);  // parametric function 0 to 7
      break;
    }
    case 4: Put32(b, DataOf(b, pick % 2 ? "rXYZ" : "wtpt") + 8 + r / 9 % 3 * 4, extreme); break;
    case 5:
      b.resize(pick % b.size());
      if (r & 512) Put32(b, 0, static_cast<uint32_t>(b.size()));
      break;
    case 6: Put(b, Entry(pick % 16), curve); break;  // a duplicated tag
    case 7: Put32(b, 128, pick % 2 ? Get32(b, 128) + extreme : extreme); break;
    default: return depth < 2 ? Damaged(Damaged(b, random, depth + 1), random, depth + 1) : b;
  }
  return b;
}

// Read every way the program reads a profile; returns whether it is used.
bool ReadEveryWay(const std::string& icc) {
  DescribesSrgb(icc);
  ColorProfile::FromIcc(icc, ColorModel::Cmyk);
  ColorProfile::FromIcc(icc, ColorModel::Gray);
  return ColorProfile::FromIcc(icc, ColorModel::Rgb) != nullptr;
}

}  // namespace

TEST(ColorProfile, DamagedProfilesOfEveryKindAreRefusedOrReadWithoutAFault) {
  ASSERT_EQ(kDefaultFpuControlWord, CurrentFpuControlWord()) << "the program's exceptions must be unmasked here";
  std::mt19937 random(20261207);
  int used = 0, refused = 0;
  std::vector<std::string> usedDamaged;
  for (const char* seed : kSeeds) {
    const std::string sound = Seed(seed);
    for (int i = 0; i < 5000; ++i) {
      const std::string damaged = Damaged(sound, random);
      if (!ReadEveryWay(damaged)) {
        ++refused;
      } else if (++used % 500 == 0) {
        usedDamaged.push_back(damaged);
      }
    }
  }
  std::printf("damaged profiles: %d used, %d refused\n", used, refused);
  EXPECT_GT(refused, 5000);
  // What passes the checks goes to the system's colour engine, on this thread.
  for (const std::string& damaged : usedDamaged) {
    const auto profile = ColorProfile::FromIcc(damaged, ColorModel::Rgb);
    ConversionToSrgb(*profile);
    EXPECT_EQ(kDefaultFpuControlWord, CurrentFpuControlWord());
  }
}

TEST(ColorProfile, SoundProfilesReadAsBefore) {
  for (const char* seed : kSeeds) {
    const std::string icc = Seed(seed);
    const bool srgb = std::string(seed).compare(0, 4, "srgb") == 0;
    EXPECT_EQ(srgb, DescribesSrgb(icc)) << seed;
    const auto profile = ColorProfile::FromIcc(icc, ColorModel::Rgb);
    EXPECT_EQ(srgb, profile == nullptr) << seed;
    if (profile != nullptr) {
      EXPECT_NE(nullptr, ConversionToSrgb(*profile)) << seed;
    }
  }
}

// sRGB's colorants lead the reader on to the curves, where these once gave NaN
// or divided by zero. One test each, so that a fault names its case.
struct UnreadableCurve {
  const char* name;
  const char* seed;
  void (*damage)(std::string&);
};
class AnUnreadableCurveBesideSrgbsColorants : public testing::TestWithParam<UnreadableCurve> {};

TEST_P(AnUnreadableCurveBesideSrgbsColorants, IsNeitherSrgbNorUsed) {
  std::string icc = Seed(GetParam().seed);
  GetParam().damage(icc);
  EXPECT_FALSE(DescribesSrgb(icc));
  EXPECT_EQ(nullptr, ColorProfile::FromIcc(icc, ColorModel::Rgb));
}

INSTANTIATE_TEST_SUITE_P(
    ColorProfile, AnUnreadableCurveBesideSrgbsColorants,
    testing::Values(
        UnreadableCurve{"CountBeyondItsData", "srgb-colord.icc",
                        [](std::string& b) {
                          Put(b, DataOf(b, "rTRC"), "curv");
                          Put32(b, DataOf(b, "rTRC") + 8, 0xFFFF);
                        }},
        UnreadableCurve{"UnknownType", "srgb-colord.icc", [](std::string& b) { Put(b, DataOf(b, "gTRC"), "zzzz"); }},
        UnreadableCurve{"UnknownParametricFunction", "srgb-lcms2.icc",
                        [](std::string& b) { Put32(b, DataOf(b, "rTRC") + 8, 5 << 16); }},
        UnreadableCurve{"DuplicatedTag", "srgb-colord.icc",
                        [](std::string& b) { Put(b, EntryOf(b, "dmdd"), "bTRC"); }},
        UnreadableCurve{"ParametricStartAtMinusBOverAWithAZero", "srgb-lcms2.icc",
                        [](std::string& b) {
                          Put32(b, DataOf(b, "rTRC") + 8, 1 << 16);
                          Put32(b, DataOf(b, "rTRC") + 16, 0);
                        }},
        UnreadableCurve{"NegativeExponent", "srgb-colord.icc",
                        [](std::string& b) { Put32(b, DataOf(b, "bTRC") + 12, 0xFFFD999A); }},
        UnreadableCurve{"PowerBeyondAnyNumber", "srgb-lcms2.icc",
                        [](std::string& b) {
                          Put32(b, DataOf(b, "rTRC") + 12, 0x7FFF0000);  // exponent 32767
                          Put32(b, DataOf(b, "rTRC") + 16, 100 << 16);   // a = 100
                        }}),
    [](const testing::TestParamInfo<UnreadableCurve>& info) { return std::string(info.param.name); });

namespace {

// The bits of doubles no stated number can be: NaNs (quiet and signalling),
// infinities, the largest double. Copied as bits, never loaded as numbers.
double FromBits(uint64_t bits) {
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

std::shared_ptr<const ColorProfile> CalibratedBmp(const int32_t ends[9], const uint32_t gammas[3], size_t size) {
  BITMAPV5HEADER h{};
  h.bV5Size = static_cast<DWORD>(size);
  h.bV5CSType = LCS_CALIBRATED_RGB;
  std::memcpy(&h.bV5Endpoints, ends, sizeof h.bV5Endpoints);
  h.bV5GammaRed = gammas[0], h.bV5GammaGreen = gammas[1], h.bV5GammaBlue = gammas[2];
  std::vector<uint8_t> header(size);
  std::memcpy(header.data(), &h, size);
  TMemoryStream unused;
  return BmpColorProfile(header, unused, 14, 0);
}

}  // namespace

TEST(ColorProfile, AnyNumbersPngAndBmpStateBuildAProfileOrNone) {
  // Named outcomes first: Adobe RGB's chunks, and what states no usable colours.
  const uint32_t adobe[8] = {31270, 32900, 64000, 33000, 21000, 71000, 15000, 6000};
  const uint32_t equal[8] = {31270, 32900, 31270, 32900, 31270, 32900, 31270, 32900};
  const uint32_t srgb[8] = {31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
  EXPECT_NE(nullptr, PngColorProfile(45470, adobe, 8));
  EXPECT_EQ(nullptr, PngColorProfile(45455, srgb, 8)) << "sRGB's own";
  EXPECT_EQ(nullptr, PngColorProfile(45455, equal, 8)) << "primaries in one point";
  EXPECT_EQ(nullptr, PngColorProfile(0, adobe, 8)) << "gamma 0";
  // Every field at every extreme and at random, none of which may raise.
  std::mt19937 random(7);
  const auto any = [&] { return random() % 3 ? kExtremes[random() % 12] : random() % 120000; };
  for (int i = 0; i < 4000; ++i) {
    uint32_t chromaticities[8];
    for (uint32_t& c : chromaticities) c = i % 2 ? any() : adobe[&c - chromaticities];
    if (i % 2 == 0) chromaticities[random() % 8] = any();
    PngColorProfile(any(), chromaticities, random() % 9);
    int32_t ends[9];
    uint32_t gammas[3];
    for (int32_t& e : ends) e = static_cast<int32_t>(random() % 2 ? any() : random());
    for (uint32_t& g : gammas) g = random() % 2 ? any() : random() % (4 << 16);
    CalibratedBmp(ends, gammas, random() % 2 ? sizeof(BITMAPV4HEADER) : sizeof(BITMAPV5HEADER));
  }
  // Doubles no file states, given to the builders as bits.
  const double kNonNumbers[] = {FromBits(0x7FF8000000000000), FromBits(0x7FF0000000000001),
                                FromBits(0xFFF0000000000000), FromBits(0x7FEFFFFFFFFFFFFF)};
  for (const double& bad : kNonNumbers) {
    for (int field = 0; field < 12; ++field) {
      double xy[8] = {0.3127, 0.3290, 0.64, 0.33, 0.21, 0.71, 0.15, 0.06};
      if (field < 8) {
        std::memcpy(&xy[field], &bad, sizeof bad);
        EXPECT_EQ(nullptr, ColorProfile::FromChromaticities(xy, xy + 2, xy + 4, xy + 6, 2.2)) << field;
      }
      CalibratedRgb colours{{0.4, 0.2, 0.02}, {0.4, 0.7, 0.1}, {0.15, 0.06, 0.7}, {2.2, 2.2, 2.2}};
      double* const fields[12] = {colours.red,   colours.red + 1,   colours.red + 2,   colours.green,
                                  colours.green + 1, colours.green + 2, colours.blue,  colours.blue + 1,
                                  colours.blue + 2,  colours.gamma,     colours.gamma + 1, colours.gamma + 2};
      std::memcpy(fields[field], &bad, sizeof bad);
      EXPECT_EQ(nullptr, ColorProfile::FromCalibratedRgb(colours)) << field;
    }
  }
  EXPECT_EQ(kDefaultFpuControlWord, CurrentFpuControlWord());
}
