// Typed reads of single members of the launcher's JSON files. A member is
// taken only when it is there and of a usable kind, so a damaged or
// hand-edited file costs only its bad keys. Stateless; any thread.
#ifndef APP_CONFIG_JSON_FIELDS_H_
#define APP_CONFIG_JSON_FIELDS_H_

#include <json/json.h>

#include <cstdint>
#include <string>

// The member `key` of an object, or null (also when `root` is no object).
const Json::Value* FindJsonMember(const Json::Value& root, const char* key);

// True when the member is a boolean.
bool ReadJsonBool(const Json::Value& root, const char* key, bool* out);
// True when the member is a whole number in the signed 32-bit range (a
// number with ".0" counts, 3.5 does not).
bool ReadJsonInt32(const Json::Value& root, const char* key, int32_t* out);
// True when the member is a whole number from 0 to 2^64-1; stored as the
// signed value of the same 64 bits.
bool ReadJsonCount64(const Json::Value& root, const char* key, int64_t* out);
// True when the member is a string.
bool ReadJsonString(const Json::Value& root, const char* key, std::string* out);

#endif  // APP_CONFIG_JSON_FIELDS_H_
