#include "ui/skin/markup_document.h"

#include <windows.h>

#include <cstring>
#include <cwctype>

#include "ui/skin/skin_text.h"

namespace ui {

namespace {

const wchar_t kEmpty[] = L"";

bool IsWhitespace(wchar_t c) { return c >= 1 && c <= 32; }

bool IsNameChar(wchar_t c) { return c != 0 && (std::iswalnum(c) || c == L'_' || c == L':'); }

bool IsAbsolutePath(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':') return true;
  return !path.empty() && (path[0] == L'\\' || path[0] == L'/');
}

}  // namespace

// --- MarkupNode -------------------------------------------------------------

const wchar_t* MarkupNode::Name() const {
  if (!IsValid()) return kEmpty;
  return document_->text_.get() + document_->elements_[element_].start;
}

const wchar_t* MarkupNode::Text() const {
  if (!IsValid()) return kEmpty;
  return document_->text_.get() + document_->elements_[element_].data;
}

MarkupNode MarkupNode::FirstChild() const {
  if (!IsValid()) return MarkupNode();
  return MarkupNode(document_, static_cast<int>(document_->elements_[element_].child));
}

MarkupNode MarkupNode::NextSibling() const {
  if (!IsValid()) return MarkupNode();
  return MarkupNode(document_, static_cast<int>(document_->elements_[element_].next));
}

bool MarkupNode::HasChildren() const {
  return IsValid() && document_->elements_[element_].child != 0;
}

int MarkupNode::AttributeCount() {
  if (attribute_count_ == 0) IndexAttributes();
  return attribute_count_;
}

const wchar_t* MarkupNode::AttributeName(int index) {
  if (attribute_count_ == 0) IndexAttributes();
  if (index < 0 || index >= attribute_count_) return kEmpty;
  return document_->text_.get() + attributes_[index][0];
}

const wchar_t* MarkupNode::AttributeValue(int index) {
  if (attribute_count_ == 0) IndexAttributes();
  if (index < 0 || index >= attribute_count_) return kEmpty;
  return document_->text_.get() + attributes_[index][1];
}

// Walks the start tag again: after the name come (name NUL, blanks, quote,
// value NUL) groups until the element's content begins. Every step stays
// before the content, so character data can never pass for an attribute.
void MarkupNode::IndexAttributes() {
  attribute_count_ = 0;
  if (!IsValid()) return;
  const wchar_t* text = document_->text_.get();
  const MarkupElement& e = document_->elements_[element_];
  size_t pos = e.start;
  const size_t data = e.data;
  auto skip_string = [&] {
    while (pos < data && text[pos] != 0) ++pos;
    ++pos;
  };
  auto skip_blanks = [&] {
    while (pos < data && IsWhitespace(text[pos])) ++pos;
  };
  for (;;) {
    skip_string();
    if (pos >= data) return;
    skip_blanks();
    if (pos >= data) return;
    const size_t name = pos;
    skip_string();
    if (pos >= data) return;
    skip_blanks();
    if (pos >= data || text[pos] != L'"') return;
    attributes_[attribute_count_][0] = static_cast<uint32_t>(name);
    attributes_[attribute_count_][1] = static_cast<uint32_t>(pos + 1);
    if (++attribute_count_ == kMaxAttributes) return;
    ++pos;  // onto the value, which skip_string() steps over
  }
}

// --- MarkupDocument ---------------------------------------------------------

void MarkupDocument::Release() {
  text_.reset();
  length_ = 0;
  elements_.clear();
  elements_.shrink_to_fit();
}

void MarkupDocument::ClearError() {
  std::memset(error_message_, 0, sizeof(error_message_));
  std::memset(error_location_, 0, sizeof(error_location_));
}

bool MarkupDocument::Fail(const wchar_t* message, const wchar_t* location) {
  wcsncpy(error_message_, message, 99);
  error_message_[99] = 0;
  if (location) {
    wcsncpy(error_location_, location, 49);
    error_location_[49] = 0;
  } else {
    error_location_[0] = 0;
  }
  return false;
}

bool MarkupDocument::LoadText(const wchar_t* text) {
  Release();
  ClearError();
  if (!text) return Fail(L"No text", nullptr);
  if (*text == 0xFEFF) ++text;
  const size_t length = wcsnlen(text, kMaxTextChars + 1);
  if (length > kMaxTextChars) return Fail(L"Text too large", nullptr);
  std::unique_ptr<wchar_t[]> copy(new wchar_t[length + 2]);
  std::memcpy(copy.get(), text, length * sizeof(wchar_t));
  return TakeText(std::move(copy), length);
}

bool MarkupDocument::LoadUtf8(const char* data, size_t size) {
  Release();
  ClearError();
  if (size > kMaxFileBytes) return Fail(L"File too large", nullptr);
  if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
    data += 3;
    size -= 3;
  }
  if (const void* nul = size ? std::memchr(data, 0, size) : nullptr) {
    size = static_cast<const char*>(nul) - data;
  }
  const std::wstring wide = Utf8ToWide(data, size);
  std::unique_ptr<wchar_t[]> text(new wchar_t[wide.size() + 2]);
  std::memcpy(text.get(), wide.data(), wide.size() * sizeof(wchar_t));
  return TakeText(std::move(text), wide.size());
}

bool MarkupDocument::LoadFile(const std::wstring& path, const std::wstring& resource_root) {
  Release();
  ClearError();
  const std::wstring full = IsAbsolutePath(path) ? path : resource_root + path;
  HANDLE file = CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(L"Error opening file", nullptr);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) {
    CloseHandle(file);
    return Fail(L"Could not read file", nullptr);
  }
  if (size.QuadPart == 0) {
    CloseHandle(file);
    return Fail(L"File is empty", nullptr);
  }
  if (size.QuadPart > static_cast<LONGLONG>(kMaxFileBytes)) {
    CloseHandle(file);
    return Fail(L"File too large", nullptr);
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  const BOOL ok = ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  if (!ok || read < bytes.size()) return Fail(L"Could not read file", nullptr);
  return LoadUtf8(bytes.data(), bytes.size());
}

bool MarkupDocument::TakeText(std::unique_ptr<wchar_t[]> text, size_t length) {
  // Two NULs: scans that step past a terminator still land on one.
  text[length] = 0;
  text[length + 1] = 0;
  text_ = std::move(text);
  length_ = length;
  if (Parse()) return true;
  Release();
  return false;
}

MarkupNode MarkupDocument::GetRoot() {
  if (elements_.size() <= 1) return MarkupNode();
  return MarkupNode(this, 1);
}

uint32_t MarkupDocument::AddElement() {
  if (elements_.size() == elements_.capacity()) {
    const size_t capacity = elements_.capacity();
    elements_.reserve(capacity + capacity / 2 + 500);
  }
  elements_.emplace_back();
  return static_cast<uint32_t>(elements_.size() - 1);
}

void MarkupDocument::SkipWhitespace(size_t& pos) const {
  while (IsWhitespace(text_[pos])) ++pos;
}

bool MarkupDocument::Parse() {
  ClearError();
  elements_.clear();
  AddElement();  // slot 0 stands for "no element"
  size_t pos = 0;
  return ParseElements(pos, 0, 0);
}

bool MarkupDocument::ParseElements(size_t& pos, uint32_t parent, int depth) {
  if (depth > kMaxDepth) return FailAt(L"Elements nested too deeply", pos);
  wchar_t* t = text_.get();
  SkipWhitespace(pos);
  uint32_t previous = 0;
  for (;;) {
    if (t[pos] == 0) return parent <= 1 ? true : Fail(L"Expected start tag", nullptr);
    SkipWhitespace(pos);
    if (t[pos] != L'<') return FailAt(L"Expected start tag", pos);
    if (t[pos + 1] == L'/') return true;
    t[pos++] = 0;
    SkipWhitespace(pos);

    // Comments, declarations and processing instructions are skipped.
    if (t[pos] == L'!' || t[pos] == L'?') {
      const wchar_t first = t[pos] == L'!' ? L'-' : L'?';
      while (t[pos] != 0 && !(t[pos] == first && t[pos + 1] == L'>')) ++pos;
      if (t[pos] != 0) pos += 2;
      SkipWhitespace(pos);
      continue;
    }

    const uint32_t index = AddElement();
    {
      MarkupElement& e = elements_[index];
      e.start = static_cast<uint32_t>(pos);
      e.parent = parent;
    }
    if (previous != 0) {
      elements_[previous].next = index;
    } else if (parent != 0) {
      elements_[parent].child = index;
    }

    const size_t name = pos;
    while (IsNameChar(t[pos])) ++pos;
    if (t[pos] == 0) return Fail(L"Error parsing element name", nullptr);
    const size_t name_end = pos;
    const size_t name_length = name_end - name;
    if (!ParseAttributes(pos)) return false;

    SkipWhitespace(pos);
    if (t[pos] == L'/' && t[pos + 1] == L'>') {
      elements_[index].data = static_cast<uint32_t>(pos);
      t[pos] = 0;
      pos += 2;
      t[name_end] = 0;
    } else if (t[pos] != L'>') {
      return FailAt(L"Expected start-tag closing", pos);
    } else {
      elements_[index].data = static_cast<uint32_t>(++pos);
      // The name ends here already: an element left open at the end of the
      // text must still read with its own name, not with the ">" after it.
      t[name_end] = 0;
      size_t write = pos;
      ParseText(pos, write, L'<');
      if (t[pos] == 0) {
        t[write] = 0;
        return parent <= 1 ? true : Fail(L"Expected end-tag start", nullptr);
      }
      if (t[pos + 1] != L'/') {
        if (!ParseElements(pos, index, depth + 1)) return false;
        // The first child's "<" is a NUL already, at or after `write`.
        t[write] = 0;
      }
      if (t[pos] == L'<' && t[pos + 1] == L'/') {
        t[write] = 0;
        t[pos] = 0;
        pos += 2;
        SkipWhitespace(pos);
        if (wcsncmp(t + pos, t + name, name_length) != 0) {
          return FailAt(L"Unmatched closing tag", pos);
        }
        pos += name_length;
        SkipWhitespace(pos);
        if (t[pos] != L'>') {
          return Fail(L"Unmatched closing tag", t[pos] != 0 ? t + pos + 1 : nullptr);
        }
        ++pos;
      }
    }
    SkipWhitespace(pos);
    previous = index;
  }
}

bool MarkupDocument::ParseAttributes(size_t& pos) {
  wchar_t* t = text_.get();
  if (t[pos] == L'>' || t[pos] == L'/') return true;
  t[pos++] = 0;
  SkipWhitespace(pos);
  while (t[pos] != 0 && t[pos] != L'>' && t[pos] != L'/') {
    while (IsNameChar(t[pos])) ++pos;
    const size_t name_end = pos;
    SkipWhitespace(pos);
    if (t[pos] != L'=') return FailAt(L"Error while parsing attributes", pos);
    t[pos] = L' ';
    t[name_end] = 0;
    ++pos;
    SkipWhitespace(pos);
    if (t[pos] != L'"') {
      return Fail(L"Expected attribute value", t[pos] != 0 ? t + pos + 1 : nullptr);
    }
    size_t write = ++pos;
    ParseText(pos, write, L'"');
    if (t[pos] == 0) return Fail(L"Error while parsing attribute string", nullptr);
    t[write] = 0;
    if (pos > write) t[pos] = L' ';
    ++pos;
    SkipWhitespace(pos);
  }
  return true;
}

void MarkupDocument::ParseText(size_t& pos, size_t& write, wchar_t end) {
  static const struct {
    const wchar_t* name;
    size_t length;
    wchar_t value;
  } kEntities[] = {
      {L"&amp;", 5, L'&'}, {L"&lt;", 4, L'<'}, {L"&gt;", 4, L'>'},
      {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
  };
  wchar_t* t = text_.get();
  while (t[pos] != 0 && t[pos] != end) {
    if (t[pos] == L'&') {
      bool decoded = false;
      for (const auto& entity : kEntities) {
        if (wcsncmp(t + pos, entity.name, entity.length) == 0) {
          t[write++] = entity.value;
          pos += entity.length;
          decoded = true;
          break;
        }
      }
      if (decoded) continue;
    }
    t[write++] = t[pos++];
  }
  for (size_t i = write; i < pos; ++i) t[i] = L' ';
}

}  // namespace ui
