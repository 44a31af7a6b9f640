#include "app/controller/state.h"

#include <utility>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_services.h"
#include "app/controller/message_box_request.h"
#include "app/util/string_util.h"
#include "base/thread/thread_registry.h"

namespace {

constexpr unsigned int kUtf8CodePage = 65001;

std::wstring WideOfUtf8(const std::string& text) {
  std::wstring wide;
  MultiByteToWide(text, &wide, kUtf8CodePage);
  return wide;
}

}  // namespace

State::State(int32_t pass) : pass(pass) { LauncherController::GetInstance()->errorShown = false; }

State::State() : State(1) {}

void State::OnDownloadFinished(int, const std::string&, const std::string&) {}

void State::OnRequestFinished(int, const std::string&, const char*, int, const std::string&) {}

void State::OnProbeFinished(int, const std::string&, bool, const std::string&) {}

void State::OnSpeed(double) {}

std::string State::BuildPatchUrl(const std::string& path) const {
  LauncherController* controller = LauncherController::GetInstance();
  std::string version;
  if (pass != 0) {
    version = controller->localGameVersion.Get();
  } else {
    version = controller->launcherVersion.Get();
    for (char& c : version) {
      if (c == '.') c = '_';
    }
  }
  return "patchs/" + version + "/" + path;
}

std::wstring State::ErrorDetail() const {
  std::wstring detail;
  if (errorCode != 0) detail = std::to_wstring(errorCode) + L"\n";
  detail += WideOfUtf8(errorMessage);
  if (!errorUrl.empty()) detail += L"(" + WideOfUtf8(errorUrl) + L")";
  return detail;
}

void State::ReportError(const std::wstring& no_id, const std::wstring& yes_id,
                        ResultCallback callback) {
  LauncherController* controller = LauncherController::GetInstance();
  // The content in the language in force now, not when the box appears.
  std::wstring content = LauncherServices::Get()->GetLanguageText(L"STRING_ERROR_UPDATE");
  std::wstring detail = ErrorDetail();

  std::string print_info;
  WideToMultiByte(detail, &print_info, kUtf8CodePage);
  controller->TrackLauncherStep(print_info, "", "", "exception", "", true);
  controller->errorShown = true;

  DetailMessageBoxRequest request;
  request.controller = controller;
  request.titleId = L"STRING_ERROR_NOTICE";
  request.contentText = content;
  request.detailText = detail;
  request.noId = no_id;
  request.yesId = yes_id;
  request.callback = std::move(callback);
  // The pre-download's report keeps its state in the slot until the answer
  // comes: a box that cannot be shown must still answer.
  request.answerWhenDropped = true;
  base::ThreadRegistry::Post(base::kUiThreadId, MakeMsgBoxTask(std::move(request)));
}
