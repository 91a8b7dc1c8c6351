#include "picture/profile/IccTags.h"

#include <algorithm>
#include <cstdint>

#include "picture/core/CheckedFloat.h"

namespace {

// A 128-byte header, a tag count and table, then the tags, every number big-endian.
constexpr size_t kHeaderBytes = 128;
constexpr size_t kTagEntryBytes = 12;
// Real profiles hold a few dozen tags; more is damage, and would make every
// look-up slow.
constexpr uint32_t kMostTags = 256;

uint32_t Big32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 8 | static_cast<uint8_t>(b[at + 3]);
}
uint16_t Big16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) << 8 | static_cast<uint8_t>(b[at + 1]));
}
// s15Fixed16: always finite, within 32768 of 0.
double Fixed16(const std::string& b, size_t at) { return static_cast<int32_t>(Big32(b, at)) / 65536.0; }
bool Is(const std::string& b, size_t at, const char (&signature)[5]) {
  return at <= b.size() && b.compare(at, 4, signature, 4) == 0;
}

bool SoundHeader(const std::string& icc) {
  if (icc.size() < kHeaderBytes + 4 || Big32(icc, 0) != icc.size() || !Is(icc, 36, "acsp")) return false;
  if (!Is(icc, 20, "XYZ ") && !Is(icc, 20, "Lab ")) return false;
  // Device links, abstract and named-colour profiles describe no picture's numbers.
  return Is(icc, 12, "scnr") || Is(icc, 12, "mntr") || Is(icc, 12, "prtr") || Is(icc, 12, "spac");
}

}  // namespace

std::optional<IccTags> IccTags::Read(const std::string& icc) {
  if (!SoundHeader(icc)) return std::nullopt;
  const uint32_t count = Big32(icc, kHeaderBytes);
  if (count > kMostTags || count > (icc.size() - kHeaderBytes - 4) / kTagEntryBytes) return std::nullopt;
  const size_t tableEnd = kHeaderBytes + 4 + size_t{count} * kTagEntryBytes;
  std::vector<Entry> entries;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kHeaderBytes + 4 + i * kTagEntryBytes;
    const IccTag tag{Big32(icc, at + 4), Big32(icc, at + 8)};
    if (tag.offset < tableEnd || uint64_t{tag.offset} + tag.size > icc.size()) return std::nullopt;
    entries.push_back({icc.substr(at, 4), tag});
  }
  // A signature twice leaves open which one counts: the colour engines differ.
  std::vector<std::string> signatures;
  for (const Entry& entry : entries) signatures.push_back(entry.signature);
  std::sort(signatures.begin(), signatures.end());
  if (std::adjacent_find(signatures.begin(), signatures.end()) != signatures.end()) return std::nullopt;
  return IccTags(icc, std::move(entries));
}

IccTag IccTags::Find(const char (&signature)[5]) const {
  for (const Entry& entry : entries_)
    if (entry.signature.compare(0, 4, signature, 4) == 0) return entry.tag;
  return {};
}

bool IccTags::Says(size_t at, const char (&signature)[5]) const { return Is(*icc_, at, signature); }

std::optional<std::array<double, 3>> IccTags::Xyz(IccTag tag) const {
  if (tag.size < 20 || !Is(*icc_, tag.offset, "XYZ ")) return std::nullopt;
  return std::array<double, 3>{Fixed16(*icc_, tag.offset + 8), Fixed16(*icc_, tag.offset + 12),
                               Fixed16(*icc_, tag.offset + 16)};
}

std::optional<double> IccTags::CurveAt(IccTag tag, double x) const {
  if (tag.size < 12 || !IsFiniteNumber(x) || x < 0 || x > 1) return std::nullopt;
  if (Is(*icc_, tag.offset, "curv")) return TableCurveAt(tag, x);
  if (Is(*icc_, tag.offset, "para")) return ParametricCurveAt(tag, x);
  return std::nullopt;
}

std::optional<double> IccTags::TableCurveAt(IccTag tag, double x) const {
  const uint32_t n = Big32(*icc_, tag.offset + 8);
  if (tag.size < 12 + uint64_t{n} * 2) return std::nullopt;
  if (n == 0) return x;
  if (n == 1) {
    // One entry is an exponent in 8.8 fixed point.
    const double exponent = Big16(*icc_, tag.offset + 12) / 256.0;
    return exponent > 0 ? CheckedPower(x, exponent) : std::nullopt;
  }
  const double at = x * (n - 1);
  const uint32_t i = std::min<uint32_t>(n - 2, static_cast<uint32_t>(at));
  const double a = Big16(*icc_, tag.offset + 12 + i * 2), b = Big16(*icc_, tag.offset + 14 + i * 2);
  return (a + (b - a) * (at - i)) / 65535.0;
}

// The five parametric forms: y = (a x + b)^g from a start on (plus an offset
// e or f), below it 0, c, c x or c x + f.
std::optional<double> IccTags::ParametricCurveAt(IccTag tag, double x) const {
  static const int kParameters[] = {1, 3, 4, 5, 7};
  const uint16_t type = Big16(*icc_, tag.offset + 8);
  if (type > 4 || tag.size < 12 + 4u * kParameters[type]) return std::nullopt;
  double p[7] = {0, 1, 0, 0, 0, 0, 0};
  for (int i = 0; i < kParameters[type]; ++i) p[i] = Fixed16(*icc_, tag.offset + 12 + 4 * i);
  const double g = p[0], a = p[1], b = p[2], c = p[3], d = p[4], e = p[5], f = p[6];
  if (!(g > 0)) return std::nullopt;
  // A negative a x + b counts as 0, as the colour engines read it.
  const auto power = [&](double offset) -> std::optional<double> {
    const std::optional<double> y = CheckedPower(std::max(a * x + b, 0.0), g);
    return y ? std::optional<double>(*y + offset) : std::nullopt;
  };
  switch (type) {
    case 0: return CheckedPower(x, g);
    case 1:
    case 2: {
      // The curve starts where a x + b reaches 0, nowhere when a is 0.
      const std::optional<double> start = CheckedQuotient(-b, a);
      if (!start) return std::nullopt;
      const double below = type == 1 ? 0 : c;
      return x >= *start ? power(below) : below;
    }
    case 3: return x >= d ? power(0) : c * x;
    default: return x >= d ? power(e) : c * x + f;
  }
}

bool IccTags::MatrixTagsReadable() const {
  static const char kColours[4][5] = {"rXYZ", "gXYZ", "bXYZ", "wtpt"};
  static const char kCurves[4][5] = {"rTRC", "gTRC", "bTRC", "kTRC"};
  for (const auto& signature : kColours) {
    const IccTag tag = Find(signature);
    if (tag.size > 0 && !Xyz(tag)) return false;
  }
  for (const auto& signature : kCurves) {
    const IccTag tag = Find(signature);
    if (tag.size == 0) continue;
    for (int i = 0; i <= 16; ++i)
      if (!CurveAt(tag, i / 16.0)) return false;
  }
  return true;
}
