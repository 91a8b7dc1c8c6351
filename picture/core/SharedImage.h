#pragma once
// The reference-counted base of the image records that graphics share: a bitmap's
// image and a JPEG image's data are held by every graphic copied from one another
// until one of them changes its pixels. Holders keep them through TSharedRef.

#include <atomic>
#include <cstdint>
#include <utility>

class TSharedImage {
public:
  TSharedImage() = default;
  TSharedImage(const TSharedImage&) = delete;
  TSharedImage& operator=(const TSharedImage&) = delete;

  int32_t RefCount() const { return refCount_.load(); }

protected:
  virtual ~TSharedImage() = default;
  // Frees the system objects the image holds; each kind of image defines it.
  virtual void FreeHandle() = 0;

private:
  // Only holders count themselves in and out.
  template <class Image>
  friend class TSharedRef;
  // One more holder. The count is atomic, so holders need no common lock.
  void Reference() { refCount_.fetch_add(1); }
  // One holder less; the last one frees what the image holds and destroys it.
  // The image must have been made with new.
  void Release() {
    if (refCount_.fetch_sub(1) > 1) return;
    FreeHandle();
    delete this;
  }

  std::atomic<int32_t> refCount_{0};
};

// One holder of a shared image: counts itself in on taking the image and out
// when it lets go, so that no path forgets either step.
template <class Image>
class TSharedRef {
public:
  TSharedRef() = default;
  // Holds `image`, a fresh one made with new or one that others hold already.
  explicit TSharedRef(Image* image) : image_(image) {
    if (image_ != nullptr) static_cast<TSharedImage*>(image_)->Reference();
  }
  TSharedRef(const TSharedRef& other) : TSharedRef(other.image_) {}
  TSharedRef(TSharedRef&& other) noexcept : image_(std::exchange(other.image_, nullptr)) {}
  ~TSharedRef() {
    if (image_ != nullptr) static_cast<TSharedImage*>(image_)->Release();
  }
  TSharedRef& operator=(TSharedRef other) noexcept {
    swap(other);
    return *this;
  }

  Image* get() const { return image_; }
  Image& operator*() const { return *image_; }
  Image* operator->() const { return image_; }
  explicit operator bool() const { return image_ != nullptr; }
  void swap(TSharedRef& other) noexcept { std::swap(image_, other.image_); }
  void reset() { TSharedRef().swap(*this); }

private:
  Image* image_ = nullptr;
};
