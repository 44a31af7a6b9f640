#include "app/config/common_config.h"

#include <json/json.h>

#include "app/util/json_util.h"
#include "app/util/string_util.h"

const wchar_t kChannelCommonConfigFile[] = L"common_config_CHANNEL_KR.json";
const wchar_t kCommonConfigFile[] = L"common_config.json";

namespace {

const Json::Value* FindMember(const Json::Value& object, const char* key) {
  return FindJsonMember(object, key);
}

// The language's entry of a section: its member for the language, else for
// "en", else the section itself; null when the root has no such section.
const Json::Value* LanguageEntry(const Json::Value& root, const char* section,
                                 const std::string& language) {
  const Json::Value* found = FindMember(root, section);
  if (!found) return nullptr;
  if (const Json::Value* entry = FindMember(*found, language.c_str())) return entry;
  if (const Json::Value* entry = FindMember(*found, "en")) return entry;
  return found;
}

std::wstring Wide(const std::string& utf8) {
  std::wstring wide;
  if (!Utf8ToWide(utf8, &wide)) wide.clear();
  return wide;
}

// Replaces `target` with the member's text when it is a string.
void TakeString(const Json::Value* object, const char* key, std::string* target) {
  if (!object) return;
  const Json::Value* value = FindMember(*object, key);
  if (value && value->isString()) *target = value->asString();
}

}  // namespace

bool ParseCommonConfig(const std::string& text, const std::string& language,
                       CommonConfig* config) {
  Json::Value root;
  if (!ParseJson(text, &root, nullptr)) return false;
  CommonConfig result;

  if (const Json::Value* strings = FindMember(root, "OverwriteStrings")) {
    if (strings->isArray()) {
      for (const Json::Value& pair : *strings) {
        if (!pair.isObject()) continue;
        const Json::Value& key = pair["key"];
        const Json::Value& value = pair["value"];
        if (key.isString() && value.isString()) {
          result.overrides.emplace_back(Wide(key.asString()), Wide(value.asString()));
        }
      }
    }
  }

  if (const Json::Value* titles = LanguageEntry(root, "Titles", language)) {
    for (const char* name : {"title_main", "title_sub"}) {
      std::string title;
      bool found = false;
      if (const Json::Value* value = FindMember(*titles, name)) {
        found = value->isString();
        if (found) title = value->asString();
      }
      if (found) result.titles[name] = Wide(title);
    }
  }

  for (const char* name : {"Privacy", "Service"}) {
    const Json::Value* link = LanguageEntry(root, name, language);
    if (link && link->isString()) result.links[name] = link->asString();
  }

  // Working values carry over from one button to the next.
  std::string key, normal, hot, url, tooltip;
  const Json::Value* forum = LanguageEntry(root, "Forum", language);
  if (forum && forum->isArray()) {
    for (const Json::Value& element : *forum) {
      std::string name;
      bool named = false;
      if (const Json::Value* value = FindMember(element, "name")) {
        named = value->isString();
        if (named) name = value->asString();
      }
      if (named) key = "Forum_" + name;
      TakeString(&element, "NormalImage", &normal);
      TakeString(&element, "HotImage", &hot);
      TakeString(&element, "url", &url);
      TakeString(&element, "Tooltips", &tooltip);
      if (!key.empty() && !normal.empty() && !hot.empty()) {
        result.links[key] = url;
        result.jumpLinks.push_back(JumpLink{normal, hot, tooltip, key});
      }
    }
  }

  if (const Json::Value* faq = FindMember(root, "FAQ")) {
    TakeString(faq, "NormalImage", &normal);
    TakeString(faq, "HotImage", &hot);
    const Json::Value* entry = LanguageEntry(root, "FAQ", language);
    TakeString(entry, "url", &url);
    TakeString(entry, "Tooltips", &tooltip);
    if (!normal.empty() && !hot.empty()) {
      result.links["FAQ"] = url;
      result.jumpLinks.push_back(JumpLink{normal, hot, tooltip, "FAQ"});
    }
  }

  *config = std::move(result);
  return true;
}

bool IsWebLink(const std::string& url) {
  auto starts = [&url](const char* scheme) {
    const std::string prefix(scheme);
    if (url.size() <= prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      char c = url[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      if (c != prefix[i]) return false;
    }
    const char host = url[prefix.size()];
    return host != '/' && host != '\\';
  };
  if (!starts("http://") && !starts("https://")) return false;
  // Control characters and blanks could end the address early in the shell.
  for (unsigned char c : url) {
    if (c <= 32 || c == 127) return false;
  }
  return true;
}
