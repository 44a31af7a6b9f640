#include "ui/skin/language_table.h"

#include <cstdio>
#include <cstring>

#include "ui/skin/skin_text.h"

namespace ui {

namespace {

// Lines and pieces lose spaces and control characters at both ends.
bool IsTrimmed(wchar_t c) { return c == L' ' || c < 30; }

std::wstring Trim(const std::wstring& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

void CollectLine(const char* data, size_t size, std::vector<std::wstring>* lines) {
  std::wstring line = Trim(Utf8ToWide(data, size));
  if (!line.empty()) lines->push_back(std::move(line));
}

template <typename S>
void ReplaceAll(S* text, const S& from, const S& to) {
  for (size_t at = text->find(from); at != S::npos; at = text->find(from, at + to.size())) {
    text->replace(at, from.size(), to);
  }
}

// A text may carry "\r" and "\n" written as two characters.
template <typename S>
S Unescape(S text, const S& backslash_r, const S& backslash_n, const S& cr, const S& lf) {
  ReplaceAll(&text, backslash_r, cr);
  ReplaceAll(&text, backslash_n, lf);
  return text;
}

}  // namespace

LanguageTable& LanguageTable::Instance() {
  static LanguageTable table;
  return table;
}

LanguageTable::LanguageTable() : published_(std::make_shared<const Texts>()) {
  // The process's table may be made by whichever thread asks first; it
  // belongs to the thread that first loads or reads it.
  DETACH_FROM_THREAD(thread_checker_);
}

void LanguageTable::Clear() {
  ClearTables();
  Publish();
}

void LanguageTable::ClearTables() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  texts_.clear();
  overrides_.clear();
}

void LanguageTable::SetOverride(const std::wstring& id, const std::wstring& text) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  overrides_[id] = text;
  Publish();
}

void LanguageTable::Publish() {
  auto texts = std::make_shared<Texts>();
  for (const auto& entry : texts_) {
    std::wstring text = GetText(entry.first);
    if (!text.empty()) texts->emplace(entry.first, std::move(text));
  }
  std::lock_guard<std::mutex> hold(published_lock_);
  published_ = std::move(texts);
}

std::wstring LanguageTable::GetTextAnyThread(const std::wstring& id) const {
  std::shared_ptr<const Texts> texts;
  {
    std::lock_guard<std::mutex> hold(published_lock_);
    texts = published_;
  }
  auto text = texts->find(id);
  return text == texts->end() ? std::wstring() : text->second;
}

bool LanguageTable::LoadFile(const std::wstring& path) {
  ClearTables();
  FILE* file = _wfopen(path.c_str(), L"rt");
  if (!file) {
    Publish();
    return false;
  }
  std::vector<std::wstring> lines;
  // A line longer than the buffer arrives in pieces, each a line of its own.
  char buffer[4096];
  while (std::fgets(buffer, sizeof(buffer), file)) {
    CollectLine(buffer, std::strlen(buffer), &lines);
  }
  std::fclose(file);
  ParseLines(lines);
  return true;
}

bool LanguageTable::LoadMemory(const void* data, size_t size) {
  ClearTables();
  std::vector<std::wstring> lines;
  const char* bytes = static_cast<const char*>(data);
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    // The end of the block counts as one more line feed.
    if (i == size || bytes[i] == '\n' || bytes[i] == '\0') {
      CollectLine(bytes + start, i - start, &lines);
      start = i + 1;
    }
  }
  ParseLines(lines);
  return true;
}

void LanguageTable::ParseLines(const std::vector<std::wstring>& lines) {
  for (const std::wstring& line : lines) {
    // Every "=" separates; "==" counts as one.
    const std::vector<std::wstring> pieces = SplitText(line, L'=');
    if (pieces.size() != 2) continue;
    std::wstring id = Trim(pieces[0]);
    if (id.find(L';') != std::wstring::npos) continue;
    texts_[std::move(id)] = Trim(pieces[1]);
  }
  Publish();
}

const std::wstring* LanguageTable::Find(const std::wstring& id) const {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (id.empty()) return nullptr;
  auto text = texts_.find(id);
  if (text == texts_.end()) return nullptr;
  auto override_text = overrides_.find(id);
  return override_text != overrides_.end() ? &override_text->second : &text->second;
}

std::wstring LanguageTable::GetText(const std::wstring& id) const {
  const std::wstring* text = Find(id);
  if (!text || text->empty()) return std::wstring();
  return Unescape<std::wstring>(*text, L"\\r", L"\\n", L"\r", L"\n");
}

std::string LanguageTable::GetTextUtf8(const std::string& id) const {
  const std::wstring* text = Find(Utf8ToWide(id));
  if (!text || text->empty()) return std::string();
  return Unescape<std::string>(WideToUtf8(*text), "\\r", "\\n", "\r", "\n");
}

}  // namespace ui
