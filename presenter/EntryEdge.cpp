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

ParkingPlace StartPlaceFor(EntryEdge edge, int width, int height, int screenWidth, int screenHeight) {
  const int centredLeft = (screenWidth - width) / 2;
  const int centredTop = (screenHeight - height) / 2;
  switch (edge) {
    case kLeftEdge: return {-width - 20, centredTop};
    case kRightEdge: return {width + kOutside, centredTop};
    case kTopEdge: return {centredLeft, -height - 20};
    case kBottomEdge: return {centredLeft, height + kOutside};
  }
  return {centredLeft, centredTop};
}

bool StepTowardsCentre(EntryEdge edge, ParkingPlace& place, int width, int height, int screenWidth,
                       int screenHeight) {
  constexpr int kStep = 32;
  const int centreLeft = (screenWidth - width) / 2;
  const int centreTop = (screenHeight - height) / 2;
  switch (edge) {
    case kLeftEdge:
      if (place.left >= centreLeft) return false;
      place.left += kStep;
      return true;
    case kRightEdge:
      if (place.left <= centreLeft) return false;
      place.left -= kStep;
      return true;
    case kTopEdge:
      if (place.top >= centreTop) return false;
      place.top += kStep;
      return true;
    case kBottomEdge:
      if (place.top <= centreTop) return false;
      place.top -= kStep;
      return true;
  }
  return false;
}
