// Image slots of a control: the image text, the little of its parsed form the
// control tree reads (file, destination rectangle, play count) and the state
// image map.
//
// Provisional: the image issue replaces this with the full image attribute,
// decoding and the shared image cache; the names stay. UI thread only.
#ifndef UI_CORE_IMAGE_H_
#define UI_CORE_IMAGE_H_

#include <windows.h>

#include <map>
#include <string>

#include "ui/util/geometry.h"

namespace ui {

class Control;

struct ImageAttribute {
  std::wstring image_string;
  std::wstring file;
  UiRect dest = {-1, -1, -1, -1};  // -1: not given
  int play_count = -1;           // -1: for ever

  // A bare file name, or blank-separated name='value' pairs.
  void Parse(const std::wstring& text);
  bool HasFullDest() const {
    return dest.left != -1 && dest.top != -1 && dest.right != -1 &&
           dest.bottom != -1;
  }
};

class Image {
 public:
  void Reset() { *this = Image(); }
  void SetImageString(const std::wstring& text);
  const std::wstring& GetImageString() const { return attr_.image_string; }
  const ImageAttribute& GetAttribute() const { return attr_; }
  bool HasFile() const { return !attr_.file.empty(); }
  // Decoding comes with the image cache: nothing is loaded yet.
  bool IsLoaded() const { return false; }
  int GetFrameCount() const { return frame_count_; }
  bool IsPlaying() const { return playing_; }
  void SetPlaying(bool playing) { playing_ = playing; }

 private:
  ImageAttribute attr_;
  int frame_count_ = 1;
  bool playing_ = false;
};

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
  void SetImage(int kind, int state, const std::wstring& text);
  std::wstring GetImageString(int kind, int state) const;
  // True when any kind has a hot image text.
  bool HasHotImage() const;
  // The first image of the kind, in state order normal, hot, pushed,
  // disabled, that names a file; null when none does.
  Image* GetEstimateImage(int kind);

 private:
  Control* owner_;
  std::map<int, std::map<int, Image>> images_;
};

}  // namespace ui

#endif  // UI_CORE_IMAGE_H_
