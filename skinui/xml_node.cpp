#include "skinui/xml_node.h"

#include <cwchar>

#include "skinui/xml_document.h"

namespace SkinUI {

bool CXmlNode::IsValid() const { return document_ && element_ > 0 && element_ < document_->elements_.size(); }

const wchar_t* CXmlNode::TextAt(uint32_t offset) const {
  return offset < document_->length_ ? &document_->text_[offset] : L"";
}

const wchar_t* CXmlNode::Name() const { return IsValid() ? TextAt(document_->elements_[element_].start) : L""; }

const wchar_t* CXmlNode::Value() const { return IsValid() ? TextAt(document_->elements_[element_].data) : L""; }

CXmlNode CXmlNode::FirstChild() const {
  if (!IsValid()) return CXmlNode();
  const uint32_t child = document_->elements_[element_].child;
  return child ? CXmlNode(document_, child) : CXmlNode();
}

CXmlNode CXmlNode::NextSibling() const {
  if (!IsValid()) return CXmlNode();
  const uint32_t next = document_->elements_[element_].next;
  return next ? CXmlNode(document_, next) : CXmlNode();
}

bool CXmlNode::HasChildren() const { return IsValid() && document_->elements_[element_].child != 0; }

// Walks the start tag as the parser left it: the element name and each attribute name end in
// a terminator; between them lie only whitespace (code 1 to 32); each value follows its
// opening double quote and ends in a terminator. The walk stops at the element's content.
void CXmlNode::MapAttributes() const {
  if (mapped_) return;
  mapped_ = true;
  attributeCount_ = 0;
  if (!IsValid()) return;
  const wchar_t* text = document_->text_.data();
  const size_t limit = document_->elements_[element_].data;
  auto skipSpace = [&](size_t p) {
    while (p < limit && text[p] >= 1 && text[p] <= 32) ++p;
    return p;
  };
  auto skipToTerminator = [&](size_t p) {
    while (p < limit && text[p] != L'\0') ++p;
    return p;
  };
  size_t p = skipToTerminator(document_->elements_[element_].start) + 1;
  while (attributeCount_ < kMaxAttributes) {
    p = skipSpace(p);
    if (p >= limit || text[p] == L'>') return;
    const size_t name = p;
    p = skipToTerminator(p);
    if (p >= limit) return;
    p = skipSpace(p + 1);
    if (p >= limit || text[p] != L'"') return;
    const size_t value = ++p;
    p = skipToTerminator(p);
    if (p >= limit) return;
    ++p;
    attributes_[attributeCount_][0] = static_cast<uint32_t>(name);
    attributes_[attributeCount_][1] = static_cast<uint32_t>(value);
    ++attributeCount_;
  }
}

bool CXmlNode::HasAttributes() const { return AttributeCount() > 0; }

int CXmlNode::AttributeCount() const {
  MapAttributes();
  return attributeCount_;
}

const wchar_t* CXmlNode::AttributeName(int index) const {
  if (index < 0 || index >= AttributeCount()) return L"";
  return TextAt(attributes_[index][0]);
}

const wchar_t* CXmlNode::AttributeValue(int index) const {
  if (index < 0 || index >= AttributeCount()) return L"";
  return TextAt(attributes_[index][1]);
}

const wchar_t* CXmlNode::FindAttribute(const wchar_t* name) const {
  if (!name) return nullptr;
  const int count = AttributeCount();
  for (int i = 0; i < count; ++i) {
    if (std::wcscmp(TextAt(attributes_[i][0]), name) == 0) return TextAt(attributes_[i][1]);
  }
  return nullptr;
}

bool CXmlNode::FindAttribute(const wchar_t* name, wchar_t* destination, size_t length) const {
  const wchar_t* value = FindAttribute(name);
  if (!value) return false;
  if (destination && length > 0) {
    size_t i = 0;
    for (; i + 1 < length && value[i] != L'\0'; ++i) destination[i] = value[i];
    destination[i] = L'\0';
  }
  return true;
}

}  // namespace SkinUI
