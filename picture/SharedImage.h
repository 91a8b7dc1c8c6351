#pragma once
// The reference-counted base of the image records that graphics share: a bitmap's
// image and a JPEG image's data are held by every graphic copied from one another
// until one of them changes its pixels.

#include <cstdint>

class TSharedImage {
public:
  TSharedImage() = default;
  TSharedImage(const TSharedImage&) = delete;
  TSharedImage& operator=(const TSharedImage&) = delete;

  int32_t RefCount() const { return refCount_; }
  // One more holder.
  void Reference() { ++refCount_; }
  // One holder less; the last one frees what the image holds and destroys it.
  // The image must have been made with new.
  void Release() {
    if (--refCount_ > 0) return;
    FreeHandle();
    delete this;
  }

protected:
  virtual ~TSharedImage() = default;
  // Frees the system objects the image holds; each kind of image defines it.
  virtual void FreeHandle() = 0;

private:
  int32_t refCount_ = 0;
};

// Releases a reference; none is allowed and does nothing.
inline void ReleaseImage(TSharedImage* image) {
  if (image != nullptr) image->Release();
}
