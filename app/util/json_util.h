// Thin wrappers over jsoncpp for the launcher's JSON files and replies.
// Stateless; any thread may call them. No jsoncpp exception leaves these
// functions: damaged or deeply nested text is reported as a failure.
#ifndef APP_UTIL_JSON_UTIL_H_
#define APP_UTIL_JSON_UTIL_H_

#include <json/json.h>

#include <string>
#include <vector>

// Parses UTF-8 JSON text with the reader's default settings. False for an
// empty text or any reader error (the reader's message goes to `error` when
// given); `root` is changed only on success.
bool ParseJson(const std::string& text, Json::Value* root, std::string* error);
// The same over `length` bytes at `data` (a reply body, say), without a copy.
// Every JSON text the launcher reads goes through one of these two.
bool ParseJson(const char* data, size_t length, Json::Value* root, std::string* error);

// Writes `value` tab-indented, member names in ascending byte order, through
// WriteFileTextA: the old file stays whole when this fails.
bool WriteJsonFile(const std::string& path, const Json::Value& value);

// The first member named `key` whose value is not null, visiting members in
// ascending name order and searching an array member's objects, in order,
// before the next member; null when there is none or `value` is no object.
const Json::Value* FindJsonMember(const Json::Value& value, const std::string& key);

// Finds `key` in `root` (its members, and objects inside its array members,
// not nested objects) and appends the found value's text, or the texts of the
// found array's elements in order, to `list` (cleared first). Arrays and
// objects inside the found array are left out. True when `list` is not empty.
bool JsonToStringList(const Json::Value& root, const std::string& key,
                      std::vector<std::string>* list);

#endif  // APP_UTIL_JSON_UTIL_H_
