// Images of the skin: the image text and its parsed form (ImageAttribute),
// the decoded picture shared by every user of one file (ImageInfo, handed out
// by the global resources' weak cache), a control's image slot (Image) and
// its per-state image sets (StateImageMap).
//
// UI thread only. An ImageInfo lives while any Image holds it; its cache
// entry is removed when the last holder lets go.
#ifndef UI_CORE_IMAGE_H_
#define UI_CORE_IMAGE_H_

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/util/geometry.h"

namespace Gdiplus {
class GpBitmap;
}  // namespace Gdiplus

namespace ui {

class Control;
class IRenderContext;

struct ImageAttribute {
  std::wstring image_string;
  std::wstring file;
  UiRect dest = {-1, -1, -1, -1};    // -1: the whole control
  UiRect source = {-1, -1, -1, -1};  // -1: the whole picture
  UiRect corner = {0, 0, 0, 0};
  uint8_t fade = 255;
  bool x_tiled = false;
  bool y_tiled = false;
  int play_count = -1;  // -1: for ever, 0: not played, n: n times

  // Text and file emptied, every other field back to its default.
  void Reset() { *this = ImageAttribute(); }
  // Applies the name='value' pairs of the text; fields it does not name keep
  // their values. Stops quietly at the first malformed pair.
  void Parse(const std::wstring& text);
  bool HasFullDest() const {
    return dest.left != -1 && dest.top != -1 && dest.right != -1 && dest.bottom != -1;
  }
};

// A decoded picture. Frame bitmaps are 32-bit premultiplied DIBs, one per
// frame; the decoded GDI+ bitmap is kept once.
class ImageInfo {
 public:
  ImageInfo() = default;
  ImageInfo(const ImageInfo&) = delete;
  ImageInfo& operator=(const ImageInfo&) = delete;
  ~ImageInfo();

  // Null when the bitmap is not whole or a frame cannot be made. Takes the
  // bitmap in every case.
  static std::unique_ptr<ImageInfo> FromBitmap(Gdiplus::GpBitmap* bitmap, const std::wstring& key);

  int32_t width = 0;
  int32_t height = 0;
  std::wstring key;
  bool alpha = false;
  bool cached = false;
  // Hundredths of a second per frame; empty for a single frame.
  std::vector<int32_t> frame_delays;

  int32_t FrameCount() const { return static_cast<int32_t>(frame_bitmaps_.size()); }
  // The bitmap of a frame; an index past the last gives the last frame.
  HBITMAP GetFrameBitmap(int32_t index) const;
  // Delay of a frame in milliseconds (the picture's value, clamped like the
  // bitmaps); 0 for a single frame.
  int32_t GetFrameDelayMs(int32_t index) const;
  Gdiplus::GpBitmap* GetDecodedBitmap() const { return decoded_; }

 private:
  std::vector<HBITMAP> frame_bitmaps_;
  Gdiplus::GpBitmap* decoded_ = nullptr;
};

class Image {
 public:
  void Reset() { *this = Image(); }
  // Drops the picture; frame, playing flag and plays done back to 0.
  void Unload();
  void SetImageString(const std::wstring& text);
  const std::wstring& GetImageString() const { return attr_.image_string; }
  const ImageAttribute& GetAttribute() const { return attr_; }
  ImageAttribute& GetMutableAttribute() { return attr_; }
  bool HasFile() const { return !attr_.file.empty(); }
  bool IsLoaded() const { return info_ != nullptr; }
  void SetInfo(std::shared_ptr<ImageInfo> info) { info_ = std::move(info); }
  const std::shared_ptr<ImageInfo>& GetInfo() const { return info_; }
  int GetFrameCount() const { return info_ ? info_->FrameCount() : 1; }
  int GetCurrentFrame() const { return current_frame_; }
  // Moves to the next frame; false (staying on the last) past the end.
  bool AdvanceFrame();
  void SetCurrentFrame(int frame);
  HBITMAP GetCurrentBitmap() const {
    return info_ ? info_->GetFrameBitmap(current_frame_) : nullptr;
  }
  bool IsPlaying() const { return playing_; }
  void SetPlaying(bool playing) { playing_ = playing; }
  int GetPlaysDone() const { return plays_done_; }
  void SetPlaysDone(int plays) { plays_done_ = plays; }

 private:
  ImageAttribute attr_;
  std::shared_ptr<ImageInfo> info_;
  int current_frame_ = 0;
  bool playing_ = false;
  int plays_done_ = 0;
};

// Loads the image's picture when needed and draws it in `rect` (its dest and
// source, nine-grid corners, tiling, fade times `fade`/255). False when there
// is no picture to draw; the image is then reset to unloaded.
// PROVISIONAL: stands for the control's own image drawing (modifier texts,
// language variants, resolving paths) that comes with the control painting.
bool DrawImageInRect(IRenderContext* render, const UiRect& rect, Image* image, uint8_t fade);

// Image kinds of a state image map.
enum StateImageKind {
  kStateImageBk = 0,
  kStateImageFore = 1,
  kStateImageSelectedBk = 2,
  kStateImageSelectedFore = 3,
};

class StateImageMap {
 public:
  explicit StateImageMap(Control* owner);
  void SetOwner(Control* owner);
  // Unloads the slot, resets its attribute and parses the text into it.
  void SetImage(int kind, int state, const std::wstring& text);
  std::wstring GetImageString(int kind, int state) const;
  // True when any kind has a hot image text.
  bool HasHotImage() const;
  // The first image of the kind, in state order normal, hot, pushed,
  // disabled, that names a file; null when none does.
  Image* GetEstimateImage(int kind);
  Image* GetImage(int kind, int state);
  // Unloads every image of the kind.
  void ClearCache(int kind);
  // Draws the kind's image for the state into the owner's rectangle, with
  // the hot cross-fade when the owner fades its hot state.
  bool Paint(int kind, IRenderContext* render, int state, const std::wstring& modifier);

 private:
  bool Draw(IRenderContext* render, Image* image, uint8_t fade);

  Control* owner_;
  std::map<int, std::map<int, Image>> images_;
};

}  // namespace ui

#endif  // UI_CORE_IMAGE_H_
