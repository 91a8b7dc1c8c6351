#include "presenter/EntryEdge.h"

namespace {
// The designed client size and the distance kept outside the screen.
constexpr int kDesignedSize = 600;
constexpr int kOutside = 620;
}  // namespace

EntryEdge EntryEdgeForMinute(int minute) {
  if (minute >= 8 && minute <= 22) return kRightEdge;
  if (minute >= 23 && minute <= 37) return kBottomEdge;
  if (minute >= 38 && minute <= 52) return kLeftEdge;
  return kTopEdge;  // 53 to 59 and 0 to 7
}

ParkingPlace ParkingPlaceFor(EntryEdge edge, int screenWidth, int screenHeight) {
  const int centredLeft = (screenWidth - kDesignedSize) / 2;
  const int centredTop = (screenHeight - kDesignedSize) / 2;
  switch (edge) {
    case kLeftEdge: return {-kOutside, centredTop};
    case kRightEdge: return {screenWidth + kOutside, centredTop};
    case kTopEdge: return {centredLeft, -kOutside};
    case kBottomEdge: return {centredLeft, screenHeight + kOutside};
  }
  return {centredLeft, centredTop};
}
