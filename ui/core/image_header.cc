#include "ui/core/image_header.h"

#include <cstring>

namespace ui {

namespace {

uint32_t Big16(const unsigned char* p) { return (p[0] << 8) | p[1]; }
uint32_t Big32(const unsigned char* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
uint32_t Little16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t Little32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The first start-of-frame segment holds the size; markers before it are
// stepped over by their lengths.
bool ReadJpegSize(const unsigned char* data, size_t size, uint32_t* width, uint32_t* height) {
  size_t pos = 2;
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) return false;
    const unsigned char marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      pos += 2;
      continue;
    }
    const uint32_t length = Big16(data + pos + 2);
    if (length < 2) return false;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                       marker != 0xCC;
    if (frame) {
      if (pos + 9 > size) return false;
      *height = Big16(data + pos + 5);
      *width = Big16(data + pos + 7);
      return true;
    }
    pos += 2 + length;
  }
  return false;
}

}  // namespace

bool ReadImageSize(const unsigned char* data, size_t size, uint32_t* width, uint32_t* height) {
  if (size >= 24 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0 &&
      std::memcmp(data + 12, "IHDR", 4) == 0) {
    *width = Big32(data + 16);
    *height = Big32(data + 20);
    return true;
  }
  if (size >= 10 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0)) {
    *width = Little16(data + 6);
    *height = Little16(data + 8);
    return true;
  }
  if (size >= 26 && data[0] == 'B' && data[1] == 'M') {
    const uint32_t header = Little32(data + 14);
    if (header == 12) {
      *width = Little16(data + 18);
      *height = Little16(data + 20);
      return true;
    }
    if (header < 40) return false;
    const int32_t w = static_cast<int32_t>(Little32(data + 18));
    const int32_t h = static_cast<int32_t>(Little32(data + 22));
    // A negative height is a top-down picture.
    if (w < 0 || h == INT32_MIN) return false;
    *width = static_cast<uint32_t>(w);
    *height = static_cast<uint32_t>(h < 0 ? -h : h);
    return true;
  }
  if (size >= 4 && data[0] == 0xFF && data[1] == 0xD8) return ReadJpegSize(data, size, width, height);
  return false;
}

}  // namespace ui
