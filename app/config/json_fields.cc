#include "app/config/json_fields.h"

#include <cstring>

const Json::Value* FindJsonMember(const Json::Value& root, const char* key) {
  if (!root.isObject()) return nullptr;
  return root.find(key, key + std::strlen(key));
}

bool ReadJsonBool(const Json::Value& root, const char* key, bool* out) {
  const Json::Value* value = FindJsonMember(root, key);
  if (!value || !value->isBool()) return false;
  *out = value->asBool();
  return true;
}

bool ReadJsonInt32(const Json::Value& root, const char* key, int32_t* out) {
  const Json::Value* value = FindJsonMember(root, key);
  // isInt() also accepts a real without a fraction inside the range.
  if (!value || !value->isInt()) return false;
  *out = value->asInt();
  return true;
}

bool ReadJsonCount64(const Json::Value& root, const char* key, int64_t* out) {
  const Json::Value* value = FindJsonMember(root, key);
  if (!value || !value->isUInt64()) return false;
  *out = static_cast<int64_t>(value->asUInt64());
  return true;
}

bool ReadJsonString(const Json::Value& root, const char* key, std::string* out) {
  const Json::Value* value = FindJsonMember(root, key);
  if (!value || !value->isString()) return false;
  *out = value->asString();
  return true;
}
