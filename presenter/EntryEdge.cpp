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
  const bool horizontal = edge == kLeftEdge || edge == kRightEdge;
  int& position = horizontal ? place.left : place.top;
  const int centre = horizontal ? (screenWidth - width) / 2 : (screenHeight - height) / 2;
  // Left and top edges move forwards, right and bottom backwards.
  const int direction = edge == kLeftEdge || edge == kTopEdge ? 1 : -1;
  if ((centre - position) * direction <= 0) return false;
  position += kStep * direction;
  return true;
}

ParkingPlace OutOfSight() { return {-32000, -32000}; }
