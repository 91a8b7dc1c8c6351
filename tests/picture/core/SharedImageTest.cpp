// Holders of a shared image: each counts itself in and out, and the last one
// frees the image.
#include <gtest/gtest.h>

#include <utility>

#include "picture/core/SharedImage.h"

namespace {

// An image that tells when it frees what it holds and when it is destroyed.
class CountedImage : public TSharedImage {
public:
  CountedImage(int& freed, int& destroyed) : freed_(freed), destroyed_(destroyed) {}

protected:
  ~CountedImage() override { ++destroyed_; }
  void FreeHandle() override { ++freed_; }

private:
  int& freed_;
  int& destroyed_;
};

}  // namespace

TEST(SharedImageTest, CopiesCountInMovesHandOverAndTheLastHolderFreesTheImage) {
  int freed = 0, destroyed = 0;
  TSharedRef<CountedImage> first(new CountedImage(freed, destroyed));
  EXPECT_EQ(1, first->RefCount());
  {
    TSharedRef<CountedImage> copy = first;
    EXPECT_EQ(2, first->RefCount());
    TSharedRef<CountedImage> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(first.get(), moved.get());
    EXPECT_EQ(2, first->RefCount());
  }
  EXPECT_EQ(1, first->RefCount());
  EXPECT_EQ(0, freed);
  first.reset();
  EXPECT_FALSE(first);
  EXPECT_EQ(1, freed);
  EXPECT_EQ(1, destroyed);
}

TEST(SharedImageTest, AssigningLetsGoOfTheOldImageAndSelfAssignmentKeepsTheCount) {
  int freedA = 0, destroyedA = 0, freedB = 0, destroyedB = 0;
  TSharedRef<CountedImage> a(new CountedImage(freedA, destroyedA));
  TSharedRef<CountedImage> b(new CountedImage(freedB, destroyedB));
  a = b;
  EXPECT_EQ(1, freedA);
  EXPECT_EQ(1, destroyedA);
  EXPECT_EQ(2, b->RefCount());
  auto& alias = a;
  a = alias;
  EXPECT_EQ(2, b->RefCount());
  a.swap(b);
  EXPECT_EQ(a.get(), b.get());
  a.reset();
  EXPECT_EQ(0, freedB);
  b.reset();
  EXPECT_EQ(1, freedB);
  EXPECT_EQ(1, destroyedB);
}
