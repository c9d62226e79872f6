// A strict reader of the skin's layout files for the tests. It accepts well-formed XML only, so
// that a damaged layout fails here with a line number, and keeps what the tests look at: every
// attribute in document order with its quoting, and the text directly inside each element.
#pragma once

#include <string>
#include <vector>

namespace SkinTests {

struct MarkupAttribute {
  std::string name;
  std::string value;  // entities decoded
  bool doubleQuoted = true;
};

struct MarkupElement {
  std::string name;
  std::vector<MarkupAttribute> attributes;
  std::vector<MarkupElement> children;
  std::string text;  // character data directly inside the element, all pieces joined
  int line = 0;

  const MarkupAttribute* Find(const std::string& attribute) const;
  bool Has(const std::string& attribute) const { return Find(attribute) != nullptr; }
  // The value, or empty text when the attribute is absent.
  std::string Get(const std::string& attribute) const;
};

struct MarkupDocument {
  bool wellFormed = false;
  std::string error;  // "line N: what", when not well-formed
  bool numericReferences = false;
  MarkupElement root;
};

MarkupDocument ReadMarkup(const std::string& utf8);

// Every element below and including the root, in document order.
std::vector<const MarkupElement*> AllElements(const MarkupElement& root);
// The element whose "name" attribute is the given control name, or null.
const MarkupElement* FindControl(const MarkupElement& root, const std::string& name);
// The element that directly contains the given one, or null for the root.
const MarkupElement* ParentOf(const MarkupElement& root, const MarkupElement* element);
// True when `element` lies anywhere below `ancestor`.
bool Contains(const MarkupElement& ancestor, const MarkupElement* element);

}  // namespace SkinTests
