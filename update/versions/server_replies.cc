#include "update/versions/server_replies.h"

#include <json/json.h>

#include "app/util/json_util.h"

bool ParseDlcAddresses(const std::string& reply, std::vector<std::string>* download,
                       std::vector<std::string>* pre_download, std::string* error,
                       bool take_pre_download) {
  download->clear();
  if (take_pre_download) pre_download->clear();
  Json::Value root;
  if (!ParseJson(reply, &root, error)) return false;
  if (!JsonToStringList(root, "DlcAddr", download)) {
    *error = "Get DlcAddr failed";
    return false;
  }
  if (take_pre_download && root.isObject() && root.isMember("Others")) {
    const Json::Value& others = root["Others"];
    Json::Value inner;
    if (others.isString() && ParseJson(others.asString(), &inner, error)) {
      JsonToStringList(inner, "PreDlcAddr", pre_download);
    } else if (!others.isString()) {
      *error = "\"Others\" is not a JSON text";
    }
  }
  return true;
}

bool ParseRegionAddresses(const std::string& reply, std::vector<std::string>* servers,
                          std::string* error) {
  servers->clear();
  Json::Value root;
  if (!ParseJson(reply, &root, error)) return false;
  std::vector<std::string> info;
  if (!JsonToStringList(root, "info", &info)) return false;
  Json::Value inner;
  if (!ParseJson(info.front(), &inner, error)) return false;
  return JsonToStringList(inner, "KOREA_pc_addr", servers);
}
