// The launcher as built beside the app's tests (QUORVEL_LAUNCHER_EXE, relative
// to the test executable), copied into a folder of its own; it can read back
// the version maps the copy writes.
#ifndef TESTS_APP_MAIN_LAUNCHER_COPY_H_
#define TESTS_APP_MAIN_LAUNCHER_COPY_H_

#include <json/json.h>

#include <string>

#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "base/file/path_util.h"
#include "test_support/launcher_copy.h"

namespace app_testing {

class LauncherCopy : public testing_support::LauncherCopy {
 public:
  LauncherCopy()
      : testing_support::LauncherCopy(base::GetModuleDirectory() + QUORVEL_LAUNCHER_EXE) {}

  std::string MapVersion(const std::wstring& name) const {
    std::string text;
    Json::Value root;
    if (!ReadFileTextW(Path(name), &text) || !ParseJson(text, &root, nullptr)) return "";
    return root["version"].asString();
  }
};

}  // namespace app_testing

#endif  // TESTS_APP_MAIN_LAUNCHER_COPY_H_
