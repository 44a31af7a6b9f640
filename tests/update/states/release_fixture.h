// ReleaseFixture: a launcher folder of its own per test beside the sample
// release the sample publisher serves, with the engine harness standing in
// for the launcher's two threads. The publisher's served folder holds
// release 2 under "r2" and release 3 under "r3" (the fixture that fills it
// is in tests/update/CMakeLists.txt); QUORVEL_SAMPLE_RELEASE names the
// release's own folder (installed trees, release.json).
#ifndef TESTS_UPDATE_STATES_RELEASE_FIXTURE_H_
#define TESTS_UPDATE_STATES_RELEASE_FIXTURE_H_

#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "test_support/engine/engine_harness.h"
#include "test_support/publisher_client.h"
#include "test_support/temp_folder.h"

namespace release_testing {

class ReleaseFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The publisher's replies: the game's download servers serve the folder
  // `game_root` ("r2"), the pre-download servers `pre_root` (none when
  // empty), named by the region reply and the directory's "PreDlcAddr".
  Json::Value ServerConfig(const std::string& game_root, const std::string& pre_root) const;

  // Copies the installed game of release `n` into the game folder.
  void InstallGame(int n);
  // A harness with the engine started against the publisher, the installed
  // version and the pre-download folders read, as the worker starts.
  virtual void StartLauncher();
  // The engine stopped and the harness gone, as when the launcher ends.
  void StopLauncher();

  // Paths ("/" separated) whose content differs in game `to` from game `from`.
  std::vector<std::string> ChangedFiles(int from, int to) const;
  // Whether every file of the summary's tree `key` is in `folder` with its digest.
  bool TreeMatches(const std::string& folder, const std::string& key) const;
  // The request paths the publisher logged, in order.
  std::vector<std::string> RequestedPaths() const;

  testing_support::PublisherClient publisher_;
  std::string release_;  // the sample release's folder
  Json::Value summary_;  // its release.json
  testing_support::TempFolder folder_;
  std::string game_;
  std::wstring old_cwd_;
  std::unique_ptr<engine_testing::EngineHarness> harness_;
  LauncherController* controller_ = nullptr;
};

// "/" as "\".
std::string WindowsPath(const std::string& path);
bool FileExistsA(const std::string& path);
// Whether both files can be read and hold the same bytes.
bool SameBytes(const std::string& a, const std::string& b);
// Names of the plain files directly in `folder`, sorted.
std::vector<std::string> FileNames(const std::string& folder);

}  // namespace release_testing

#endif  // TESTS_UPDATE_STATES_RELEASE_FIXTURE_H_
