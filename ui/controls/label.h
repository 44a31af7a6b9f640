// LabelTemplate: text on a control: a text or a text id of the language
// table, a font id, DrawText style flags, padding, a text colour per state,
// an optional text effect, the auto-size measurement and the text painting.
// ButtonTemplate: a label that Space and Return activate and that takes Tab
// focus. Both are made over Control ("Label", "Button") and over Box
// ("LabelBox", "ButtonBox"); the two behave the same but for their default
// size (auto for the control, stretch for the box).
//
// Owned like any control (by its box). UI thread only.
#ifndef UI_CONTROLS_LABEL_H_
#define UI_CONTROLS_LABEL_H_

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <type_traits>

#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/event_args.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory.h"
#include "ui/render/render_resources.h"
#include "ui/render/text_effect.h"
#include "ui/render/text_units.h"
#include "ui/skin/skin_text.h"
#include "ui/util/number_list.h"

namespace ui {

// The label's default DrawText style: end ellipsis, no clip, single line.
constexpr uint32_t kLabelTextStyle = DT_END_ELLIPSIS | DT_NOCLIP | DT_SINGLELINE;
// A button also centres its text both ways.
constexpr uint32_t kButtonTextStyle = kLabelTextStyle | DT_CENTER | DT_VCENTER;

// The ARGB of a colour-table name; 0 for an empty or unknown name.
inline uint32_t ColorByName(const std::wstring& name) {
  IRenderResources* resources = GetRenderResources();
  return resources && !name.empty() ? resources->GetColor(name) : 0;
}

template <typename Base>
class LabelTemplate : public Base {
 public:
  LabelTemplate();
  ~LabelTemplate() override = default;

  virtual std::wstring GetText() const;
  virtual std::string GetTextUtf8() const { return WideToUtf8(GetText()); }
  virtual void SetText(const std::wstring& text);
  virtual void SetTextUtf8(const std::string& text) { SetText(Utf8ToWide(text)); }
  virtual void SetTextId(const std::wstring& id, bool clear_text = false);
  virtual std::wstring GetTextId() const { return text_id_; }
  virtual void SetTextIdUtf8(const std::string& id, bool clear_text = false) {
    SetTextId(Utf8ToWide(id), clear_text);
  }
  virtual void SetTextGlow(const std::wstring& color1, const std::wstring& color2, int size,
                           bool flag);
  virtual void SetTextGradient(const std::wstring& color1, const std::wstring& color2, float a,
                               float b);
  virtual void SetTextEffectValue(int value);

  void SetStateTextColor(int state, const std::wstring& color);
  std::wstring GetStateTextColor(int state) const { return text_colors_.GetColor(state); }
  const std::wstring& GetFont() const { return font_id_; }
  void SetFont(const std::wstring& font_id) {
    font_id_ = font_id;
    this->Invalidate();
  }
  uint32_t GetTextStyle() const { return text_style_; }
  void SetTextStyle(uint32_t style) { text_style_ = style; }
  UiRect GetTextPadding() const { return text_padding_; }
  void SetTextPadding(UiRect padding) {
    text_padding_ = DpiScale::Instance()->ScaleRect(padding);
    this->Refresh();
  }
  bool IsSingleLine() const { return single_line_; }
  void SetSingleLine(bool on) {
    if (on == single_line_) return;
    single_line_ = on;
    this->Invalidate();
  }
  ITextEffect* GetTextEffect() const { return effect_.get(); }

  void Activate() override;
  UiSize EstimateTextSize(UiSize available, bool* needs_re_estimate) override;
  bool HasHotStyle() const override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintText(IRenderContext* render) override;

 protected:
  void SyncSingleLine() {
    if (single_line_)
      text_style_ |= DT_SINGLELINE;
    else
      text_style_ &= ~static_cast<uint32_t>(DT_SINGLELINE);
  }
  // Made on first use; null when the render factory makes none.
  ITextEffect* Effect();

  std::wstring font_id_;
  uint32_t text_style_ = kLabelTextStyle;
  bool single_line_ = true;
  bool line_limit_ = false;
  UiRect text_padding_ = {0, 0, 0, 0};
  std::wstring text_;
  std::wstring text_id_;
  StateColorMap text_colors_;
  std::unique_ptr<ITextEffect> effect_;
};

template <typename Base>
class ButtonTemplate : public LabelTemplate<Base> {
 public:
  ButtonTemplate();

  bool IsTabStop() const override { return this->IsKeyboardEnabled() && this->IsEnabled(); }
  void HandleEvent(EventArgs& args) override;
};

using Label = LabelTemplate<Control>;
using LabelBox = LabelTemplate<Box>;
using Button = ButtonTemplate<Control>;
using ButtonBox = ButtonTemplate<Box>;

// ---- LabelTemplate ----------------------------------------------------------

template <typename Base>
LabelTemplate<Base>::LabelTemplate() : text_colors_(this) {
  const int size = std::is_same<Base, Box>::value ? kSizeStretch : kSizeAuto;
  this->fixed_width_ = size;
  this->fixed_height_ = size;
  GlobalResources& resources = GlobalResources::Instance();
  text_colors_.SetColor(kControlStateNormal, resources.default_text_color);
  text_colors_.SetColor(kControlStateDisabled, resources.default_disabled_text_color);
}

template <typename Base>
std::wstring LabelTemplate<Base>::GetText() const {
  if (text_.empty() && !text_id_.empty()) return GlobalResources::Instance().GetText(text_id_);
  return text_;
}

template <typename Base>
void LabelTemplate<Base>::SetText(const std::wstring& text) {
  if (text == text_) return;
  text_ = text;
  this->Refresh();
}

template <typename Base>
void LabelTemplate<Base>::SetTextId(const std::wstring& id, bool clear_text) {
  if (id == text_id_ && !clear_text) return;
  text_id_ = id;
  if (clear_text) text_.clear();
  this->Refresh();
}

template <typename Base>
ITextEffect* LabelTemplate<Base>::Effect() {
  if (!effect_) {
    if (IRenderFactory* factory = GlobalResources::Instance().GetRenderFactory())
      effect_ = factory->CreateTextEffect();
  }
  return effect_.get();
}

template <typename Base>
void LabelTemplate<Base>::SetTextGlow(const std::wstring& color1, const std::wstring& color2,
                                      int size, bool flag) {
  if (ITextEffect* effect = Effect())
    effect->SetGlow(ColorByName(color1), ColorByName(color2), size, flag);
}

template <typename Base>
void LabelTemplate<Base>::SetTextGradient(const std::wstring& color1,
                                          const std::wstring& color2, float a, float b) {
  if (ITextEffect* effect = Effect())
    effect->SetGradient(ColorByName(color1), ColorByName(color2), a, b);
}

template <typename Base>
void LabelTemplate<Base>::SetTextEffectValue(int value) {
  if (effect_) effect_->SetLetterSpacing(value);
}

template <typename Base>
void LabelTemplate<Base>::SetStateTextColor(int state, const std::wstring& color) {
  if (state == kControlStateHot) this->GetAnimationSet().SetFadeHot(true);
  text_colors_.SetColor(state, color);
  this->Invalidate();
}

template <typename Base>
void LabelTemplate<Base>::Activate() {
  if (!this->IsActivatable() || !this->GetWindow()) return;
  this->SendEventArgs(kEventClick);
}

template <typename Base>
bool LabelTemplate<Base>::HasHotStyle() const {
  return text_colors_.HasHotColor() || Base::HasHotStyle();
}

template <typename Base>
void LabelTemplate<Base>::SetAttribute(const std::wstring& name, const std::wstring& value) {
  static const wchar_t* const kTextColors[] = {L"normaltextcolor", L"hottextcolor",
                                               L"pushedtextcolor", L"disabledtextcolor"};
  auto has = [&value](const wchar_t* word) { return value.find(word) != std::wstring::npos; };
  const uint32_t center = DT_CENTER, right = DT_RIGHT, vcenter = DT_VCENTER,
                 bottom = DT_BOTTOM, single = DT_SINGLELINE;
  if (name == L"align") {
    // Each word is looked for anywhere in the value, in this order.
    if (has(L"left")) text_style_ &= ~(center | right | vcenter | single);
    if (has(L"center")) {
      text_style_ |= center;
      text_style_ &= ~right;
    }
    if (has(L"right")) {
      text_style_ |= right;
      text_style_ &= ~(center | vcenter | single);
    }
    if (has(L"top")) {
      text_style_ &= ~(vcenter | bottom);
      text_style_ |= single;
    }
    if (has(L"vcenter")) {
      text_style_ |= center | vcenter | single;
      text_style_ &= ~bottom;
    }
    if (has(L"bottom")) {
      text_style_ |= bottom | single;
      text_style_ &= ~vcenter;
    }
    return;
  }
  if (name == L"endellipsis") {
    if (value == L"true")
      text_style_ |= DT_END_ELLIPSIS;
    else
      text_style_ &= ~static_cast<uint32_t>(DT_END_ELLIPSIS);
  } else if (name == L"linelimit") {
    const bool on = value == L"true";
    if (on != line_limit_) {
      line_limit_ = on;
      this->Invalidate();
    }
  } else if (name == L"singleline") {
    SetSingleLine(value == L"true");
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"textid") {
    SetTextId(value, false);
  } else if (name == L"font") {
    SetFont(value);
  } else if (name == L"textpadding") {
    SetTextPadding(ReadRect(value));
  } else if (name == L"gradient_text") {
    const std::vector<std::wstring> parts = SplitText(value, L',');
    if (parts.size() < 4) return;
    SetTextGradient(parts[0], parts[1], static_cast<float>(std::wcstod(parts[2].c_str(), nullptr)),
                    static_cast<float>(std::wcstod(parts[3].c_str(), nullptr)));
    if (parts.size() == 5)
      SetTextEffectValue(static_cast<int>(std::wcstol(parts[4].c_str(), nullptr, 10)));
  } else if (name == L"gradient_outline") {
    const std::vector<std::wstring> parts = SplitText(value, L',');
    if (parts.size() < 3) return;
    const bool flag = parts.size() == 3 || (parts[3] != L"false" && parts[3] != L"0");
    SetTextGlow(parts[0], parts[1], static_cast<int>(std::wcstol(parts[2].c_str(), nullptr, 10)),
                flag);
  } else {
    for (int state = kControlStateNormal; state <= kControlStateDisabled; ++state) {
      if (name == kTextColors[state]) {
        SetStateTextColor(state, value);
        return;
      }
    }
    Base::SetAttribute(name, value);
  }
}

template <typename Base>
UiSize LabelTemplate<Base>::EstimateTextSize(UiSize available, bool* needs_re_estimate) {
  SyncSingleLine();
  UiSize result{0, 0};
  const std::wstring text = GetText();
  Window* window = this->GetWindow();
  if (text.empty() || !window || !window->GetRenderContext()) return result;
  IRenderContext* render = window->GetRenderContext();
  const int fixed_width = this->GetFixedWidth();
  const UiRect& pad = text_padding_;
  UiRect m = render->MeasureText(text, font_id_, text_style_, fixed_width >= 0 ? fixed_width : -1);
  int w = m.Width();
  int h = m.Height();
  if (fixed_width == kSizeAuto) result.cx = pad.left + pad.right + w;
  if (this->GetFixedHeight() == kSizeAuto) {
    if (!single_line_ && fixed_width == kSizeAuto && this->GetMaxWidth() == kSizeStretch) {
      *needs_re_estimate = true;
      // A box narrower than the padding still wraps at one pixel.
      const int limit = std::max(1, available.cx - pad.left - pad.right);
      if (limit < w) {
        h = render->MeasureText(text, font_id_, text_style_, limit).Height();
        w = limit;
      }
    }
    result.cx = pad.left + pad.right + w;
    result.cy = pad.top + pad.bottom + h;
  }
  // Spacing goes between the units the effect places, not between UTF-16
  // code units: a Thai mark or a joined Arabic letter adds none.
  if (effect_ && effect_->GetLetterSpacing() > 0)
    result.cx += effect_->GetLetterSpacing() * static_cast<int>(CountUnitsOfLongestLine(text));
  return result;
}

template <typename Base>
void LabelTemplate<Base>::PaintText(IRenderContext* render) {
  const std::wstring text = GetText();
  if (text.empty()) return;
  UiRect r = this->GetPos();
  r.left += text_padding_.left;
  r.top += text_padding_.top;
  r.right -= text_padding_.right;
  r.bottom -= text_padding_.bottom;

  int state = this->GetState();
  if (state == kControlStatePushed && text_colors_.GetColor(state).empty())
    state = kControlStateHot;
  if (state == kControlStateHot && text_colors_.GetColor(state).empty())
    state = kControlStateNormal;
  if (state == kControlStateDisabled && text_colors_.GetColor(state).empty())
    state = kControlStateNormal;
  SyncSingleLine();

  auto draw = [&](uint32_t color, uint8_t alpha) {
    if (effect_)
      render->DrawTextWithEffect(r, text, color, font_id_, text_style_, effect_.get(),
                                 line_limit_);
    else
      render->DrawText(r, text, color, font_id_, text_style_, alpha, line_limit_);
  };
  const bool fade_hot = this->GetAnimationSet().GetPlayer(kAnimationHot) != nullptr;
  if (fade_hot && (state == kControlStateNormal || state == kControlStateHot) &&
      text_colors_.HasHotColor()) {
    const std::wstring normal = text_colors_.GetColor(kControlStateNormal);
    if (!normal.empty()) draw(ColorByName(normal), 255);
    const int h = this->GetHotAlpha();
    if (h > 0)
      draw(ColorByName(text_colors_.GetColor(kControlStateHot)), static_cast<uint8_t>(h));
    return;
  }
  draw(ColorByName(text_colors_.GetColor(state)), 255);
}

// ---- ButtonTemplate ----------------------------------------------------------

template <typename Base>
ButtonTemplate<Base>::ButtonTemplate() {
  this->text_style_ = kButtonTextStyle;
  this->text_padding_ = DpiScale::Instance()->ScaleRect(UiRect{0, 0, 0, 5});
  this->Refresh();
}

template <typename Base>
void ButtonTemplate<Base>::HandleEvent(EventArgs& args) {
  if (!this->IsMouseEnabled() && IsMouseEventType(args.type)) {
    if (Box* parent = this->GetParent()) parent->SendEvent(args);
    return;
  }
  if (args.type == kEventKeyDown && this->IsKeyboardEnabled() &&
      (args.key == VK_SPACE || args.key == VK_RETURN)) {
    this->Activate();
    return;
  }
  if (args.type == kEventInternalMenu) {
    // A menu request never climbs from a button.
    if (this->IsContextMenuEnabled()) this->SendInternal(kEventMenu, args.wparam, args.lparam);
    return;
  }
  Base::HandleEvent(args);
}

// Made once, in controls.cc.
extern template class LabelTemplate<Control>;
extern template class LabelTemplate<Box>;
extern template class ButtonTemplate<Control>;
extern template class ButtonTemplate<Box>;

}  // namespace ui

#endif  // UI_CONTROLS_LABEL_H_
