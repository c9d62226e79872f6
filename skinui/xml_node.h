// CXmlNode: a cheap value that walks a parsed CXmlDocument. It is valid while its document
// holds the text it was taken from.
#pragma once

#include <cstddef>
#include <cstdint>

namespace SkinUI {

class CXmlDocument;

class CXmlNode {
 public:
  CXmlNode() = default;

  bool IsValid() const;
  const wchar_t* Name() const;   // empty text for an invalid node
  const wchar_t* Value() const;  // the content before the first child element
  CXmlNode FirstChild() const;   // invalid at the end
  CXmlNode NextSibling() const;  // invalid at the end
  bool HasChildren() const;

  // Only the first kMaxAttributes attributes of an element are visible.
  bool HasAttributes() const;
  int AttributeCount() const;
  const wchar_t* AttributeName(int index) const;   // empty text outside 0..count-1
  const wchar_t* AttributeValue(int index) const;  // empty text outside 0..count-1
  // Exact, case-sensitive name. Copies at most length - 1 characters and a terminator.
  bool FindAttribute(const wchar_t* name, wchar_t* destination, size_t length) const;
  // The value in place, or null.
  const wchar_t* FindAttribute(const wchar_t* name) const;

  static constexpr int kMaxAttributes = 64;

 private:
  friend class CXmlDocument;
  CXmlNode(const CXmlDocument* document, uint32_t element) : document_(document), element_(element) {}

  void MapAttributes() const;
  const wchar_t* TextAt(uint32_t offset) const;

  const CXmlDocument* document_ = nullptr;
  uint32_t element_ = 0;
  // Built on first use: offsets of name and value of each visible attribute.
  mutable bool mapped_ = false;
  mutable int attributeCount_ = 0;
  mutable uint32_t attributes_[kMaxAttributes][2] = {};
};

}  // namespace SkinUI
