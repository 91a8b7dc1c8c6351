#pragma once
// An ICC profile's header and tag table, read with every count, offset and size
// checked against the profile's bytes, and the tags the program reads itself
// (colorants and tone curves), read with every number checked. A profile that
// fails a check is shown as stored: no damage reaches a computation.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Where a tag's data lies; size 0 when the profile lacks the tag.
struct IccTag {
  size_t offset = 0;
  size_t size = 0;
};

class IccTags {
public:
  // The tags of a profile whose header and table hold together: the size it
  // states is its size; a known class and connection space; at most 256 tags,
  // each signature once, each lying after the table and inside the bytes. None
  // otherwise. The tags borrow `icc`, which must outlive them.
  static std::optional<IccTags> Read(const std::string& icc);

  IccTag Find(const char (&signature)[5]) const;
  // An XYZ tag's colour; none when the tag is missing or no XYZ tag.
  std::optional<std::array<double, 3>> Xyz(IccTag tag) const;
  // A tone curve ('curv' or 'para') at x in 0..1; none when the tag is missing,
  // of another type, shorter than its count says, or its parameters give no
  // finite number there (an exponent of 0 or less, a start at -b/a with a = 0).
  std::optional<double> CurveAt(IccTag tag, double x) const;
  // Every colorant, white and tone curve tag present can be read, at every
  // sixteenth of the curves' range.
  bool MatrixTagsReadable() const;
  // The four characters at a header position, such as the colour space at 16.
  bool Says(size_t at, const char (&signature)[5]) const;

private:
  struct Entry {
    std::string signature;
    IccTag tag;
  };
  IccTags(const std::string& icc, std::vector<Entry> entries) : icc_(&icc), entries_(std::move(entries)) {}
  std::optional<double> TableCurveAt(IccTag tag, double x) const;
  std::optional<double> ParametricCurveAt(IccTag tag, double x) const;

  const std::string* icc_;
  std::vector<Entry> entries_;
};
