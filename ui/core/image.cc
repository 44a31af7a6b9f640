#include "ui/core/image.h"

#include <cwchar>

#include "ui/util/number_list.h"

namespace ui {

void ImageAttribute::Parse(const std::wstring& text) {
  image_string = text;
  file.clear();
  dest = UiRect{-1, -1, -1, -1};
  play_count = -1;
  if (text.find(L'=') == std::wstring::npos) {
    file = text;
    return;
  }
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && text[pos] == L' ') ++pos;
    size_t eq = text.find(L'=', pos);
    if (eq == std::wstring::npos || eq + 1 >= text.size()) return;
    std::wstring name = text.substr(pos, eq - pos);
    wchar_t quote = text[eq + 1];
    if (quote != L'\'' && quote != L'"') return;
    size_t end = text.find(quote, eq + 2);
    if (end == std::wstring::npos) return;
    std::wstring value = text.substr(eq + 2, end - eq - 2);
    if (name == L"file" || name == L"res") {
      file = value;
    } else if (name == L"dest") {
      dest = ReadRect(value);
    } else if (name == L"playcount") {
      play_count = static_cast<int>(wcstol(value.c_str(), nullptr, 10));
    }
    pos = end + 1;
  }
}

void Image::SetImageString(const std::wstring& text) { attr_.Parse(text); }

StateImageMap::StateImageMap(Control* owner) : owner_(owner) {
  for (int kind = kStateImageBk; kind <= kStateImageSelectedFore; ++kind)
    images_[kind];
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
    auto it = kind.second.find(1);
    if (it != kind.second.end() && !it->second.GetImageString().empty()) return true;
  }
  return false;
}

Image* StateImageMap::GetEstimateImage(int kind) {
  auto k = images_.find(kind);
  if (k == images_.end()) return nullptr;
  for (int state = 0; state <= 3; ++state) {
    auto it = k->second.find(state);
    if (it != k->second.end() && it->second.HasFile()) return &it->second;
  }
  return nullptr;
}

}  // namespace ui
