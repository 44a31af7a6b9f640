// The controller's message-box requests: built on any thread, shown on
// thread 0 (see message_box_request.h).
#include <utility>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_services.h"
#include "app/controller/message_box_request.h"

void LauncherController::ShowMessageBox(HWND owner, const std::wstring& title_id,
                                        const std::wstring& content_id,
                                        const std::wstring& no_id, const std::wstring& yes_id,
                                        MessageBoxCallback callback, bool swap_button_styles) {
  messageBoxOpen = true;
  messageBoxShown = true;
  PostMessageBox(owner, title_id, L"", content_id, L"", no_id, yes_id, L"", L"",
                 std::move(callback), swap_button_styles);
}

void LauncherController::PostMessageBox(HWND owner, const std::wstring& title_id,
                                        const std::wstring& title_text,
                                        const std::wstring& content_id,
                                        const std::wstring& content_text,
                                        const std::wstring& no_id, const std::wstring& yes_id,
                                        const std::wstring& no_text,
                                        const std::wstring& yes_text,
                                        MessageBoxCallback callback, bool swap_button_styles) {
  MessageBoxRequest request;
  request.owner = owner;
  request.controller = this;
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
  LauncherServices::Get()->PostMessageBox(request);
}
