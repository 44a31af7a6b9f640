#include "app/util/json_util.h"

#include <exception>
#include <memory>

#include "app/util/file_util.h"

const Json::Value* FindJsonMember(const Json::Value& value, const std::string& key) {
  if (!value.isObject()) return nullptr;
  // Member names come back in the library's (ascending byte) order.
  for (const std::string& name : value.getMemberNames()) {
    const Json::Value& member = value[name];
    if (name == key && !member.isNull()) return &member;
    if (member.isArray()) {
      for (const Json::Value& element : member) {
        if (const Json::Value* found = FindJsonMember(element, key)) return found;
      }
    }
  }
  return nullptr;
}

namespace {

bool IsScalar(const Json::Value& value) { return !value.isArray() && !value.isObject(); }

}  // namespace

bool ParseJson(const std::string& text, Json::Value* root, std::string* error) {
  return ParseJson(text.data(), text.size(), root, error);
}

bool ParseJson(const char* data, size_t length, Json::Value* root, std::string* error) {
  if (data == nullptr || length == 0) return false;
  std::string errors;
  Json::Value parsed;
  bool ok = false;
  try {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    ok = reader->parse(data, data + length, &parsed, &errors);
  } catch (const std::exception& e) {
    // The reader throws, for one, on nesting deeper than its stack limit.
    ok = false;
    errors = e.what();
  }
  if (error) *error = errors;
  if (!ok || !errors.empty()) return false;
  *root = std::move(parsed);
  return true;
}

bool WriteJsonFile(const std::string& path, const Json::Value& value) {
  std::string text;
  try {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "\t";
    text = Json::writeString(builder, value);
  } catch (const std::exception&) {
    return false;
  }
  return WriteFileTextA(path, text);
}

bool JsonToStringList(const Json::Value& root, const std::string& key,
                      std::vector<std::string>* list) {
  list->clear();
  const Json::Value* found = FindJsonMember(root, key);
  if (!found) return false;
  if (found->isArray()) {
    for (const Json::Value& element : *found) {
      if (IsScalar(element)) list->push_back(element.asString());
    }
  } else if (IsScalar(*found)) {
    list->push_back(found->asString());
  }
  return !list->empty();
}
