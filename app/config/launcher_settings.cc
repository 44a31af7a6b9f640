#include "app/config/launcher_settings.h"

#include <string>

#include "app/config/json_fields.h"
#include "app/util/string_util.h"

void ReadLauncherSettings(const Json::Value& root, LauncherSettings* settings) {
  ReadJsonInt32(root, "languageType", &settings->languageType);
  std::string game_path;
  if (ReadJsonString(root, "gamePath", &game_path)) {
    std::wstring wide;
    Utf8ToWide(game_path, &wide);
    settings->gamePath = wide;
  }
  ReadJsonBool(root, "closeToHide", &settings->closeToHide);
  ReadJsonBool(root, "downloadLimit", &settings->downloadLimit);
  ReadJsonInt32(root, "downloadSpeed", &settings->downloadSpeed);
  ReadJsonBool(root, "predlcLimit", &settings->predlcLimit);
  ReadJsonInt32(root, "predlcSpeed", &settings->predlcSpeed);
  ReadJsonBool(root, "automaticStart", &settings->automaticStart);
  ReadJsonBool(root, "autoUpdate", &settings->autoUpdate);
}

Json::Value LauncherSettingsToJson(const LauncherSettings& settings) {
  std::string game_path;
  WideToUtf8(settings.gamePath.Get(), &game_path);
  Json::Value root(Json::objectValue);
  root["languageType"] = settings.languageType;
  root["gamePath"] = game_path;
  root["closeToHide"] = settings.closeToHide;
  root["downloadLimit"] = settings.downloadLimit;
  root["downloadSpeed"] = settings.downloadSpeed;
  root["predlcLimit"] = settings.predlcLimit;
  root["predlcSpeed"] = settings.predlcSpeed;
  root["automaticStart"] = settings.automaticStart;
  root["autoUpdate"] = settings.autoUpdate;
  return root;
}
