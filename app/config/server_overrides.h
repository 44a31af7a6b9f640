// ServerOverrides: the publisher's overrides of the built-in endpoints and
// periods ("setting.json" in the save folder; the launcher never writes it).
// An empty or zero value leaves the built-in behaviour in force; the helpers
// below say which value is in force for each use.
//
// Read once by the UI thread at start-up, before the worker exists; only read
// afterwards, by both threads.
#ifndef APP_CONFIG_SERVER_OVERRIDES_H_
#define APP_CONFIG_SERVER_OVERRIDES_H_

#include <json/json.h>

#include <cstdint>
#include <string>
#include <vector>

struct ServerOverrides {
  std::string GateKey;                // key of the directory request
  std::vector<std::string> GateURLs;  // directory base URLs
  bool QaGate = false;                // directory request with "&is_qa=true"
  bool DisableAutoEnterGame = false;  // a game pass that honours it does not start the game
  std::vector<std::string> DlcURLs;   // download base URLs
  std::string ActivityURL;            // the activity page
  int32_t RefreshInterval = 0;        // minutes between activity page reloads
  int32_t UpdateInterval = 0;         // minutes between launcher update checks
  std::string TrackURL;               // the tracking endpoint

  // The key of the directory request: GateKey, else the built-in prefix
  // followed by the local game version.
  std::string DirectoryKey(const std::string& local_game_version) const;
  // GateURLs when set, else the built-in directory list.
  std::vector<std::string> DirectoryServers(const std::vector<std::string>& built_in) const;
  // DlcURLs when set, else the servers that the directory reply named.
  std::vector<std::string> DownloadServers(const std::vector<std::string>& from_reply) const;
  // TrackURL when set, else the built-in tracking endpoint.
  std::string TrackingUrl(const std::string& built_in) const;

  // Periods of the idle state's clocks in milliseconds. An interval counts
  // only from 1 to 99 minutes; otherwise 8 hours, 12 hours and 30 minutes
  // (plus the probe's extra minute) are in force.
  int32_t RefreshPeriodMs() const;
  int32_t UpdatePeriodMs() const;
  int32_t ProbePeriodMs() const;
};

// Takes each "setting.json" key that is present, not null and usable as its
// table says; list keys are appended to. Values of a kind that cannot be
// taken (an array where text is wanted, text where a number is wanted, a
// number outside 32 bits) are skipped.
void ReadServerOverrides(const Json::Value& root, ServerOverrides* overrides);

#endif  // APP_CONFIG_SERVER_OVERRIDES_H_
