// CXmlDocument: the markup parser for layout files. It accepts the small XML subset the skins
// are written in and parses in place: the decoded text is kept, terminators are written into
// it, and element names, attribute names and values are read from it without copies.
// Whitespace in content is always kept as written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "skinui/xml_node.h"

namespace SkinUI {

class CXmlDocument {
 public:
  enum Encoding { kUtf8 = 0, kUtf16 = 1, kAnsi = 2 };

  CXmlDocument() = default;
  CXmlDocument(const CXmlDocument&) = delete;
  CXmlDocument& operator=(const CXmlDocument&) = delete;

  // Copies the text and parses it; false on a parse error.
  bool Load(const wchar_t* text);
  // Decodes (UTF-8 without its byte-order mark, UTF-16 with a mark, or the ANSI code page)
  // and parses.
  bool LoadFromMemory(const unsigned char* bytes, size_t size, int encoding);
  // Reads a skin file (plain file or archive entry, at most 4 MiB) and parses it.
  bool LoadFromFile(const wchar_t* name, int encoding);
  void Release();

  // The first top-level element, or an invalid node when the document has none.
  CXmlNode Root() const;

  const std::wstring& LastErrorMessage() const { return errorMessage_; }
  const std::wstring& LastErrorLocation() const { return errorLocation_; }

  static constexpr uint64_t kMaxFileSize = 4 * 1024 * 1024;

 private:
  friend class CXmlNode;

  struct Element {
    uint32_t start;   // offset of the name
    uint32_t child;   // first child, 0 = none
    uint32_t next;    // next sibling, 0 = none
    uint32_t parent;  // 0 for top-level elements
    uint32_t data;    // offset of the content, or of the "/>" of an empty element
  };

  bool Parse();
  bool Fail(const wchar_t* message, size_t position);
  bool FailLoad(const wchar_t* message);
  bool TakeText(std::wstring text);

  wchar_t At(size_t position) const { return position < length_ ? text_[position] : L'\0'; }
  bool AtEnd(size_t position) const { return position >= length_; }
  void SkipWhitespace(size_t& position) const;
  // Decodes the five entities in place from `position` up to `stop` or the end of the text;
  // leaves `position` on the stop character and returns false when the text ended first.
  bool ReadContent(size_t& position, wchar_t stop, bool terminateAtStop);
  // Checks "</name>" at `position` (on the "<") for the open element and steps past it.
  bool CloseElement(size_t& position, uint32_t nameStart, uint32_t nameLength);
  void AppendElement(const Element& element);

  std::vector<wchar_t> text_;  // zero-terminated
  size_t length_ = 0;          // characters before the terminator
  std::vector<Element> elements_;
  std::wstring errorMessage_;
  std::wstring errorLocation_;
};

}  // namespace SkinUI
