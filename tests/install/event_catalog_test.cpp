// The event table of PACKAGE_CONTRACT.md is the code's own list, printed: a change on either side
// without the other fails here, and the message holds the table to paste.
#include "install/event_catalog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/support/paths.h"
#include "tests/support/sandbox.h"

namespace {

constexpr char kBegin[] = "<!-- event table: generated from install/event_catalog.cpp -->\n";
constexpr char kEnd[] = "<!-- end of the event table -->";

TEST(EventCatalog, ContractDocumentPrintsTheCatalogue) {
  const std::string contract = TestSupport::ReadFileBytes(TestSupport::SourceTreePath("PACKAGE_CONTRACT.md"));
  ASSERT_FALSE(contract.empty());
  const size_t begin = contract.find(kBegin);
  ASSERT_NE(begin, std::string::npos);
  const size_t end = contract.find(kEnd, begin);
  ASSERT_NE(end, std::string::npos);
  const std::string printed = contract.substr(begin + sizeof(kBegin) - 1, end - begin - (sizeof(kBegin) - 1));
  EXPECT_EQ(printed, EventCatalog::MarkdownTable()) << "paste this table:\n" << EventCatalog::MarkdownTable();
}

TEST(EventCatalog, CodesAreUniqueAndInTheirRanges) {
  std::set<int> seen;
  for (const EventCatalog::EventInfo& event : EventCatalog::Events()) {
    EXPECT_TRUE(seen.insert(event.code).second) << event.code;
    const bool inRange = (event.code >= 1001 && event.code <= 1006) || (event.code >= 2001 && event.code <= 2004) ||
                         (event.code >= 3000 && event.code <= 3009) || (event.code >= 5001 && event.code <= 5005);
    EXPECT_TRUE(inRange) << event.code;
  }
  EXPECT_EQ(seen.count(3006), 0u) << "3006 is not used";
  EXPECT_EQ(seen.size(), 24u);
}

}  // namespace
