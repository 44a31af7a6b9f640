// LauncherSettings: the player's settings ("EnvConfig.json" in the save
// folder), a plain record that the settings dialog copies whole, changes and
// hands back to LauncherController::ApplySettings.
//
// The controller owns the one record in force. The UI thread writes it; the
// worker reads it. The game folder and the language code are texts that the
// worker reads while the UI thread may replace them, so they are locked
// texts; the numbers and switches are read as they stand.
#ifndef APP_CONFIG_LAUNCHER_SETTINGS_H_
#define APP_CONFIG_LAUNCHER_SETTINGS_H_

#include <json/json.h>

#include <cstdint>

#include "base/synchronization/locked_string.h"

struct LauncherSettings {
  int32_t languageType = 0;  // index into kLanguageCodes
  LockedStringW gamePath;    // the game's installation folder
  bool closeToHide = false;  // closing the main window hides it to the tray
  bool autoUpdate = true;    // update the game without being asked
  bool downloadLimit = false;
  int32_t downloadSpeed = 4096;  // KB/s
  bool predlcLimit = false;
  int32_t predlcSpeed = 4096;  // KB/s
  bool automaticStart = false;  // start with Windows
  // Always the code of languageType; never stored in the file.
  LockedStringA languageCode{"en"};
};

// Takes each "EnvConfig.json" key that is present with its type; every other
// field keeps its value. Any JSON value may be given.
void ReadLauncherSettings(const Json::Value& root, LauncherSettings* settings);

// The nine keys of "EnvConfig.json".
Json::Value LauncherSettingsToJson(const LauncherSettings& settings);

#endif  // APP_CONFIG_LAUNCHER_SETTINGS_H_
