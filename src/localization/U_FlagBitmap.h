#pragma once
// TBitmap: the flag picture of a language, kept as the BMP file image that
// the language file carries. Drawing is the GUI's business; this only
// checks, keeps and hands back the bytes.

#include <cstdint>
#include <string>

#include "base/Exceptions.h"

namespace vandrel {

/// A BMP image that cannot be loaded.
class EInvalidGraphic : public Exception {
  using Exception::Exception;
};

/// True for no bytes (the empty picture) and for a BMP file image that
/// TBitmap::LoadFromBytes takes; copies nothing.
bool IsFlagImage(const std::string& bytes);

class TBitmap {
public:
  /// True for the empty picture.
  bool Empty() const { return bytes_.empty(); }
  /// Width and height in pixels; 0 for the empty picture.
  int Width() const { return width_; }
  int Height() const { return height_; }
  /// The BMP file image; empty for the empty picture.
  const std::string& Bytes() const { return bytes_; }

  /// Loads a BMP file image; no bytes give the empty picture. Raises
  /// EInvalidGraphic "Bitmap image is not valid" (and keeps the current
  /// picture) when the bytes are not a BMP image whose headers (and, for
  /// uncompressed images, every row of pixels) fit in them.
  void LoadFromBytes(const std::string& bytes);
  void Clear();

private:
  std::string bytes_;
  int width_ = 0;
  int height_ = 0;
};

} // namespace vandrel
