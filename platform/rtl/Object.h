// platform/rtl/Object.h — the root of objects that lists may hold and own.
#pragma once

class TObject {
 public:
  virtual ~TObject() = default;
};
