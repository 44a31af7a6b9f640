#include "ui/controls/tab_box.h"

#include "ui/animation/animation_player.h"
#include "ui/core/window.h"

namespace ui {

namespace {

constexpr double kSlideSpeedUpFactor = 0.015;

}  // namespace

void TabBox::ShowPage(Control* page, bool show) {
  page->SetMouseEnabled(show);
  if (auto* box = dynamic_cast<Box*>(page)) box->SetMouseChildEnabled(show);
  page->SetAlpha(show ? 255 : 0);
  page->Invalidate();
}

void TabBox::HidePage(int index) {
  if (Control* page = GetItemAt(index)) ShowPage(page, false);
}

void TabBox::HideUnselected(Control* page) {
  if (fade_switch_)
    ShowPage(page, false);
  else
    page->SetFadeVisible(false);
}

bool TabBox::Add(Control* control) {
  if (!Box::Add(control)) return false;
  const int index = GetItemIndex(control);
  if (current_ == -1 && control->IsVisible())
    current_ = index;
  else if (index != current_ || !control->IsVisible())
    HideUnselected(control);
  return true;
}

bool TabBox::AddAt(Control* control, int index) {
  // Whether the current index names a page already: "selectedid" may name
  // one that is still to come.
  const bool selected_exists = current_ >= 0 && current_ < GetCount();
  if (!Box::AddAt(control, index)) return false;
  index = GetItemIndex(control);
  if (current_ == -1 && control->IsVisible()) {
    current_ = index;
    return true;
  }
  if (selected_exists && index <= current_) {
    // A page put in at or before the selected one moves it up; like any
    // other unselected page it is hidden, so one page shows at a time.
    ++current_;
  } else if (index == current_ && control->IsVisible()) {
    return true;  // the page "selectedid" named has arrived
  }
  HideUnselected(control);
  return true;
}

bool TabBox::Remove(Control* control) {
  if (!control) return false;
  const int index = GetItemIndex(control);
  if (!Box::Remove(control)) return false;
  if (index == current_) {
    if (GetCount() == 0) {
      current_ = -1;
    } else {
      current_ = 0;
      Control* first = GetItemAt(0);
      if (!fade_switch_) first->SetFadeVisible(true);
      ShowPage(first, true);
    }
    ArrangeUpward();
  } else if (index < current_) {
    --current_;
  }
  return true;
}

bool TabBox::RemoveAt(int index) {
  Control* control = GetItemAt(index);
  return control ? Remove(control) : false;
}

void TabBox::RemoveAll() {
  current_ = -1;
  Box::RemoveAll();
  ArrangeUpward();
}

void TabBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"selectedid")
    current_ = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
  else if (name == L"fadeswitch")
    fade_switch_ = value == L"true";
  else
    Box::SetAttribute(name, value);
}

void TabBox::Slide(Control* page, int from, int to, bool hide_at_end, int index) {
  AnimationPlayer* player = page->GetAnimationSet().MakeSlidePlayer(kAnimationInOutXFromLeft);
  if (!player) return;
  if (timers_) player->SetTimerManager(timers_);
  player->SetStartValue(from);
  player->SetEndValue(to);
  player->SetSpeedUpFactor(kSlideSpeedUpFactor);
  if (hide_at_end)
    player->SetCompleteCallback(ToWeakCallback([this, index]() { HidePage(index); }));
  else
    player->SetCompleteCallback(nullptr);
  player->Start();
}

bool TabBox::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == current_) return true;
  const int old = current_;
  current_ = index;
  const int width = rect_.Width();
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  for (int i = 0; i < GetCount(); ++i) {
    Control* page = GetItemAt(i);
    if (i == index) {
      ShowPage(page, true);
      if (!fade_switch_)
        page->SetFadeVisible(true);
      else
        Slide(page, index < old ? width : -width, 0, false, i);
    } else if (i == old) {
      if (!fade_switch_) {
        HidePage(i);
        page->SetFadeVisible(false);
      } else {
        Slide(page, 0, index >= old ? width : -width, true, i);
      }
    } else {
      HidePage(i);
      if (!fade_switch_) page->SetFadeVisible(false);
    }
    if (alive.expired()) return true;
  }
  if (window_) {
    window_->FocusNextTabStop(true);
    if (alive.expired()) return true;
  }
  SendEventArgs(kEventSelect, static_cast<WPARAM>(index), static_cast<LPARAM>(old));
  return true;
}

}  // namespace ui
