// The pre-download's test fixture: the update road's fixture with the
// pre-download servers in the test's hands, a launcher that can be stopped
// and started again in the same folders, and what the tests check on the
// pre-download folder. The road publisher serves release 2 at its root and
// each release below it ("release-3/", ...).
#ifndef TESTS_UPDATE_STATES_PRE_DOWNLOAD_FIXTURE_H_
#define TESTS_UPDATE_STATES_PRE_DOWNLOAD_FIXTURE_H_

#include <string>
#include <vector>

#include "update/states/road_fixture.h"

namespace road_testing {

class PreDownloadFixture : public RoadTest {
 protected:
  void SetUp() override;

  // The game's download servers serve `game_folder` ("" for release 2), the
  // pre-download servers `pre_folder` (none when empty), as the region reply
  // and the directory's "PreDlcAddr" name them. Kept for Restart.
  void ServeGameAndNext(const std::string& game_folder, const std::string& pre_folder);
  // The launcher ends (engine stopped, harness gone) and starts again in the
  // same folders, as a new process would: the pre-download folders and the
  // installed version read again, the servers as last served.
  void Restart();
  // The pre-download state comes from the harness's factory, and the engine
  // is pumped.
  void PrepareHarness();

  // Runs the worker until the pre-download slot is empty or `stop` holds
  // (at most `max_ticks` ticks), then settles.
  template <typename Stop>
  void RunPreDownloadUntil(Stop stop, int max_ticks = 40000) {
    for (int i = 0; i < max_ticks && PreDownloadRunning(); ++i) {
      if (stop()) break;
      harness_->Tick();
    }
    harness_->Settle();
  }
  bool PreDownloadRunning() const;

  // Paths ("/" separated) whose content differs in tree `to` from tree `from`.
  std::vector<std::string> ChangedFiles(const std::string& from, const std::string& to) const;

  std::string game_folder_;
  std::string pre_folder_;
};

// "/" as "\".
std::string WindowsPath(const std::string& path);
bool FileExistsA(const std::string& path);
// Whether both files can be read and hold the same bytes.
bool SameBytes(const std::string& a, const std::string& b);
// Names of the plain files directly in `folder`, sorted.
std::vector<std::string> FileNames(const std::string& folder);

}  // namespace road_testing

#endif  // TESTS_UPDATE_STATES_PRE_DOWNLOAD_FIXTURE_H_
