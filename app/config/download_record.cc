#include "app/config/download_record.h"

#include <string>

#include "app/config/json_fields.h"

void ReadDownloadRecord(const Json::Value& root, DownloadRecord* record) {
  ReadJsonBool(root, "firstInstall", &record->firstInstall);
  ReadJsonCount64(root, "downloadSize", &record->downloadSize);
  ReadJsonCount64(root, "downloadSpeed", &record->downloadSpeed);
  ReadJsonCount64(root, "downloadTime", &record->downloadTime);
  std::string version;
  if (ReadJsonString(root, "downloadVersion", &version)) record->downloadVersion = version;
}

Json::Value DownloadRecordToJson(const DownloadRecord& record) {
  Json::Value root(Json::objectValue);
  root["firstInstall"] = record.firstInstall;
  root["downloadSize"] = Json::Int64(record.downloadSize);
  root["downloadSpeed"] = Json::Int64(record.downloadSpeed);
  root["downloadTime"] = Json::Int64(record.downloadTime);
  root["downloadVersion"] = record.downloadVersion.Get();
  return root;
}
