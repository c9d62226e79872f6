#include "tests/skin/layout_markup.h"

#include <set>

namespace SkinTests {

namespace {

class Reader {
 public:
  explicit Reader(const std::string& text) : s_(text) {}

  MarkupDocument Read() {
    MarkupDocument document;
    if (!ValidUtf8()) return Failed(document, "the text is not valid UTF-8");
    if (s_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
    SkipMisc();
    if (failed_) return Failed(document, error_);
    if (!Peek("<")) return Failed(document, "no root element");
    if (!ReadElement(&document.root, 0)) return Failed(document, error_);
    SkipMisc();
    if (failed_) return Failed(document, error_);
    if (pos_ != s_.size()) return Failed(document, Where("content after the root element"));
    document.wellFormed = true;
    document.numericReferences = numericReferences_;
    return document;
  }

 private:
  static MarkupDocument Failed(MarkupDocument& document, const std::string& error) {
    document.wellFormed = false;
    document.error = error;
    return document;
  }

  std::string Where(const std::string& what) const { return "line " + std::to_string(Line()) + ": " + what; }
  bool Fail(const std::string& what) {
    if (!failed_) error_ = Where(what);
    failed_ = true;
    return false;
  }
  int Line() const {
    int line = 1;
    for (size_t i = 0; i < pos_ && i < s_.size(); ++i) line += s_[i] == '\n';
    return line;
  }

  bool ValidUtf8() const {
    for (size_t i = 0; i < s_.size();) {
      const unsigned char c = static_cast<unsigned char>(s_[i]);
      size_t extra = 0;
      if (c >= 0xC2 && c <= 0xDF)
        extra = 1;
      else if (c >= 0xE0 && c <= 0xEF)
        extra = 2;
      else if (c >= 0xF0 && c <= 0xF4)
        extra = 3;
      else if (c >= 0x80)
        return false;
      if (s_.size() - i < extra + 1) return false;
      for (size_t k = 1; k <= extra; ++k) {
        if ((static_cast<unsigned char>(s_[i + k]) & 0xC0) != 0x80) return false;
      }
      i += extra + 1;
    }
    return true;
  }

  bool Peek(const char* text) const { return s_.compare(pos_, std::char_traits<char>::length(text), text) == 0; }
  static bool Space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
  void SkipSpace() {
    while (pos_ < s_.size() && Space(s_[pos_])) ++pos_;
  }
  static bool NameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
  }
  static bool NameChar(char c) { return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

  bool ReadName(std::string* name) {
    if (pos_ >= s_.size() || !NameStart(s_[pos_])) return Fail("a name was expected");
    const size_t start = pos_;
    while (pos_ < s_.size() && NameChar(s_[pos_])) ++pos_;
    *name = s_.substr(start, pos_ - start);
    return true;
  }

  // Comments, processing instructions (the declaration) and white space between elements.
  void SkipMisc() {
    for (;;) {
      SkipSpace();
      if (Peek("<!--")) {
        if (!SkipComment()) return;
      } else if (Peek("<?")) {
        const size_t end = s_.find("?>", pos_ + 2);
        if (end == std::string::npos) {
          Fail("unterminated declaration");
          return;
        }
        pos_ = end + 2;
      } else {
        return;
      }
    }
  }
  bool SkipComment() {
    const size_t end = s_.find("--", pos_ + 4);
    if (end == std::string::npos) return Fail("unterminated comment");
    if (s_.compare(end, 3, "-->") != 0) return Fail("\"--\" inside a comment");
    pos_ = end + 3;
    return true;
  }

  // Character data up to `stop` (exclusive), with entity and character references decoded.
  bool ReadData(const std::string& stops, std::string* out) {
    while (pos_ < s_.size() && stops.find(s_[pos_]) == std::string::npos) {
      const char c = s_[pos_];
      if (c == '<') return Fail("\"<\" inside an attribute value");
      if (c == '&') {
        const size_t end = s_.find(';', pos_);
        if (end == std::string::npos || end - pos_ > 10) return Fail("a lone \"&\"");
        const std::string entity = s_.substr(pos_ + 1, end - pos_ - 1);
        if (entity == "amp")
          *out += '&';
        else if (entity == "lt")
          *out += '<';
        else if (entity == "gt")
          *out += '>';
        else if (entity == "quot")
          *out += '"';
        else if (entity == "apos")
          *out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
          numericReferences_ = true;
          *out += "&" + entity + ";";
        } else {
          return Fail("unknown entity &" + entity + ";");
        }
        pos_ = end + 1;
        continue;
      }
      if (c == ']' && Peek("]]>")) return Fail("\"]]>\" in character data");
      *out += c;
      ++pos_;
    }
    return true;
  }

  bool ReadElement(MarkupElement* element, int depth) {
    if (depth > 64) return Fail("elements nested too deeply");
    element->line = Line();
    ++pos_;  // "<"
    if (!ReadName(&element->name)) return false;
    std::set<std::string> seen;
    for (;;) {
      const size_t before = pos_;
      SkipSpace();
      if (Peek("/>")) {
        pos_ += 2;
        return true;
      }
      if (Peek(">")) {
        ++pos_;
        break;
      }
      if (pos_ == before) return Fail("white space was expected before an attribute");
      MarkupAttribute attribute;
      if (!ReadName(&attribute.name)) return false;
      SkipSpace();
      if (!Peek("=")) return Fail("\"=\" was expected after " + attribute.name);
      ++pos_;
      SkipSpace();
      if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) return Fail("a quoted value was expected");
      const char quote = s_[pos_++];
      attribute.doubleQuoted = quote == '"';
      if (!ReadData(std::string(1, quote), &attribute.value)) return false;
      if (pos_ >= s_.size()) return Fail("unterminated attribute value");
      ++pos_;
      if (!seen.insert(attribute.name).second) return Fail("attribute " + attribute.name + " given twice");
      element->attributes.push_back(std::move(attribute));
    }
    for (;;) {
      if (!ReadData("<", &element->text)) return false;
      if (pos_ >= s_.size()) return Fail("</" + element->name + "> is missing");
      if (Peek("<!--")) {
        if (!SkipComment()) return false;
      } else if (Peek("</")) {
        pos_ += 2;
        std::string name;
        if (!ReadName(&name)) return false;
        SkipSpace();
        if (name != element->name || !Peek(">")) return Fail("</" + element->name + "> was expected");
        ++pos_;
        return true;
      } else if (Peek("<?") || Peek("<!")) {
        return Fail("declarations are not expected inside elements");
      } else {
        element->children.emplace_back();
        if (!ReadElement(&element->children.back(), depth + 1)) return false;
      }
    }
  }

  const std::string& s_;
  size_t pos_ = 0;
  bool failed_ = false;
  bool numericReferences_ = false;
  std::string error_;
};

void Collect(const MarkupElement& element, std::vector<const MarkupElement*>* out) {
  out->push_back(&element);
  for (const MarkupElement& child : element.children) Collect(child, out);
}

}  // namespace

const MarkupAttribute* MarkupElement::Find(const std::string& attribute) const {
  for (const MarkupAttribute& a : attributes) {
    if (a.name == attribute) return &a;
  }
  return nullptr;
}

std::string MarkupElement::Get(const std::string& attribute) const {
  const MarkupAttribute* a = Find(attribute);
  return a ? a->value : std::string();
}

MarkupDocument ReadMarkup(const std::string& utf8) { return Reader(utf8).Read(); }

std::vector<const MarkupElement*> AllElements(const MarkupElement& root) {
  std::vector<const MarkupElement*> all;
  Collect(root, &all);
  return all;
}

const MarkupElement* FindControl(const MarkupElement& root, const std::string& name) {
  for (const MarkupElement* element : AllElements(root)) {
    if (element->Get("name") == name && element->Has("name")) return element;
  }
  return nullptr;
}

const MarkupElement* ParentOf(const MarkupElement& root, const MarkupElement* element) {
  for (const MarkupElement* candidate : AllElements(root)) {
    for (const MarkupElement& child : candidate->children) {
      if (&child == element) return candidate;
    }
  }
  return nullptr;
}

bool Contains(const MarkupElement& ancestor, const MarkupElement* element) {
  for (const MarkupElement* candidate : AllElements(ancestor)) {
    if (candidate == element && candidate != &ancestor) return true;
  }
  return false;
}

}  // namespace SkinTests
