#include "ui/core/image.h"

#include <objidl.h>
#include <shlwapi.h>
// gdiplus.h wants min and max.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cwchar>

#include "ui/core/animation_set.h"
#include "ui/core/control.h"
#include "ui/core/global_resources.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/render_context.h"

namespace ui {

namespace gp = Gdiplus::DllExports;

namespace {

// {6AEDBD6D-3FB5-418A-83A6-7F45229DC872}
const GUID kFrameDimensionTime = {0x6aedbd6d, 0x3fb5, 0x418a,
                                  {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
constexpr PROPID kPropertyTagFrameDelay = 0x5100;

bool IsBlank(wchar_t c) { return c <= 32; }

// Four integers, each read after exactly one separator following the one
// before; numbers the text lacks are 0.
UiRect ReadFour(const std::wstring& value) {
  int32_t v[4] = {0, 0, 0, 0};
  const wchar_t* p = value.c_str();
  for (int i = 0; i < 4; ++i) {
    wchar_t* end = nullptr;
    v[i] = static_cast<int32_t>(std::wcstol(p, &end, 10));
    p = end;
    if (*p) ++p;
  }
  return UiRect{v[0], v[1], v[2], v[3]};
}

// True when a pixel of the 32-bit DIB is not opaque.
bool BitmapHasTransparentPixel(HBITMAP bitmap) {
  DIBSECTION dib = {};
  if (GetObjectW(bitmap, sizeof(dib), &dib) != sizeof(dib) || !dib.dsBm.bmBits ||
      dib.dsBm.bmBitsPixel != 32) {
    return false;
  }
  const uint32_t* pixels = static_cast<const uint32_t*>(dib.dsBm.bmBits);
  const size_t count = static_cast<size_t>(dib.dsBm.bmWidth) * std::abs(dib.dsBm.bmHeight);
  for (size_t i = 0; i < count; ++i) {
    if ((pixels[i] >> 24) != 0xFF) return true;
  }
  return false;
}

bool DecideAlpha(Gdiplus::GpBitmap* bitmap, const std::vector<HBITMAP>& frames) {
  Gdiplus::PixelFormat format = 0;
  if (gp::GdipGetImagePixelFormat(bitmap, &format) != Gdiplus::Ok) return false;
  bool alpha = (format & PixelFormatAlpha) != 0;
  if (format & PixelFormatIndexed) {
    alpha = false;
    INT size = 0;
    if (gp::GdipGetImagePaletteSize(bitmap, &size) == Gdiplus::Ok && size > 0) {
      std::vector<uint8_t> buffer(static_cast<size_t>(size));
      auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
      if (gp::GdipGetImagePalette(bitmap, palette, size) == Gdiplus::Ok) {
        alpha = (palette->Flags & Gdiplus::PaletteFlagsHasAlpha) != 0;
      }
    }
  }
  if (format == PixelFormat32bppARGB) {
    alpha = false;
    for (HBITMAP frame : frames) {
      if (BitmapHasTransparentPixel(frame)) {
        alpha = true;
        break;
      }
    }
  }
  return alpha;
}

}  // namespace

// ---- ImageAttribute ---------------------------------------------------------

void ImageAttribute::Parse(const std::wstring& text) {
  bool dest_scale = true;
  const size_t n = text.size();
  size_t pos = 0;
  while (true) {
    while (pos < n && IsBlank(text[pos])) ++pos;
    if (pos >= n) return;
    const size_t name_start = pos;
    while (pos < n && text[pos] != L'=' && !IsBlank(text[pos])) ++pos;
    const std::wstring name = text.substr(name_start, pos - name_start);
    while (pos < n && IsBlank(text[pos])) ++pos;
    if (pos >= n || text[pos] != L'=') return;
    ++pos;
    while (pos < n && IsBlank(text[pos])) ++pos;
    if (pos >= n || text[pos] != L'\'') return;
    const size_t close = text.find(L'\'', pos + 1);
    if (close == std::wstring::npos) return;
    const std::wstring value = text.substr(pos + 1, close - pos - 1);
    pos = close + 1;

    if (!value.empty()) {
      if (name == L"file" || name == L"res") {
        file = value;
      } else if (name == L"destscale") {
        dest_scale = value == L"true";
      } else if (name == L"dest") {
        dest = ReadFour(value);
        if (dest_scale) DpiScale::Instance()->ScaleRect(&dest);
      } else if (name == L"source") {
        source = ReadFour(value);
      } else if (name == L"corner") {
        corner = ReadFour(value);
      } else if (name == L"fade") {
        fade = static_cast<uint8_t>(std::wcstoul(value.c_str(), nullptr, 10) % 256);
      } else if (name == L"xtiled") {
        x_tiled = value == L"true";
      } else if (name == L"ytiled") {
        y_tiled = value == L"true";
      } else if (name == L"playcount") {
        play_count = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
      }
    }
    // Pairs are separated by blanks that start right after the quote.
    if (pos < n && !IsBlank(text[pos])) return;
  }
}

// ---- ImageInfo --------------------------------------------------------------

ImageInfo::~ImageInfo() {
  for (HBITMAP bitmap : frame_bitmaps_) DeleteObject(bitmap);
  if (decoded_) gp::GdipDisposeImage(decoded_);
}

std::unique_ptr<ImageInfo> ImageInfo::FromBitmap(Gdiplus::GpBitmap* bitmap,
                                                 const std::wstring& key) {
  if (!bitmap) return nullptr;
  auto info = std::make_unique<ImageInfo>();
  info->decoded_ = bitmap;  // released with the record on every road

  UINT frames = 1;
  UINT dimensions = 0;
  if (gp::GdipImageGetFrameDimensionsCount(bitmap, &dimensions) == Gdiplus::Ok &&
      dimensions > 0) {
    std::vector<GUID> ids(dimensions);
    if (gp::GdipImageGetFrameDimensionsList(bitmap, ids.data(), dimensions) == Gdiplus::Ok) {
      UINT count = 0;
      if (gp::GdipImageGetFrameCount(bitmap, &ids[0], &count) == Gdiplus::Ok && count > 0) {
        frames = count;
      }
    }
  }

  if (frames >= 2) {
    UINT size = 0;
    if (gp::GdipGetPropertyItemSize(bitmap, kPropertyTagFrameDelay, &size) != Gdiplus::Ok ||
        size < sizeof(Gdiplus::PropertyItem)) {
      return nullptr;
    }
    std::vector<uint8_t> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (gp::GdipGetPropertyItem(bitmap, kPropertyTagFrameDelay, size, item) != Gdiplus::Ok) {
      return nullptr;
    }
    const size_t values = item->value ? item->length / sizeof(int32_t) : 0;
    const auto* delays = static_cast<const int32_t*>(item->value);
    for (UINT i = 0; i < frames; ++i) {
      info->frame_delays.push_back(i < values ? delays[i] : 0);
    }
  }

  for (UINT i = 0; i < frames; ++i) {
    if (frames >= 2 &&
        gp::GdipImageSelectActiveFrame(bitmap, &kFrameDimensionTime, i) != Gdiplus::Ok) {
      return nullptr;
    }
    HBITMAP frame = nullptr;
    if (gp::GdipCreateHBITMAPFromBitmap(bitmap, &frame, 0xFF000000) != Gdiplus::Ok || !frame) {
      return nullptr;
    }
    info->frame_bitmaps_.push_back(frame);
  }
  if (frames >= 2) gp::GdipImageSelectActiveFrame(bitmap, &kFrameDimensionTime, 0);

  UINT width = 0, height = 0;
  gp::GdipGetImageWidth(bitmap, &width);
  gp::GdipGetImageHeight(bitmap, &height);
  info->width = static_cast<int32_t>(width);
  info->height = static_cast<int32_t>(height);
  info->key = key;
  info->alpha = DecideAlpha(bitmap, info->frame_bitmaps_);
  return info;
}

HBITMAP ImageInfo::GetFrameBitmap(int32_t index) const {
  if (frame_bitmaps_.empty()) return nullptr;
  const int32_t last = FrameCount() - 1;
  return frame_bitmaps_[static_cast<size_t>(std::clamp(index, 0, last))];
}

int32_t ImageInfo::GetFrameDelayMs(int32_t index) const {
  if (frame_delays.empty()) return 0;
  const int32_t last = static_cast<int32_t>(frame_delays.size()) - 1;
  return frame_delays[static_cast<size_t>(std::clamp(index, 0, last))] * 10;
}

// ---- Image ------------------------------------------------------------------

void Image::Unload() {
  info_.reset();
  current_frame_ = 0;
  playing_ = false;
  plays_done_ = 0;
}

void Image::SetImageString(const std::wstring& text) {
  Unload();
  attr_.Reset();
  attr_.image_string = text;
  attr_.file = text;
  attr_.Parse(text);
}

bool Image::AdvanceFrame() {
  if (current_frame_ + 1 >= GetFrameCount()) return false;
  ++current_frame_;
  return true;
}

void Image::SetCurrentFrame(int frame) {
  current_frame_ = std::clamp(frame, 0, std::max(0, GetFrameCount() - 1));
}

bool DrawImageInRect(IRenderContext* render, const UiRect& rect, Image* image, uint8_t fade) {
  if (!image->HasFile()) return false;
  if (!image->IsLoaded()) {
    std::wstring path = image->GetAttribute().file;
    if (PathIsRelativeW(path.c_str())) path = GlobalResources::Instance().GetResourceRoot() + path;
    std::shared_ptr<ImageInfo> info = GlobalResources::Instance().GetImage(path);
    if (!info) {
      image->Unload();
      return false;
    }
    image->SetInfo(std::move(info));
  }
  const ImageInfo& info = *image->GetInfo();
  const ImageAttribute& attr = image->GetAttribute();
  UiRect dest = rect;
  if (attr.dest.left != -1 && attr.dest.top != -1 && attr.dest.right != -1 &&
      attr.dest.bottom != -1) {
    dest = UiRect{rect.left + attr.dest.left, rect.top + attr.dest.top,
                  rect.left + attr.dest.right, rect.top + attr.dest.bottom};
  }
  UiRect source{0, 0, info.width, info.height};
  if (attr.source.left != -1 && attr.source.top != -1 && attr.source.right != -1 &&
      attr.source.bottom != -1) {
    source = UiRect{std::clamp(attr.source.left, 0, info.width),
                    std::clamp(attr.source.top, 0, info.height),
                    std::clamp(attr.source.right, 0, info.width),
                    std::clamp(attr.source.bottom, 0, info.height)};
  }
  const uint8_t total = static_cast<uint8_t>(attr.fade * fade / 255);
  render->DrawImage(rect, image->GetCurrentBitmap(), info.alpha, dest, source, attr.corner, total,
                    attr.x_tiled, attr.y_tiled);
  return true;
}

// ---- StateImageMap ----------------------------------------------------------

StateImageMap::StateImageMap(Control* owner) { SetOwner(owner); }

void StateImageMap::SetOwner(Control* owner) {
  owner_ = owner;
  for (int kind = kStateImageBk; kind <= kStateImageSelectedFore; ++kind) images_[kind];
}

void StateImageMap::SetImage(int kind, int state, const std::wstring& text) {
  images_[kind][state].SetImageString(text);
}

std::wstring StateImageMap::GetImageString(int kind, int state) const {
  auto k = images_.find(kind);
  if (k == images_.end()) return std::wstring();
  auto s = k->second.find(state);
  return s == k->second.end() ? std::wstring() : s->second.GetImageString();
}

bool StateImageMap::HasHotImage() const {
  for (const auto& kind : images_) {
    auto it = kind.second.find(kControlStateHot);
    if (it != kind.second.end() && !it->second.GetImageString().empty()) return true;
  }
  return false;
}

Image* StateImageMap::GetImage(int kind, int state) {
  auto k = images_.find(kind);
  if (k == images_.end()) return nullptr;
  auto s = k->second.find(state);
  return s == k->second.end() ? nullptr : &s->second;
}

Image* StateImageMap::GetEstimateImage(int kind) {
  for (int state = kControlStateNormal; state <= kControlStateDisabled; ++state) {
    Image* image = GetImage(kind, state);
    if (image && image->HasFile()) return image;
  }
  return nullptr;
}

void StateImageMap::ClearCache(int kind) {
  auto k = images_.find(kind);
  if (k == images_.end()) return;
  for (auto& state : k->second) state.second.Unload();
}

bool StateImageMap::Draw(IRenderContext* render, Image* image, uint8_t fade) {
  return DrawImageInRect(render, owner_->GetPos(), image, fade);
}

bool StateImageMap::Paint(int kind, IRenderContext* render, int state,
                          const std::wstring& /*modifier*/) {
  // Slots are made on first use so that every state can be picked below.
  auto& slots = images_[kind];
  Image& normal = slots[kControlStateNormal];
  Image& hot = slots[kControlStateHot];
  const bool fade_hot = owner_->GetAnimationSet().GetPlayer(kAnimationHot) != nullptr;
  if (fade_hot && (state == kControlStateNormal || state == kControlStateHot)) {
    const int h = owner_->GetHotAlpha();
    const ImageAttribute& n = normal.GetAttribute();
    const ImageAttribute& t = hot.GetAttribute();
    if (!n.file.empty() && n.file == t.file && n.source == t.source) {
      // One picture for both states: blend the two fades instead of drawing
      // the picture twice.
      const int blended = ((255 - h) * n.fade + h * t.fade) / 255;
      ImageAttribute saved = t;
      hot.GetMutableAttribute().fade = static_cast<uint8_t>(blended);
      const bool result = Draw(render, &hot, 255);
      hot.GetMutableAttribute().fade = saved.fade;
      return result;
    }
    bool result = Draw(render, &normal, 255);
    if (hot.HasFile()) result = Draw(render, &hot, static_cast<uint8_t>(h));
    return result;
  }

  int pick = state;
  if (pick == kControlStatePushed && slots[kControlStatePushed].GetImageString().empty()) {
    pick = kControlStateHot;
    hot.GetMutableAttribute().fade = 255;
  }
  if (pick == kControlStateHot && hot.GetImageString().empty()) pick = kControlStateNormal;
  if (pick == kControlStateDisabled && slots[kControlStateDisabled].GetImageString().empty()) {
    pick = kControlStateNormal;
  }
  return Draw(render, &slots[pick], 255);
}

}  // namespace ui
