// LanguageTable: text ids ("STRING_CONFIRM") to the texts of the current
// language.
//
// Texts come from one language file per language, lines of `id = text`; a
// second table of overrides, filled by the application after each load, wins
// over the file for ids the file has. An id the file lacks gives the empty
// text even when an override names it.
//
// One instance per process (Instance()). Loading, overrides and GetText
// belong to the UI thread. Every change also publishes an immutable copy of
// the finished texts, which GetTextAnyThread reads under a short lock: that
// is how the update engine's worker asks for a text.
#ifndef UI_SKIN_LANGUAGE_TABLE_H_
#define UI_SKIN_LANGUAGE_TABLE_H_

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/thread/thread_checker.h"

namespace ui {

class LanguageTable {
 public:
  static LanguageTable& Instance();

  LanguageTable();
  LanguageTable(const LanguageTable&) = delete;
  LanguageTable& operator=(const LanguageTable&) = delete;

  // Loads a language file from disk; false only when it cannot be opened
  // (both tables are empty then).
  bool LoadFile(const std::wstring& path);
  // Loads a language file's bytes (from the skin archive). Always true.
  bool LoadMemory(const void* data, size_t size);

  std::wstring GetText(const std::wstring& id) const;
  std::string GetTextUtf8(const std::string& id) const;
  // GetText from any thread, as of the last change the UI thread made.
  std::wstring GetTextAnyThread(const std::wstring& id) const;

  void Clear();

  // Set by the application after each load: id to text.
  void SetOverride(const std::wstring& id, const std::wstring& text);

 private:
  using Texts = std::map<std::wstring, std::wstring>;

  // Fills the tables and publishes them.
  void ParseLines(const std::vector<std::wstring>& lines);
  void ClearTables();
  // The looked-up text, escapes not yet replaced; empty when missing.
  const std::wstring* Find(const std::wstring& id) const;
  // Replaces the copy GetTextAnyThread reads.
  void Publish();

  Texts texts_;
  Texts overrides_;
  mutable std::mutex published_lock_;
  std::shared_ptr<const Texts> published_;
  THREAD_CHECKER(thread_checker_);
};

}  // namespace ui

#endif  // UI_SKIN_LANGUAGE_TABLE_H_
