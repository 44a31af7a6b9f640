// MarkupDocument: the framework's own reader of skin markup.
//
// The whole text is held as one UTF-16 buffer and parsed in place: names,
// values and character data are cut out of it with NULs, and the tree is a
// flat table of element records pointing into the buffer. MarkupNode is a
// light handle to one element that indexes its attributes on first use.
//
// Skins may come from a server, so the reader takes untrusted text: it caps
// the text size and the nesting depth and reports every failure as a message
// and the text where it happened; nothing is thrown.
//
// Ownership: a document owns its text and element table; nodes point at the
// document and die with it. UI thread only.
#ifndef UI_SKIN_MARKUP_DOCUMENT_H_
#define UI_SKIN_MARKUP_DOCUMENT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class MarkupDocument;

struct MarkupElement {
  uint32_t start = 0;   // position of the element name
  uint32_t child = 0;   // first child, 0 = none
  uint32_t next = 0;    // next sibling, 0 = none
  uint32_t parent = 0;  // 0 for a top-level element
  uint32_t data = 0;    // position of the element's content
};

class MarkupNode {
 public:
  static constexpr int kMaxAttributes = 64;

  MarkupNode() = default;
  MarkupNode(MarkupDocument* document, int element)
      : element_(element), document_(document) {}

  bool IsValid() const { return document_ != nullptr && element_ > 0; }
  int element() const { return element_; }

  const wchar_t* Name() const;
  // The element's character data (empty for "/>" elements).
  const wchar_t* Text() const;
  MarkupNode FirstChild() const;
  MarkupNode NextSibling() const;
  bool HasChildren() const;

  int AttributeCount();
  const wchar_t* AttributeName(int index);
  const wchar_t* AttributeValue(int index);

 private:
  void IndexAttributes();

  int element_ = 0;
  int attribute_count_ = 0;
  uint32_t attributes_[kMaxAttributes][2] = {};
  MarkupDocument* document_ = nullptr;
};

class MarkupDocument {
 public:
  // Skin files larger than this are refused; text handed in directly is
  // held to the same number of characters.
  static constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;
  static constexpr size_t kMaxTextChars = kMaxFileBytes;
  // Elements nested deeper than this fail the parse instead of the stack.
  static constexpr int kMaxDepth = 256;

  MarkupDocument() = default;
  MarkupDocument(const MarkupDocument&) = delete;
  MarkupDocument& operator=(const MarkupDocument&) = delete;

  // Parses a NUL-terminated UTF-16 text; a leading byte-order mark is dropped.
  bool LoadText(const wchar_t* text);
  // Parses UTF-8 bytes of an exact size (a skin file's content, an archive
  // entry); a leading byte-order mark is dropped, a NUL ends the text.
  bool LoadUtf8(const char* data, size_t size);
  // Reads and parses a skin file. A relative path is taken under
  // `resource_root` (a folder ending in a separator).
  bool LoadFile(const std::wstring& path, const std::wstring& resource_root);

  void Release();

  // Element 1, or an invalid node when the document holds no element.
  MarkupNode GetRoot();
  // Slots in use, slot 0 included (0 before the first parse).
  uint32_t element_count() const { return static_cast<uint32_t>(elements_.size()); }

  const wchar_t* GetErrorMessage() const { return error_message_; }
  const wchar_t* GetErrorLocation() const { return error_location_; }

 private:
  friend class MarkupNode;

  bool TakeText(std::unique_ptr<wchar_t[]> text, size_t length);
  bool Parse();
  bool ParseElements(size_t& pos, uint32_t parent, int depth);
  bool ParseAttributes(size_t& pos);
  void ParseText(size_t& pos, size_t& write, wchar_t end);
  uint32_t AddElement();
  void SkipWhitespace(size_t& pos) const;
  bool Fail(const wchar_t* message, const wchar_t* location);
  bool FailAt(const wchar_t* message, size_t pos) { return Fail(message, text_.get() + pos); }
  void ClearError();

  std::unique_ptr<wchar_t[]> text_;
  size_t length_ = 0;
  std::vector<MarkupElement> elements_;
  wchar_t error_message_[100] = {};
  wchar_t error_location_[50] = {};
};

}  // namespace ui

#endif  // UI_SKIN_MARKUP_DOCUMENT_H_
