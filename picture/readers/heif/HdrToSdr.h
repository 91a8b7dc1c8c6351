#pragma once
// HDR pictures (a PQ or HLG transfer) mapped to an SDR picture in sRGB, so that
// they show in their colours instead of dark, flat and tinted:
// - the signal becomes linear light through its transfer's own curve: PQ's
//   absolute one (10,000 cd/m² at full signal); HLG's inverse OETF followed by
//   its OOTF for a 1,000 cd/m² display, the OOTF's system gamma of 1.2 taken
//   per channel;
// - scaled so that HDR reference white (203 cd/m²) is SDR white;
// - BT.2020's (or P3's) primaries converted to BT.709's in linear light,
//   colours outside clipped;
// - highlights above 80 % of SDR white compressed by an extended Reinhard
//   curve on the largest channel, which keeps each colour's hue, reaching
//   white at 1,000 cd/m² (brighter light is clipped); what lies below, the
//   picture's SDR range, is kept as it is;
// - encoded with sRGB's curve to 8 bits.
// Every number is bounded before it is computed with: the tables are made from
// signals in 0..1, and the per-pixel steps only multiply and add bounded values.

#include <cstdint>
#include <vector>

#include "picture/readers/heif/HeifColour.h"

class HdrToSdr {
public:
  HdrToSdr(HeifTransfer transfer, int primaries);
  // Maps `width` pixels of red, green and blue signals (0..65535 each) to blue,
  // green and red bytes in sRGB.
  void MapRow(const uint16_t* rgb, int width, uint8_t* bgr) const;

private:
  // Linear light (1.0 = SDR white) of each signal, by its top 12 bits.
  std::vector<float> linear_;
  // sRGB bytes of linear light 0..1 in 4096 steps.
  std::vector<uint8_t> encoded_;
  float matrix_[9];
};
