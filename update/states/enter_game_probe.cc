// PROVISIONAL: the idle pre-download probe of EnterGameState. Until it is
// built, a probe that falls due ends at once (probeStep back to 0) without
// asking anything, so the idle state goes on sending its reports and its
// update re-checks.
#include "update/states/enter_game_state.h"

void EnterGameState::StartProbe() { probeStep = 0; }

void EnterGameState::OnRequestFinished(int, const std::string&, const char*, int,
                                       const std::string&) {
  probeStep = 0;
}

void EnterGameState::OnPreDownloadInfo(const std::string&) { probeStep = 0; }

void EnterGameState::OnRemoteGameVersion(const std::string&) { probeStep = 0; }

void EnterGameState::OnPreDownloadVersionMap(const std::string&) { probeStep = 0; }

void EnterGameState::OnPreDownloadPatchList(const std::string&) { probeStep = 0; }

void EnterGameState::SummarizePreDownload() { probeStep = 0; }
