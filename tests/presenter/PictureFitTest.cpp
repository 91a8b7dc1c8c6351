// Sizing the window to a picture, fitting the picture and the way in from the edge.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "presenter/EntryEdge.h"
#include "presenter/PictureFit.h"

namespace {

void ExpectBounds(const PictureBounds& b, int left, int top, int width, int height) {
  EXPECT_EQ(left, b.left);
  EXPECT_EQ(top, b.top);
  EXPECT_EQ(width, b.width);
  EXPECT_EQ(height, b.height);
}

}  // namespace

TEST(PictureFit, TheShorterSideDecidesTheSquare) {
  const ClientSize designed{600, 600};
  // Landscape under 600 high: a square of the width.
  EXPECT_EQ(400, ClientSizeForPicture(400, 300, designed).width);
  EXPECT_EQ(400, ClientSizeForPicture(400, 300, designed).height);
  // Portrait under 600 wide: a square of the height, larger than designed.
  EXPECT_EQ(800, ClientSizeForPicture(300, 800, designed).width);
  EXPECT_EQ(800, ClientSizeForPicture(300, 800, designed).height);
  // A shorter side of 600 or more leaves the client area as it is.
  EXPECT_EQ(600, ClientSizeForPicture(800, 600, designed).height);
  EXPECT_EQ(600, ClientSizeForPicture(600, 600, designed).width);
  EXPECT_EQ(577, ClientSizeForPicture(6000, 4000, {577, 601}).width);
  // A square under 600 takes the portrait rule.
  EXPECT_EQ(50, ClientSizeForPicture(50, 50, designed).height);
}

TEST(PictureFit, ThePictureIsTenPixelsShortInItsFittedDirectionAndCentred) {
  ExpectBounds(FitPicture(400, 300, {400, 400}), 5, 50, 390, 300);
  ExpectBounds(FitPicture(800, 600, {600, 600}), 5, 75, 590, 450);
  ExpectBounds(FitPicture(300, 800, {800, 800}), 250, 5, 300, 790);
  ExpectBounds(FitPicture(600, 600, {600, 600}), 0, 5, 600, 590);
  // The factor is truncated before it scales the other side.
  ExpectBounds(FitPicture(6000, 4000, {600, 600}), 5, 100, 590, 400);
  ExpectBounds(FitPicture(7, 3000, {600, 600}), 299, 5, 1, 590);
  // A window limited by the screen fits into what it got.
  ExpectBounds(FitPicture(300, 2000, {1100, 1000}), 475, 5, 150, 990);
}

TEST(PictureFit, LargeClientAreasDoNotOverflow) {
  // 30000 x 100000 is beyond 32 bits.
  ExpectBounds(FitPicture(40000, 20000, {30000, 30000}), 5, 7500, 29990, 15000);
  ExpectBounds(FitPicture(20000, 40000, {30000, 30000}), 7500, 5, 15000, 29990);
}

TEST(EntryEdge, TheStartIsMeasuredFromTheWindowsOwnSize) {
  const ParkingPlace left = StartPlaceFor(kLeftEdge, 606, 629, 1920, 1080);
  EXPECT_EQ(-626, left.left);
  EXPECT_EQ(225, left.top);
  const ParkingPlace right = StartPlaceFor(kRightEdge, 606, 629, 1920, 1080);
  EXPECT_EQ(1226, right.left) << "inside a screen wider than the window plus 620";
  const ParkingPlace top = StartPlaceFor(kTopEdge, 606, 629, 1920, 1080);
  EXPECT_EQ(657, top.left);
  EXPECT_EQ(-649, top.top);
  const ParkingPlace bottom = StartPlaceFor(kBottomEdge, 606, 629, 1920, 1080);
  EXPECT_EQ(1249, bottom.top);
}

TEST(EntryEdge, StepsOf32UntilTheCentreIsReachedOrPassed) {
  struct Case {
    EntryEdge edge;
    int width, height;
  };
  for (const Case c : {Case{kLeftEdge, 606, 629}, Case{kRightEdge, 606, 629}, Case{kTopEdge, 606, 629},
                       Case{kBottomEdge, 606, 629}, Case{kRightEdge, 1406, 629}}) {
    ParkingPlace place = StartPlaceFor(c.edge, c.width, c.height, 1920, 1080);
    const ParkingPlace start = place;
    const int centreLeft = (1920 - c.width) / 2, centreTop = (1080 - c.height) / 2;
    std::vector<ParkingPlace> path;
    while (StepTowardsCentre(c.edge, place, c.width, c.height, 1920, 1080)) {
      path.push_back(place);
      ASSERT_LT(path.size(), 1000u);
    }
    const bool horizontal = c.edge == kLeftEdge || c.edge == kRightEdge;
    for (size_t i = 0; i < path.size(); ++i) {
      const ParkingPlace& before = i == 0 ? start : path[i - 1];
      EXPECT_EQ(32, horizontal ? std::abs(path[i].left - before.left) : std::abs(path[i].top - before.top));
      EXPECT_EQ(horizontal ? before.top : before.left, horizontal ? path[i].top : path[i].left);
    }
    // Arrived: at most 31 pixels past the centre, and the last step did not stop short.
    const int overshoot = c.edge == kLeftEdge    ? place.left - centreLeft
                          : c.edge == kRightEdge ? centreLeft - place.left
                          : c.edge == kTopEdge   ? place.top - centreTop
                                                 : centreTop - place.top;
    EXPECT_GE(overshoot, 0) << c.edge;
    EXPECT_LT(overshoot, 32) << c.edge;
  }
  // A window already past its centre does not move at all.
  ParkingPlace past{100, 0};
  EXPECT_FALSE(StepTowardsCentre(kRightEdge, past, 1406, 629, 1920, 1080));
  EXPECT_EQ(100, past.left);
}
