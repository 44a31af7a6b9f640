#include "ui/render/pixel_ops.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ui {
namespace {

// Where each destination column (or row) samples: the two source indexes and
// the weight of the second in 1/65536.
struct Tap {
  int32_t first;
  int32_t second;
  uint32_t weight;
};

std::vector<Tap> TapsOf(int32_t source_size, int32_t dest_size, int32_t reach) {
  std::vector<Tap> taps(static_cast<size_t>(dest_size));
  const int64_t last = source_size - 1 + std::max(reach, 0);
  for (int32_t i = 0; i < dest_size; ++i) {
    // Position in 1/65536 of a source pixel, exact in 64-bit integers.
    const int64_t at = (static_cast<int64_t>(i) * source_size << 16) / dest_size;
    const int64_t whole = at >> 16;
    taps[static_cast<size_t>(i)] = Tap{static_cast<int32_t>(std::min(whole, last)),
                                       static_cast<int32_t>(std::min(whole + 1, last)),
                                       static_cast<uint32_t>(at & 0xFFFF)};
  }
  return taps;
}

// a + (b - a) * w per channel, w in 1/65536, two channels at a time.
inline uint32_t Mix(uint32_t a, uint32_t b, uint32_t w) {
  if (w == 0 || a == b) return a;
  const uint32_t w8 = w >> 8;  // 0..255
  const uint32_t iw8 = 256 - w8;
  const uint32_t rb = (((a & 0x00FF00FFu) * iw8 + (b & 0x00FF00FFu) * w8) >> 8) & 0x00FF00FFu;
  const uint32_t ag = ((((a >> 8) & 0x00FF00FFu) * iw8 + ((b >> 8) & 0x00FF00FFu) * w8)) &
                      0xFF00FF00u;
  return rb | ag;
}

// c * f / 255 for each of the four channels, rounded.
inline uint32_t Scale(uint32_t c, uint32_t f) {
  uint32_t rb = (c & 0x00FF00FFu) * f + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((c >> 8) & 0x00FF00FFu) * f + 0x00800080u;
  ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
  return rb | ag;
}

// Source-over of one premultiplied pixel.
inline uint32_t Over(uint32_t source, uint32_t dest) {
  const uint32_t a = source >> 24;
  if (a == 255) return source;
  if (a == 0) return dest;  // premultiplied: nothing to add
  return source + Scale(dest, 255 - a);
}

}  // namespace

void ScaleBilinear(const ConstPixelBlock& source, const PixelBlock& dest, int32_t reach_x,
                   int32_t reach_y) {
  if (source.width <= 0 || source.height <= 0 || dest.width <= 0 || dest.height <= 0) return;
  const std::vector<Tap> columns = TapsOf(source.width, dest.width, reach_x);
  const std::vector<Tap> rows = TapsOf(source.height, dest.height, reach_y);
  // One horizontally scaled source row at a time, each made once.
  std::vector<uint32_t> upper(static_cast<size_t>(dest.width));
  std::vector<uint32_t> lower(static_cast<size_t>(dest.width));
  int32_t upper_row = -1, lower_row = -1;
  auto scale_row = [&](int32_t row, std::vector<uint32_t>& out) {
    const uint32_t* in = source.pixels + row * source.stride;
    for (int32_t x = 0; x < dest.width; ++x) {
      const Tap& t = columns[static_cast<size_t>(x)];
      out[static_cast<size_t>(x)] = Mix(in[t.first], in[t.second], t.weight);
    }
  };
  for (int32_t y = 0; y < dest.height; ++y) {
    const Tap& t = rows[static_cast<size_t>(y)];
    if (t.first == lower_row) {
      std::swap(upper, lower);
      std::swap(upper_row, lower_row);
    }
    if (t.first != upper_row) {
      scale_row(t.first, upper);
      upper_row = t.first;
    }
    uint32_t* out = dest.pixels + y * dest.stride;
    const uint32_t w = t.second == t.first ? 0 : t.weight;
    if (w == 0) {
      std::memcpy(out, upper.data(), static_cast<size_t>(dest.width) * 4);
      continue;
    }
    if (t.second != lower_row) {
      scale_row(t.second, lower);
      lower_row = t.second;
    }
    for (int32_t x = 0; x < dest.width; ++x)
      out[x] = Mix(upper[static_cast<size_t>(x)], lower[static_cast<size_t>(x)], w);
  }
}

void CopyPixels(const ConstPixelBlock& source, const PixelBlock& dest) {
  const int32_t width = std::min(source.width, dest.width);
  const int32_t height = std::min(source.height, dest.height);
  if (width <= 0) return;
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(dest.pixels + y * dest.stride, source.pixels + y * source.stride,
                static_cast<size_t>(width) * 4);
  }
}

void BlendPixels(const ConstPixelBlock& source, const PixelBlock& dest, uint8_t fade) {
  const int32_t width = std::min(source.width, dest.width);
  const int32_t height = std::min(source.height, dest.height);
  if (width <= 0 || fade == 0) return;
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* in = source.pixels + y * source.stride;
    uint32_t* out = dest.pixels + y * dest.stride;
    if (fade == 255) {
      for (int32_t x = 0; x < width; ++x) out[x] = Over(in[x], out[x]);
    } else {
      for (int32_t x = 0; x < width; ++x) out[x] = Over(Scale(in[x], fade), out[x]);
    }
  }
}

void BlendColor(uint32_t color, const PixelBlock& dest) {
  if (dest.width <= 0 || (color >> 24) == 0) return;
  for (int32_t y = 0; y < dest.height; ++y) {
    uint32_t* out = dest.pixels + y * dest.stride;
    if ((color >> 24) == 255) {
      std::fill(out, out + dest.width, color);
    } else {
      for (int32_t x = 0; x < dest.width; ++x) out[x] = Over(color, out[x]);
    }
  }
}

}  // namespace ui
