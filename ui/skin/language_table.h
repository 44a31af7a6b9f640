// LanguageTable: text ids ("STRING_CONFIRM") to the texts of the current
// language.
//
// Texts come from one language file per language, lines of `id = text`; a
// second table of overrides, filled by the application after each load, wins
// over the file for ids the file has. An id the file lacks gives the empty
// text even when an override names it.
//
// One instance per process (Instance()); UI thread only, no lock.
#ifndef UI_SKIN_LANGUAGE_TABLE_H_
#define UI_SKIN_LANGUAGE_TABLE_H_

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace ui {

class LanguageTable {
 public:
  static LanguageTable& Instance();

  LanguageTable() = default;
  LanguageTable(const LanguageTable&) = delete;
  LanguageTable& operator=(const LanguageTable&) = delete;

  // Loads a language file from disk; false only when it cannot be opened
  // (both tables are empty then).
  bool LoadFile(const std::wstring& path);
  // Loads a language file's bytes (from the skin archive). Always true.
  bool LoadMemory(const void* data, size_t size);

  std::wstring GetText(const std::wstring& id) const;
  std::string GetTextUtf8(const std::string& id) const;

  void Clear();

  // Written by the application after each load: id to text.
  std::map<std::wstring, std::wstring> overrides;

 private:
  void ParseLines(const std::vector<std::wstring>& lines);
  // The looked-up text, escapes not yet replaced; empty when missing.
  const std::wstring* Find(const std::wstring& id) const;

  std::map<std::wstring, std::wstring> texts_;
};

}  // namespace ui

#endif  // UI_SKIN_LANGUAGE_TABLE_H_
