#include "tests/skin/image_references.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace SkinTests {

ImageDescription ReadImageDescription(const std::string& value) {
  ImageDescription description;
  description.file = value;
  size_t i = 0;
  auto space = [&](size_t at) { return at < value.size() && std::isspace(static_cast<unsigned char>(value[at])); };
  for (;;) {
    while (space(i)) ++i;
    const size_t keyStart = i;
    while (i < value.size() && value[i] != '=' && !space(i)) ++i;
    const std::string key = value.substr(keyStart, i - keyStart);
    while (space(i)) ++i;
    if (i >= value.size() || value[i] != '=') {
      description.unread = description.keys.empty() ? std::string() : value.substr(keyStart);
      return description;
    }
    ++i;
    while (space(i)) ++i;
    if (i >= value.size() || value[i] != '\'') {
      description.unread = value.substr(keyStart);
      return description;
    }
    const size_t close = value.find('\'', i + 1);
    if (close == std::string::npos) {
      description.unread = value.substr(keyStart);
      return description;
    }
    const std::string text = value.substr(i + 1, close - i - 1);
    description.keys[key] = text;
    if (key == "file" || key == "res") description.file = text;
    i = close + 1;
    if (i < value.size() && value[i] == ' ' && !(i + 1 < value.size() && value[i + 1] == ' ')) {
      ++i;
      continue;
    }
    description.unread = value.substr(i);
    return description;
  }
}

std::vector<std::string> PngNamesIn(const std::string& value) {
  std::vector<std::string> names;
  std::string token;
  auto flush = [&] {
    std::string lower = token;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".png") == 0) names.push_back(token);
    token.clear();
  };
  for (char c : value) {
    if (c == '\'' || c == '=' || std::isspace(static_cast<unsigned char>(c))) {
      flush();
    } else {
      token += c;
    }
  }
  flush();
  return names;
}

std::string ArchiveName(const std::string& imageName) {
  std::string name = imageName;
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

std::string FrameName(const std::string& pattern, int frame) {
  const size_t at = pattern.find("%.3d");
  if (at == std::string::npos || pattern.find('%', at + 1) != std::string::npos) return std::string();
  char number[16];
  std::snprintf(number, sizeof(number), "%.3d", frame);
  return pattern.substr(0, at) + number + pattern.substr(at + 4);
}

bool IsImageAttribute(const std::string& attribute) {
  static const std::set<std::string> kNames = {"bkimage",       "normalimage",      "hotimage",       "pushedimage",
                                               "focusedimage",  "disabledimage",    "foreimage",      "hotforeimage",
                                               "selectedimage", "selectedhotimage", "fivestatusimage"};
  return kNames.count(attribute) != 0;
}

std::set<std::string> ImagesOfLayout(const MarkupElement& root) {
  std::set<std::string> images;
  for (const MarkupElement* element : AllElements(root)) {
    for (const MarkupAttribute& attribute : element->attributes) {
      if (attribute.name == "sequencebkimage") {
        const int count = std::atoi(element->Get("sequencecount").c_str());
        for (int frame = 0; frame < count; ++frame) images.insert(FrameName(attribute.value, frame));
        continue;
      }
      for (const std::string& name : PngNamesIn(attribute.value)) images.insert(name);
    }
  }
  return images;
}

const std::vector<std::string>& ImagesNamedByCode() {
  static const std::vector<std::string> kNames = {"res\\mainWnd\\bg1.png", "res\\mainWnd\\bg2.png",
                                                  "res\\mainWnd\\bg3.png", "res\\mainWnd\\bg4.png",
                                                  "res\\mainWnd\\installPrg3.png"};
  return kNames;
}

}  // namespace SkinTests
