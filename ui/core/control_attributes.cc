// The attribute parser of Control, the class and attribute-list appliers
// and the channel filter.
#include <cwchar>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ui/core/control.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"
#include "ui/render/dpi_scale.h"
#include "ui/util/number_list.h"

namespace ui {

namespace {

bool ParseBool(const std::wstring& value) { return value == L"true"; }

int ParseInt(const std::wstring& value) {
  return static_cast<int>(wcstol(value.c_str(), nullptr, 10));
}

// "stretch" -1, "auto" -2, else the integer.
int ParseSizeValue(const std::wstring& value) {
  if (value == L"stretch") return kSizeStretch;
  if (value == L"auto") return kSizeAuto;
  return ParseInt(value);
}

int Scale(int value) { return DpiScale::Instance()->ScaleInt(value); }

std::vector<std::wstring> SplitAtSpaces(const std::wstring& list) {
  std::vector<std::wstring> names;
  size_t pos = 0;
  while (pos < list.size()) {
    size_t end = list.find(L' ', pos);
    if (end == std::wstring::npos) end = list.size();
    if (end > pos) names.push_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  return names;
}

Control* MatchName(Control* control, void* data) {
  return control->GetName() == *static_cast<const std::wstring*>(data) ? control
                                                                        : nullptr;
}

// Classes being applied, outermost first: a class whose attributes name
// itself, directly or through others, is not applied again.
// The classes one outermost application has expanded so far: a class that
// others name along many paths is expanded once (a skin whose classes each
// name the next twice would otherwise grow exponentially), and a cycle ends.
struct ClassExpansion {
  int depth = 0;
  std::set<std::pair<const Control*, std::wstring>> expanded;
};

ClassExpansion& CurrentClassExpansion() {
  static ClassExpansion expansion;
  return expansion;
}

struct StateName {
  const wchar_t* name;
  int state;
};

int FindState(const std::wstring& name, const StateName* table, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (name == table[i].name) return table[i].state;
  return -1;
}

const StateName kColorAttributes[] = {
    {L"normalcolor", kControlStateNormal},
    {L"hotcolor", kControlStateHot},
    {L"pushedcolor", kControlStatePushed},
    {L"disabledcolor", kControlStateDisabled},
};
const StateName kImageAttributes[] = {
    {L"normalimage", kControlStateNormal},
    {L"hotimage", kControlStateHot},
    {L"pushedimage", kControlStatePushed},
    {L"disabledimage", kControlStateDisabled},
};
const StateName kForeImageAttributes[] = {
    {L"forenormalimage", kControlStateNormal},
    {L"forehotimage", kControlStateHot},
    {L"forepushedimage", kControlStatePushed},
    {L"foredisabledimage", kControlStateDisabled},
};
const StateName kStateValues[] = {
    {L"normal", kControlStateNormal},
    {L"hot", kControlStateHot},
    {L"pushed", kControlStatePushed},
    {L"disabled", kControlStateDisabled},
};
const StateName kBorderSideAttributes[] = {
    {L"leftbordersize", 0},
    {L"topbordersize", 1},
    {L"rightbordersize", 2},
    {L"bottombordersize", 3},
};

template <size_t N>
int Find(const std::wstring& name, const StateName (&table)[N]) {
  return FindState(name, table, N);
}

}  // namespace

void Control::SetAttribute(const std::wstring& name, const std::wstring& value) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  auto rearrange = [this]() {
    if (float_)
      Arrange();
    else
      ArrangeUpward();
  };
  int state = -1;

  if (name == L"class") {
    ApplyClass(value);
  } else if (name == L"halign") {
    if (value == L"left") halign_ = 0;
    else if (value == L"center") halign_ = 1;
    else if (value == L"right") halign_ = 2;
  } else if (name == L"valign") {
    if (value == L"top") valign_ = 0;
    else if (value == L"center") valign_ = 1;
    else if (value == L"bottom") valign_ = 2;
  } else if (name == L"margin") {
    SetMargin(ReadRect(value), true);
  } else if (name == L"bkcolor" || name == L"bkcolor1") {
    size_t start = 0;
    while (start < value.size() && value[start] >= 0x01 && value[start] <= 0x20) ++start;
    SetBkColor(value.substr(start));
  } else if (name == L"bordersize") {
    if (value.find(L',') != std::wstring::npos)
      SetBorderSides(ReadRect(value));
    else
      SetBorderSize(ParseInt(value));
  } else if (name == L"borderround") {
    SetBorderRound(ReadSize(value));
  } else if (name == L"width") {
    SetFixedWidthByAttribute(ParseSizeValue(value));
  } else if (name == L"height") {
    SetFixedHeightByAttribute(ParseSizeValue(value));
  } else if (name == L"maxwidth" || name == L"maxheight") {
    // Scaled whatever its sign, as the skins have always been read.
    int v = Scale(ParseSizeValue(value));
    int& field = name == L"maxwidth" ? max_width_ : max_height_;
    if (v != field) {
      field = v;
      rearrange();
    }
  } else if (name == L"minwidth" || name == L"minheight") {
    int v = Scale(ParseInt(value));
    int& field = name == L"minwidth" ? min_width_ : min_height_;
    if (v >= 0 && v != field) {
      field = v;
      rearrange();
    }
  } else if (name == L"state") {
    state = Find(value, kStateValues);
    if (state >= 0) SetState(state);
  } else if (name == L"cursortype") {
    if (value == L"arrow") cursor_type_ = kCursorArrow;
    else if (value == L"hand") cursor_type_ = kCursorHand;
    else if (value == L"ibeam") cursor_type_ = kCursorIbeam;
  } else if (name == L"renderoffset") {
    UiPoint pt = ReadPoint(value);
    render_offset_ = UiPoint{Scale(pt.x), Scale(pt.y)};
    Invalidate();
  } else if ((state = Find(name, kColorAttributes)) >= 0) {
    SetStateColor(state, value);
  } else if (name == L"bordercolor") {
    SetBorderColor(value);
  } else if ((state = Find(name, kBorderSideAttributes)) >= 0) {
    int v = Scale(ParseInt(value));
    int* sides[] = {&border_sides_.left, &border_sides_.top, &border_sides_.right,
                    &border_sides_.bottom};
    *sides[state] = v;
    Invalidate();
  } else if (name == L"bkimage") {
    SetBkImage(value);
  } else if (name == L"bkimageadaptlanguage") {
    bk_adapt_language_ = ParseBool(value);
  } else if (name == L"name") {
    SetName(value);
  } else if (name == L"tooltiptext") {
    SetToolTipText(value);
  } else if (name == L"tooltiptextid") {
    SetToolTipTextId(value);
  } else if (name == L"dataid") {
    SetDataId(value);
  } else if (name == L"enabled") {
    SetEnabled(ParseBool(value));
  } else if (name == L"mouse") {
    SetMouseEnabled(ParseBool(value));
  } else if (name == L"keyboard") {
    SetKeyboardEnabled(ParseBool(value));
  } else if (name == L"visible") {
    SetVisible(ParseBool(value));
  } else if (name == L"fadevisible") {
    SetFadeVisible(ParseBool(value));
  } else if (name == L"float") {
    bool on = ParseBool(value);
    if (on != float_) {
      float_ = on;
      ArrangeUpward();
    }
  } else if (name == L"menu") {
    SetContextMenuEnabled(ParseBool(value));
  } else if (name == L"cache") {
    use_cache_ = ParseBool(value);
  } else if (name == L"nofocus") {
    no_focus_ = true;
  } else if (name == L"alpha") {
    SetAlpha(ParseInt(value));
  } else if ((state = Find(name, kImageAttributes)) >= 0) {
    if (state == kControlStateHot) animations_.SetFadeHot(true);
    SetStateImage(kStateImageBk, state, value);
    Refresh();
  } else if ((state = Find(name, kForeImageAttributes)) >= 0) {
    if (state == kControlStateHot) animations_.SetFadeHot(true);
    SetStateImage(kStateImageFore, state, value);
    Invalidate();
  } else if (name == L"fadealpha") {
    animations_.SetFadeAlpha(ParseBool(value));
  } else if (name == L"fadehot") {
    animations_.SetFadeHot(ParseBool(value));
  } else if (name == L"fadewidth") {
    animations_.SetFadeWidth(ParseBool(value));
  } else if (name == L"fadeheight") {
    animations_.SetFadeHeight(ParseBool(value));
  } else if (name == L"fadeinoutxfromleft") {
    animations_.SetFadeInOutX(ParseBool(value), false);
  } else if (name == L"fadeinoutxfromright") {
    animations_.SetFadeInOutX(ParseBool(value), true);
  } else if (name == L"fadeinoutyfromtop") {
    animations_.SetFadeInOutY(ParseBool(value), false);
  } else if (name == L"fadeinoutyfrombottom") {
    animations_.SetFadeInOutY(ParseBool(value), true);
  } else if (name == L"receivepointer") {
    receive_pointer_ = ParseBool(value);
  } else if (name == L"channel") {
    SetChannel(value);
  }
}

void Control::ApplyClass(const std::wstring& classes) {
  ClassExpansion& expansion = CurrentClassExpansion();
  struct Scope {
    explicit Scope(ClassExpansion& e) : e(e) { ++e.depth; }
    ~Scope() {
      if (--e.depth == 0) e.expanded.clear();
    }
    ClassExpansion& e;
  } scope(expansion);
  for (const std::wstring& name : SplitAtSpaces(classes)) {
    if (!expansion.expanded.emplace(this, name).second) continue;

    std::wstring text = GlobalResources::Instance().GetClassAttributes(name);
    if (text.empty() && window_) text = window_->GetClassAttributes(name);
    if (text.empty()) continue;
    ApplyAttributeList(text);
  }
}

void Control::ApplyAttributeList(const std::wstring& text) {
  const size_t n = text.size();
  size_t pos = 0;
  std::wstring name;
  std::wstring value;
  while (pos < n) {
    name.clear();
    value.clear();
    while (pos < n && text[pos] != L'=') name += text[pos++];
    if (pos >= n) return;
    ++pos;
    if (pos >= n) return;
    wchar_t quote = text[pos];
    if (quote != L'"' && quote != L'\'') return;
    ++pos;
    while (pos < n && text[pos] != quote) value += text[pos++];
    if (pos >= n) return;  // unclosed: nothing applied for this pair
    ++pos;
    SetAttribute(name, value);
    // One space and more text start the next pair.
    if (pos + 1 < n && text[pos] == L' ')
      ++pos;
    else
      return;
  }
}

bool Control::OnApplyAttributeList(const std::wstring& receiver,
                                   const std::wstring& attributes, EventArgs* args) {
  Control* target = nullptr;
  if (receiver.compare(0, 2, L".\\") == 0 || receiver.compare(0, 2, L"./") == 0) {
    std::wstring name = receiver.substr(2);
    target = FindControl(MatchName, &name, 0);
  } else if (window_) {
    target = window_->FindControlByName(receiver);
  }
  if (target) target->ApplyAttributeList(attributes);
  return true;
}

void Control::SetChannel(const std::wstring& channels) {
  channel_ = channels;
  const std::wstring& current = GlobalResources::Instance().GetUiChannel();
  bool named = false;
  for (const std::wstring& name : SplitAtSpaces(channels))
    if (name == current) named = true;
  if (!named) SetFadeVisible(false);
  Invalidate();
}

}  // namespace ui
