#include "platform/ui/Bitmap.h"

#include <QImage>

namespace kx::platform::ui {

TBitmap::TBitmap() : image_(std::make_unique<QImage>()) {}
TBitmap::TBitmap(const QImage& Image) : image_(std::make_unique<QImage>(Image)) {}
TBitmap::TBitmap(const TBitmap& Other) : image_(std::make_unique<QImage>(*Other.image_)) {}
TBitmap& TBitmap::operator=(const TBitmap& Other) {
  *image_ = *Other.image_;
  return *this;
}
TBitmap::~TBitmap() = default;

int32_t TBitmap::Width() const { return image_->width(); }
int32_t TBitmap::Height() const { return image_->height(); }
bool TBitmap::Empty() const { return image_->isNull() || image_->width() == 0 || image_->height() == 0; }

bool TBitmap::LoadFromBytes(std::string_view Bytes) {
  QImage loaded;
  if (!loaded.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), int(Bytes.size()))) return false;
  *image_ = loaded.convertToFormat(QImage::Format_RGB32);
  return true;
}

void TBitmap::Clear() { *image_ = QImage(); }

const QImage& TBitmap::Image() const { return *image_; }

}  // namespace kx::platform::ui
