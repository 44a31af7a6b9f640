// CommonConfig: the skin's settings that differ by publishing channel, read
// from its JSON file (the main window's title lines, the privacy, service
// and link-bar addresses, the link-bar buttons and texts that replace
// entries of the language files).
//
// Pure functions over the file's text; any thread. The controller keeps the
// result on thread 0; the launcher reads the file from the skin and hands
// the overrides to the UI framework's language table.
#ifndef APP_CONFIG_COMMON_CONFIG_H_
#define APP_CONFIG_COMMON_CONFIG_H_

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/config/jump_link.h"

struct CommonConfig {
  std::map<std::string, std::wstring> titles;  // "title_main", "title_sub"
  std::map<std::string, std::string> links;    // link key to address
  std::vector<JumpLink> jumpLinks;             // in the order made
  // "OverwriteStrings": text id to text, in file order.
  std::vector<std::pair<std::wstring, std::wstring>> overrides;
};

// The two names of the file, tried in this order.
extern const wchar_t kChannelCommonConfigFile[];
extern const wchar_t kCommonConfigFile[];
// A larger file is not read: the shipped one holds a few kilobytes, and the
// parsed tree takes many times the text.
constexpr size_t kMaxCommonConfigBytes = 512 * 1024;

// Reads the configuration for the language code; false (config untouched)
// when the text is not JSON.
bool ParseCommonConfig(const std::string& text, const std::string& language,
                       CommonConfig* config);

// True only for an "http://" or "https://" address (scheme case ignored)
// with a host; whatever else a configuration holds is never opened.
bool IsWebLink(const std::string& url);

#endif  // APP_CONFIG_COMMON_CONFIG_H_
