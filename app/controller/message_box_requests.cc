// The controller's message-box and options-box requests: built on any
// thread, shown on thread 0 (see message_box_request.h).

#include <atomic>
#include <memory>
#include <utility>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/launcher_services.h"
#include "app/controller/message_box_request.h"
#include "base/thread/thread_registry.h"

namespace {

// The window a request's box is modal to, or null when it is dropped.
HWND OwnerOf(LauncherController* controller, HWND owner) {
  if (owner) return owner;
  HWND main_window = controller->mainWindow;
  if (!main_window || !LauncherServices::Get()->IsOpenWindow(main_window)) return nullptr;
  return main_window;
}

BoxText TextOf(const std::wstring& id, const std::wstring& text) {
  return id.empty() ? BoxText{text, false} : BoxText{id, true};
}

void PostAnswer(const MessageBoxCallback& callback, int answer) {
  if (!callback) return;
  base::ThreadRegistry::Post(base::kUiThreadId, [callback, answer] { callback(answer); });
}

void ShowRequest(const MessageBoxRequest& request, const BoxText& detail) {
  LauncherController* controller = request.controller;
  HWND shown_over = OwnerOf(controller, request.owner);
  if (!shown_over) {
    if (request.holdsOpenFlag) controller->ReleaseMessageBoxOpen();
    if (request.answerWhenDropped) PostAnswer(request.callback, 0);
    return;
  }
  MsgBoxContent box;
  box.title = TextOf(request.titleId, request.titleText);
  box.content = TextOf(request.contentId, request.contentText);
  box.detail = detail;
  box.buttonIds = !request.noId.empty() || !request.yesId.empty();
  box.noButton = box.buttonIds ? request.noId : request.noText;
  box.yesButton = box.buttonIds ? request.yesId : request.yesText;
  box.swapButtonStyles = request.swapButtonStyles;

  // Whatever the box does, its close counts once.
  auto closed_once = std::make_shared<std::atomic<bool>>(false);
  bool holds_flag = request.holdsOpenFlag;
  MessageBoxCallback answer = request.callback;
  LauncherServices::Get()->ShowMsgBox(
      shown_over, box, [closed_once, controller, holds_flag, answer](int result) {
        if (closed_once->exchange(true)) return;
        controller->MessageBoxClosed(holds_flag);
        PostAnswer(answer, result);
      });
}

}  // namespace

void MessageBoxRequest::Show() const { ShowRequest(*this, BoxText{}); }

void DetailMessageBoxRequest::Show() const { ShowRequest(*this, TextOf(detailId, detailText)); }

std::function<void()> MakeMsgBoxTask(DetailMessageBoxRequest request) {
  auto owned = std::make_shared<DetailMessageBoxRequest>(std::move(request));
  return [owned] { owned->Show(); };
}

void OptionsBoxRequest::Show() {
  HWND shown_over = OwnerOf(controller, owner);
  if (!shown_over) return;
  LauncherServices::Get()->ShowOptionsBox(shown_over, *this);
}

void LauncherController::ShowMessageBox(HWND owner, const std::wstring& title_id,
                                        const std::wstring& content_id,
                                        const std::wstring& no_id, const std::wstring& yes_id,
                                        MessageBoxCallback callback, bool swap_button_styles,
                                        bool answer_when_dropped) {
  {
    std::lock_guard<std::mutex> hold(messageBoxLock_);
    ++openFlagHolders_;
    messageBoxOpen = true;
  }
  messageBoxShown = true;
  MessageBoxRequest request;
  request.owner = owner;
  request.titleId = title_id;
  request.contentId = content_id;
  request.noId = no_id;
  request.yesId = yes_id;
  request.callback = std::move(callback);
  request.swapButtonStyles = swap_button_styles;
  request.holdsOpenFlag = true;
  request.answerWhenDropped = answer_when_dropped;
  PostRequest(std::move(request));
}

void LauncherController::PostMessageBox(HWND owner, const std::wstring& title_id,
                                        const std::wstring& title_text,
                                        const std::wstring& content_id,
                                        const std::wstring& content_text,
                                        const std::wstring& no_id, const std::wstring& yes_id,
                                        const std::wstring& no_text,
                                        const std::wstring& yes_text,
                                        MessageBoxCallback callback, bool swap_button_styles,
                                        bool answer_when_dropped) {
  MessageBoxRequest request;
  request.owner = owner;
  request.titleId = title_id;
  request.titleText = title_text;
  request.contentId = content_id;
  request.contentText = content_text;
  request.noId = no_id;
  request.yesId = yes_id;
  request.noText = no_text;
  request.yesText = yes_text;
  request.callback = std::move(callback);
  request.swapButtonStyles = swap_button_styles;
  request.answerWhenDropped = answer_when_dropped;
  PostRequest(std::move(request));
}

void LauncherController::PostRequest(MessageBoxRequest request) {
  request.controller = this;
  auto owned = std::make_shared<MessageBoxRequest>(std::move(request));
  bool posted = base::ThreadRegistry::Post(base::kUiThreadId, [owned] { owned->Show(); });
  // No thread 0: no box will ever hold the flag.
  if (!posted && owned->holdsOpenFlag) ReleaseMessageBoxOpen();
}

void LauncherController::ShowOptionsBox(const std::wstring& content_id,
                                        const std::wstring& group_name,
                                        const std::vector<std::wstring>& option_ids,
                                        int32_t /*selected_index*/, const std::wstring& button_id,
                                        MessageBoxCallback callback) {
  auto request = std::make_shared<OptionsBoxRequest>();
  request->controller = this;
  request->contentId = content_id;
  request->groupName = group_name;
  request->optionIds = option_ids;
  request->selectedIndex = 0;  // the first option, whatever the caller asked
  request->buttonId = button_id;
  request->callback = std::move(callback);
  base::ThreadRegistry::Post(base::kUiThreadId, [request] { request->Show(); });
}

void LauncherController::MessageBoxClosed(bool held_open_flag) {
  if (held_open_flag) ReleaseMessageBoxOpen();
  NotifyMainWindow(MsgRefreshVersion, 0, 0);
}

void LauncherController::ReleaseMessageBoxOpen() {
  std::lock_guard<std::mutex> hold(messageBoxLock_);
  if (openFlagHolders_ > 0 && --openFlagHolders_ == 0) messageBoxOpen = false;
}
