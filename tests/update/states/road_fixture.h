// The update road's test fixture: a fresh launcher folder (the working
// folder) and game folder per test, the engine harness, the real download
// engine pointed at the sample publisher, and the sample release made by
// testing/release/make_sample_release.py (QUORVEL_SAMPLE_RELEASE). The
// publisher's root serves release 2 itself, and each release below it
// (release-1/, release-3/, and cvdiff/: release 2 with ".cvdiff" patches).
#ifndef TESTS_UPDATE_STATES_ROAD_FIXTURE_H_
#define TESTS_UPDATE_STATES_ROAD_FIXTURE_H_

#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "test_support/engine/engine_harness.h"
#include "test_support/publisher_client.h"
#include "test_support/temp_folder.h"

namespace road_testing {

std::string Env(const char* name);
Json::Value ReadJson(const std::string& path);
// Copies a folder tree.
void CopyTree(const std::string& from, const std::string& to);
// "/"-separated relative name -> md5 of every file below `folder`.
std::map<std::string, std::string> TreeDigests(const std::string& folder);

// The harness with the drives' free space in the test's hands.
class RoadHarness : public engine_testing::EngineHarness {
 public:
  bool GetDriveSpace(const std::wstring& path, uint64_t* total, uint64_t* available) override;
  uint64_t free_bytes = 64ULL << 30;
};

class RoadTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Points the directory reply's download servers at `folder` below the
  // publisher's root ("" for the root itself); with `cdn`, the reply carries
  // that folder's game map.
  void ServeFrom(const std::string& folder, bool cdn = false);
  // Installs the release's tree `tree` ("game-1", ...) into the game folder.
  void InstallGame(const std::string& tree);
  // Runs a pass from PrepareState, pumping the download engine, until the
  // current state is none of `passing` (every fetching state by default) or
  // `max_ticks` ticks ran. The state it stopped in.
  int32_t RunPass(int32_t pass, int max_ticks = 4000);
  int32_t RunUntilSettled(int max_ticks = 4000);

  LauncherController::StateInfo Current() const { return controller_->GetSnapshot()->state; }
  std::vector<std::string> RequestedPaths() const;
  // The staging folder's files (the pre-download folder left out).
  std::map<std::string, std::string> StagedFiles() const;
  // md5 of each file of a tree of the release summary.
  std::map<std::string, std::string> TreeOf(const std::string& tree) const;
  // What a state on the worker says: its error, retry choice.
  std::string CurrentErrorMessage() const;

  testing_support::PublisherClient publisher_;
  std::string release_;
  Json::Value summary_;
  testing_support::TempFolder folder_;
  std::string base_;  // the launcher's folder, the working folder
  std::string game_;
  std::wstring old_cwd_;
  std::unique_ptr<RoadHarness> harness_;
  LauncherController* controller_ = nullptr;
};

}  // namespace road_testing

#endif  // TESTS_UPDATE_STATES_ROAD_FIXTURE_H_
