// Every event an installation reports through DownloadCallback, with what its value and text
// carry: the one list the package authors' contract prints (PACKAGE_CONTRACT.md) and a test
// compares with that document.
#pragma once

#include <string>
#include <vector>

namespace EventCatalog {

struct EventInfo {
  int code;
  const char* name;
  const char* raisedBy;
  const char* meaning;
  const char* value;                  // what the number carries
  std::vector<const wchar_t*> texts;  // the fixed texts it can carry; none: empty or as described
  const char* textNote;               // besides the fixed texts
};

const std::vector<EventInfo>& Events();

// The list as a Markdown table, UTF-8, one row per event and a line feed after every line.
std::string MarkdownTable();

}  // namespace EventCatalog
