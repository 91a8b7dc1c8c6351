#pragma once
// What a picture's stored numbers mean as colours: an ICC profile, embedded in
// the file or built from the primaries and gammas that a file states. A picture
// without one, or with one that says sRGB, is shown as stored: sRGB is what the
// screen and every untagged file are taken to be.

#include <memory>
#include <string>

// The colour model of a picture's stored numbers, which its profile must share.
enum class ColorModel { Rgb, Cmyk, Gray };

// The colours of red, green and blue at full strength (their CIE XYZ, white
// being their sum) and the exponent of each channel's tone curve.
struct CalibratedRgb {
  double red[3];
  double green[3];
  double blue[3];
  double gamma[3];
};

class ColorProfile {
public:
  // A profile from a file's bytes for a picture of the given model; none (the
  // picture is shown as stored) when the bytes are no sound ICC profile (see
  // IccTags: every count, offset and size, colorant and tone curve checked),
  // describe another model, or describe sRGB. Never raises but for memory.
  static std::shared_ptr<const ColorProfile> FromIcc(std::string bytes, ColorModel picture);
  // A profile built from stated primaries and gammas; none when they describe
  // no usable colours (a gamma outside 0.1 to 10, primaries in one line, any
  // number not finite or beyond a thousand) or sRGB's.
  static std::shared_ptr<const ColorProfile> FromCalibratedRgb(const CalibratedRgb& colours);
  // The same from CIE xy chromaticities of white and the primaries, as PNG states
  // them, with one gamma for all channels; none unless every x lies within 0..1
  // and every y above 0 and at most 1.
  static std::shared_ptr<const ColorProfile> FromChromaticities(const double white[2], const double red[2],
                                                                const double green[2], const double blue[2],
                                                                double gamma);

  const std::string& Bytes() const { return bytes_; }
  ColorModel Model() const { return model_; }

  explicit ColorProfile(std::string bytes, ColorModel model) : bytes_(std::move(bytes)), model_(model) {}

private:
  std::string bytes_;
  ColorModel model_;
};

// True when the ICC profile's colorants and tone curves are sRGB's, so that a
// conversion would change nothing worth its cost; false for any profile that
// cannot be read.
bool DescribesSrgb(const std::string& icc);
