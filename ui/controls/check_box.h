// CheckBoxTemplate: a button with a selected state that activation toggles;
// while selected it paints its selected images (kinds 2 and 3), selected
// state colours and selected text colour. OptionTemplate: a check box in a
// named group of its window; selecting one option unselects the others of
// the group. Both are made over Control ("CheckBox", "Option") and over Box
// ("CheckBoxBox", "OptionBox").
//
// An option joins its window's group when its tree is attached and leaves it
// when it is destroyed or regrouped. UI thread only.
#ifndef UI_CONTROLS_CHECK_BOX_H_
#define UI_CONTROLS_CHECK_BOX_H_

#include <algorithm>
#include <string>
#include <vector>

#include "ui/controls/label.h"

namespace ui {

template <typename Base>
class CheckBoxTemplate : public ButtonTemplate<Base> {
 public:
  CheckBoxTemplate() : selected_colors_(this) {}

  bool IsSelected() const { return selected_; }
  virtual void SetSelected(bool selected, bool send_event);
  void SetSelectedStateColor(int state, const std::wstring& color) {
    selected_colors_.SetColor(state, color);
    this->Invalidate();
  }
  std::wstring GetSelectedStateColor(int state) const { return selected_colors_.GetColor(state); }
  const std::wstring& GetSelectedTextColor() const { return selected_text_color_; }

  Image* GetAutoSizeImage() override;
  void Activate() override;
  bool HasHotStyle() const override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintStateColor(IRenderContext* render) override;
  void PaintStateImage(IRenderContext* render) override;
  void PaintText(IRenderContext* render) override;

 protected:
  bool selected_ = false;
  std::wstring selected_text_color_;
  StateColorMap selected_colors_;
};

template <typename Base>
class OptionTemplate : public CheckBoxTemplate<Base> {
 public:
  OptionTemplate() = default;
  ~OptionTemplate() override;

  const std::wstring& GetGroup() const { return group_; }
  void SetGroup(const std::wstring& group);

  void SetWindow(Window* window) override { Base::SetWindow(window); }
  void SetWindow(Window* window, Box* parent, bool init) override;
  void Activate() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void SetSelected(bool selected, bool send_event) override;

 private:
  std::wstring group_;
};

using CheckBox = CheckBoxTemplate<Control>;
using CheckBoxBox = CheckBoxTemplate<Box>;
using Option = OptionTemplate<Control>;
using OptionBox = OptionTemplate<Box>;

// ---- CheckBoxTemplate --------------------------------------------------------

template <typename Base>
void CheckBoxTemplate<Base>::SetSelected(bool selected, bool send_event) {
  if (selected == selected_) return;
  selected_ = selected;
  std::weak_ptr<base::WeakFlag> alive = this->GetWeakFlag();
  if (this->GetWindow() && send_event)
    this->SendEventArgs(selected ? kEventSelect : kEventUnselect);
  if (!alive.expired()) this->Invalidate();
}

template <typename Base>
Image* CheckBoxTemplate<Base>::GetAutoSizeImage() {
  if (Image* image = Base::GetAutoSizeImage()) return image;
  return this->GetStateImages().GetEstimateImage(kStateImageSelectedBk);
}

template <typename Base>
void CheckBoxTemplate<Base>::Activate() {
  if (this->IsActivatable()) SetSelected(!selected_, true);
}

template <typename Base>
bool CheckBoxTemplate<Base>::HasHotStyle() const {
  return !selected_colors_.GetColor(kControlStateHot).empty() ||
         !this->text_colors_.GetColor(kControlStateHot).empty() || Base::HasHotStyle();
}

template <typename Base>
void CheckBoxTemplate<Base>::SetAttribute(const std::wstring& name, const std::wstring& value) {
  static const wchar_t* const kStates[] = {L"normal", L"hot", L"pushed", L"disabled"};
  if (name == L"selected") {
    SetSelected(value == L"true", true);
    return;
  }
  if (name == L"selectedtextcolor") {
    selected_text_color_ = value;
    this->Invalidate();
    return;
  }
  for (int state = kControlStateNormal; state <= kControlStateDisabled; ++state) {
    const std::wstring word = kStates[state];
    if (name == L"selected" + word + L"image") {
      this->SetStateImage(kStateImageSelectedBk, state, value);
      this->Refresh();
      return;
    }
    if (name == L"selectedfore" + word + L"image") {
      this->SetStateImage(kStateImageSelectedFore, state, value);
      this->Refresh();
      return;
    }
    if (name == L"selected" + word + L"color") {
      SetSelectedStateColor(state, value);
      return;
    }
  }
  ButtonTemplate<Base>::SetAttribute(name, value);
}

template <typename Base>
void CheckBoxTemplate<Base>::PaintStateColor(IRenderContext* render) {
  if (selected_)
    selected_colors_.Paint(render, this->paint_rect_, this->GetState());
  else
    Base::PaintStateColor(render);
}

template <typename Base>
void CheckBoxTemplate<Base>::PaintStateImage(IRenderContext* render) {
  StateImageMap& images = this->GetStateImages();
  const int state = this->GetState();
  const int bk = selected_ ? kStateImageSelectedBk : kStateImageBk;
  const int fore = selected_ ? kStateImageSelectedFore : kStateImageFore;
  images.Paint(bk, render, state, L"");
  images.Paint(fore, render, state, L"");
}

template <typename Base>
void CheckBoxTemplate<Base>::PaintText(IRenderContext* render) {
  if (!selected_) {
    ButtonTemplate<Base>::PaintText(render);
    return;
  }
  const std::wstring text = this->GetText();
  if (text.empty()) return;
  UiRect r = this->GetPos();
  const UiRect& pad = this->text_padding_;
  r = UiRect{r.left + pad.left, r.top + pad.top, r.right - pad.right, r.bottom - pad.bottom};
  std::wstring color = selected_text_color_.empty()
                           ? this->text_colors_.GetColor(kControlStateNormal)
                           : selected_text_color_;
  if (this->GetState() == kControlStateDisabled)
    color = this->text_colors_.GetColor(kControlStateDisabled);
  this->SyncSingleLine();
  render->DrawText(r, text, ColorByName(color), this->font_id_, this->text_style_, 255, false);
}

// ---- OptionTemplate ----------------------------------------------------------

template <typename Base>
OptionTemplate<Base>::~OptionTemplate() {
  if (!group_.empty() && this->GetWindow()) this->GetWindow()->RemoveOptionGroup(group_, this);
}

template <typename Base>
void OptionTemplate<Base>::SetWindow(Window* window, Box* parent, bool init) {
  CheckBoxTemplate<Base>::SetWindow(window, parent, init);
  if (init && !group_.empty() && this->GetWindow())
    this->GetWindow()->AddOptionGroup(group_, this);
}

template <typename Base>
void OptionTemplate<Base>::SetGroup(const std::wstring& group) {
  if (group == group_) return;
  Window* window = this->GetWindow();
  if (!group_.empty() && window) window->RemoveOptionGroup(group_, this);
  group_ = group;
  if (!group_.empty() && window) window->AddOptionGroup(group_, this);
  SetSelected(this->selected_, true);
}

template <typename Base>
void OptionTemplate<Base>::Activate() {
  if (!this->IsActivatable() || !this->GetWindow()) return;
  std::weak_ptr<base::WeakFlag> alive = this->GetWeakFlag();
  this->SendEventArgs(kEventClick);
  if (!alive.expired() && this->IsActivatable()) SetSelected(true, true);
}

template <typename Base>
void OptionTemplate<Base>::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"group")
    SetGroup(value);
  else
    CheckBoxTemplate<Base>::SetAttribute(name, value);
}

template <typename Base>
void OptionTemplate<Base>::SetSelected(bool selected, bool send_event) {
  // No test for an unchanged value: selecting again unselects the group
  // again.
  this->selected_ = selected;
  Window* window = this->GetWindow();
  std::weak_ptr<base::WeakFlag> alive = this->GetWeakFlag();
  if (window) {
    if (selected) {
      if (!group_.empty()) {
        if (const std::vector<Control*>* members = window->GetOptionGroup(group_)) {
          // A listener may regroup or remove members: walk a copy, and only
          // members still in the group.
          const std::vector<Control*> copy = *members;
          for (Control* member : copy) {
            if (member == this) continue;
            const std::vector<Control*>* now = window->GetOptionGroup(group_);
            if (!now || std::find(now->begin(), now->end(), member) == now->end()) continue;
            if (auto* option = dynamic_cast<CheckBoxTemplate<Control>*>(member))
              option->SetSelected(false, send_event);
            else if (auto* box = dynamic_cast<CheckBoxTemplate<Box>*>(member))
              box->SetSelected(false, send_event);
            if (alive.expired()) return;
          }
        }
      }
      if (send_event) this->SendEventArgs(kEventSelect);
    } else {
      this->SendEventArgs(kEventUnselect);
    }
  }
  if (!alive.expired()) this->Invalidate();
}

// Made once, in controls.cc.
extern template class CheckBoxTemplate<Control>;
extern template class CheckBoxTemplate<Box>;
extern template class OptionTemplate<Control>;
extern template class OptionTemplate<Box>;

}  // namespace ui

#endif  // UI_CONTROLS_CHECK_BOX_H_
