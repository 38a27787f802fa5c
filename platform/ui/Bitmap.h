// platform/ui/Bitmap.h — a picture held in memory: the platform's bitmap, as
// tab sheets, panels and image lists keep them. Copies share the pixels
// until one of them changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

class QImage;

namespace kx::platform::ui {

class TBitmap {
 public:
  TBitmap();
  explicit TBitmap(const QImage& Image);
  TBitmap(const TBitmap& Other);
  TBitmap& operator=(const TBitmap& Other);
  ~TBitmap();

  int32_t Width() const;
  int32_t Height() const;
  // No pixels (0 × 0).
  bool Empty() const;
  // Decodes a JPEG, PNG or BMP file's bytes; false (the bitmap unchanged)
  // when they are no such picture.
  bool LoadFromBytes(std::string_view Bytes);
  void Clear();

  const QImage& Image() const;

 private:
  std::unique_ptr<QImage> image_;
};

}  // namespace kx::platform::ui
