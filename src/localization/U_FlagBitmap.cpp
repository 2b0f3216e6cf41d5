#include "localization/U_FlagBitmap.h"

namespace vandrel {

namespace {

std::uint32_t U32(const std::string& b, size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
std::uint16_t U16(const std::string& b, size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}

constexpr size_t kFileHeaderSize = 14;

// The size of a BMP file image; false when the bytes are none.
bool MeasureImage(const std::string& bytes, int& width_out, int& height_out) {
  if (bytes.size() < kFileHeaderSize + 12 || bytes[0] != 'B' || bytes[1] != 'M') {
    return false;
  }
  const std::uint32_t pixel_offset = U32(bytes, 10);
  const std::uint32_t info_size = U32(bytes, kFileHeaderSize);
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t bits = 0;
  std::uint32_t compression = 0;
  if (info_size == 12) { // OS/2 core header
    width = U16(bytes, 18);
    height = U16(bytes, 20);
    bits = U16(bytes, 24);
  } else if (info_size >= 40 && info_size <= 124 && bytes.size() >= kFileHeaderSize + 40) {
    width = static_cast<std::int32_t>(U32(bytes, 18));
    height = static_cast<std::int32_t>(U32(bytes, 22));
    bits = U16(bytes, 28);
    compression = U32(bytes, 30);
  } else {
    return false;
  }
  if (height < 0) {
    height = -height; // top-down rows
  }
  const bool known_depth =
      bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  if (!known_depth || width <= 0 || height <= 0 || width > 0x8000 || height > 0x8000 ||
      kFileHeaderSize + info_size > bytes.size() || pixel_offset > bytes.size()) {
    return false;
  }
  // Uncompressed rows must all be there; the chooser draws from them.
  if (compression == 0 || compression == 3) {
    const std::int64_t stride = (width * bits + 31) / 32 * 4;
    if (std::int64_t{pixel_offset} + stride * height > static_cast<std::int64_t>(bytes.size())) {
      return false;
    }
  }
  width_out = static_cast<int>(width);
  height_out = static_cast<int>(height);
  return true;
}

} // namespace

bool IsFlagImage(const std::string& bytes) {
  int width = 0;
  int height = 0;
  return bytes.empty() || MeasureImage(bytes, width, height);
}

void TBitmap::LoadFromBytes(const std::string& bytes) {
  if (bytes.empty()) {
    Clear();
    return;
  }
  int width = 0;
  int height = 0;
  if (!MeasureImage(bytes, width, height)) {
    throw EInvalidGraphic("Bitmap image is not valid");
  }
  width_ = width;
  height_ = height;
  bytes_ = bytes;
}

void TBitmap::Clear() {
  bytes_.clear();
  width_ = 0;
  height_ = 0;
}

} // namespace vandrel
