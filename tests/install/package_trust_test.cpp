// How the two trust settings are read: what passes as a pinned SHA-256 and as a list of
// thumbprints, and what is a settings error.
#include "install/package_trust.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kSha(64, 'a');
const std::string kThumb(40, 'b');
const std::string kOther(40, '1');

TEST(PackageTrust, ReadsTheSettingsOrCallsThemMalformed) {
  const struct {
    const wchar_t* sha256;
    const wchar_t* signers;
    bool valid;
    std::string sha;
    std::vector<std::string> thumbprints;
  } cases[] = {
      {L"", L"", true, "", {}},
      {L"  ", L" \t", true, "", {}},
      {L"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", L"", true, kSha, {}},
      {L" aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa ", L"", true, kSha, {}},
      {L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", L"", false, "", {}},    // 63
      {L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", L"", false, "", {}},  // 65
      {L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaz", L"", false, "", {}},   // not hex
      {L"aaaa aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", L"", false, "", {}},  // inner blank
      {L"", L"BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB", true, "", {kThumb}},
      {L"", L"bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb:bb", true, "", {kThumb}},
      {L"",
       L"bbbb bbbb bbbb bbbb bbbb bbbb bbbb bbbb bbbb bbbb , 1111111111111111111111111111111111111111",
       true,
       "",
       {kThumb, kOther}},
      {L"", L"bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb,", false, "", {}},  // an empty entry
      {L"", L"bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", false, "", {}},    // 39
      {L"", L"bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", false, "", {}},  // 41
      {L"", L"bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb;1111111111111111111111111111111111111111", false, "", {}},
      {L"bad", L"bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", false, "", {}},  // one bad setting is enough
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "sha256 '" << std::wstring(c.sha256).size() << " chars', signers '"
                                    << std::string(c.signers, c.signers + std::wstring(c.signers).size()) << "'");
    PackageTrust trust;
    EXPECT_EQ(c.valid, ParsePackageTrust(c.sha256, c.signers, &trust));
    if (c.valid) {
      EXPECT_EQ(c.sha, trust.sha256);
      EXPECT_EQ(c.thumbprints, trust.signers);
    }
  }
}

}  // namespace
