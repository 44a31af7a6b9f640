// DownloadRecord: the download statistics kept in "Log.json" in the save
// folder, read by the tracking records.
//
// The controller owns the one record. The worker changes it (the download
// engine's statistics, the first game start); the UI thread saves it at
// start-up and at exit. The version text is locked because of that.
#ifndef APP_CONFIG_DOWNLOAD_RECORD_H_
#define APP_CONFIG_DOWNLOAD_RECORD_H_

#include <json/json.h>

#include <cstdint>

#include "base/synchronization/locked_string.h"

struct DownloadRecord {
  bool firstInstall = true;    // the game has not been started since it was installed
  int64_t downloadSize = 0;    // bytes of the game download
  int64_t downloadSpeed = 0;   // its average speed, bytes per second
  int64_t downloadTime = 0;    // accumulated download time, seconds
  LockedStringA downloadVersion;
};

// Takes each "Log.json" key that is present with its type (the three counts
// only as whole numbers from 0 to 2^64-1); every other field keeps its value.
void ReadDownloadRecord(const Json::Value& root, DownloadRecord* record);

// The five keys of "Log.json".
Json::Value DownloadRecordToJson(const DownloadRecord& record);

#endif  // APP_CONFIG_DOWNLOAD_RECORD_H_
