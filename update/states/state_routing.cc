#include "update/states/state_routing.h"

#include <algorithm>

#include "app/controller/launcher_controller.h"
#include "app/controller/state.h"
#include "app/util/machine_id.h"
#include "update/download/download_manager.h"

namespace {

// The current state when it is of `type`, else null.
State* StateOfType(int type) {
  State* current = LauncherController::GetInstance()->currentState.get();
  if (!current || current->GetType() != type) return nullptr;
  return current;
}

// Space, tab, line feed, vertical tab, form feed, carriage return.
std::string WithoutWhiteSpace(std::string text) {
  text.erase(std::remove_if(text.begin(), text.end(),
                            [](char c) {
                              return c == ' ' || c == '\t' || c == '\n' || c == '\v' ||
                                     c == '\f' || c == '\r';
                            }),
             text.end());
  return text;
}

}  // namespace

std::string ReplyText(const char* data, int length) {
  return data != nullptr && length > 0 ? std::string(data, static_cast<size_t>(length))
                                       : std::string();
}

void OnDownloadFileDone(int type, int code, const std::string& url, const std::string& error) {
  if (State* state = StateOfType(type)) state->OnDownloadFinished(code, url, error);
}

void OnRequestDone(int type, int code, const std::string& url, const char* data, int length,
                   const std::string& error) {
  if (State* state = StateOfType(type)) state->OnRequestFinished(code, url, data, length, error);
}

void OnProbeDone(int type, int code, const std::string& url, bool exists,
                 const std::string& error) {
  if (State* state = StateOfType(type)) state->OnProbeFinished(code, url, exists, error);
}

void OnDownloadSpeed(int type, double speed) {
  if (type == kDownloadFilesState && StateOfType(type)) {
    DownloadManager::GetInstance()->AddSpeedSample(speed);
  }
}

std::string BuildGateUrl() {
  LauncherController* controller = LauncherController::GetInstance();
  std::string url =
      "get/urls?key=" + controller->serverOverrides.DirectoryKey(controller->localGameVersion.Get()) +
      "&udid=" + GetMachineId();
  if (controller->serverOverrides.QaGate) url += "&is_qa=true";
  return WithoutWhiteSpace(url);
}

std::string BuildPreDownloadUrl() {
  return WithoutWhiteSpace("pre_download?channel=KOREA&udid=" + GetMachineId());
}
