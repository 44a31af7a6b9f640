// GlobalResources: PROVISIONAL stand-in with the little the control tree
// reads of the process-wide resources: the global class table, the UI
// channel and the text lookup of text ids. The resources work
// replaces it with the full class (resource root, archive, fonts,
// language), keeping these names.
//
// UI thread only.
#ifndef UI_CORE_GLOBAL_RESOURCES_H_
#define UI_CORE_GLOBAL_RESOURCES_H_

#include <functional>
#include <map>
#include <string>

namespace ui {

class GlobalResources {
 public:
  static GlobalResources& Instance();

  void AddClass(const std::wstring& name, const std::wstring& attributes) {
    classes_[name] = attributes;
  }
  std::wstring GetClassAttributes(const std::wstring& name) const;
  void ClearClasses() { classes_.clear(); }

  const std::wstring& GetUiChannel() const { return channel_; }
  void SetUiChannel(const std::wstring& channel) { channel_ = channel; }

  // Text of a text id in the current language (empty until the language
  // table is wired in).
  std::wstring GetText(const std::wstring& id) const;
  void SetTextLookup(std::function<std::wstring(const std::wstring&)> lookup) {
    text_lookup_ = std::move(lookup);
  }

 private:
  std::map<std::wstring, std::wstring> classes_;
  std::wstring channel_ = L"AppStore";
  std::function<std::wstring(const std::wstring&)> text_lookup_;
};

}  // namespace ui

#endif  // UI_CORE_GLOBAL_RESOURCES_H_
