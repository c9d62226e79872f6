// The layout viewer as a user runs it: a child process that opens a layout in a real window and
// writes a screenshot of it.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "skinui/draw_engine.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "utils/unique_resource.h"

namespace {

using TestSupport::BuildTreePath;
using TestSupport::SourceTreePath;

// Runs the viewer with the arguments and returns its exit code (-1 when it did not end).
DWORD RunViewer(const std::wstring& arguments) {
  std::wstring command = L"\"" + BuildTreePath("tools/layout_viewer/layout_viewer.exe") + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return static_cast<DWORD>(-2);
  Utils::UniqueHandle process(info.hProcess);
  Utils::UniqueHandle thread(info.hThread);
  if (::WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.get(), 99);
    return static_cast<DWORD>(-1);
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  return code;
}

struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // premultiplied 0xAARRGGBB
};

bool ReadScreenshot(const std::wstring& path, Screenshot& shot) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  Utils::UniqueFileHandle owner(file);
  if (!owner) return false;
  std::vector<unsigned char> bytes(::GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
    return false;
  auto image = SkinUI::CDrawEngine::DecodeImage(bytes.data(), bytes.size(), 0);
  if (!image) return false;
  shot.width = image->width;
  shot.height = image->height;
  const auto* p = reinterpret_cast<const uint32_t*>(image->bits);
  shot.pixels.assign(p, p + static_cast<size_t>(image->width) * image->height);
  return true;
}

size_t DistinctColours(const Screenshot& shot) {
  std::set<uint32_t> colours(shot.pixels.begin(), shot.pixels.end());
  return colours.size();
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

class LayoutViewer : public ::testing::Test {
 protected:
  std::wstring Shot(const std::wstring& name) const { return folder_.File(name); }
  TestSupport::TempFolder folder_;
};

TEST_F(LayoutViewer, ScreenshotsEveryShippedLayoutAtTheWindowsSize) {
  struct Case {
    const wchar_t* layout;
    int width, height;
  };
  const std::wstring skin = SourceTreePath("skin");
  for (const Case c : {Case{L"mainWnd.xml", 600, 400}, Case{L"MessageBox1Wnd.xml", 0, 0}}) {
    const std::wstring out = Shot(std::wstring(c.layout) + L".png");
    ASSERT_EQ(0u, RunViewer(L"--skin=" + Quoted(skin) + L" --layout=" + c.layout + L" --screenshot=" + Quoted(out)))
        << testing::PrintToString(std::wstring(c.layout));
    Screenshot shot;
    ASSERT_TRUE(ReadScreenshot(out, shot)) << "no readable PNG";
    if (c.width) {
      EXPECT_EQ(c.width, shot.width);
      EXPECT_EQ(c.height, shot.height);
    }
    EXPECT_GT(shot.width, 100);
    EXPECT_GT(DistinctColours(shot), 20u) << "a painted window is not one flat colour";
  }
}

TEST_F(LayoutViewer, PagesOfTheMainWindowLookDifferentAndTheEmbeddedSkinMatchesTheFolder) {
  const std::wstring skin = SourceTreePath("skin");
  Screenshot folderPage0, embeddedPage0, page2;
  ASSERT_EQ(0u, RunViewer(L"--skin=" + Quoted(skin) + L" --layout=mainWnd.xml --page=0 --screenshot=" +
                          Quoted(Shot(L"a.png"))));
  ASSERT_EQ(0u, RunViewer(L"--embedded --layout=mainWnd.xml --page=0 --screenshot=" + Quoted(Shot(L"b.png"))));
  ASSERT_EQ(0u, RunViewer(L"--embedded --layout=mainWnd.xml --page=2 --screenshot=" + Quoted(Shot(L"c.png"))));
  ASSERT_TRUE(ReadScreenshot(Shot(L"a.png"), folderPage0));
  ASSERT_TRUE(ReadScreenshot(Shot(L"b.png"), embeddedPage0));
  ASSERT_TRUE(ReadScreenshot(Shot(L"c.png"), page2));
  EXPECT_TRUE(folderPage0.pixels == embeddedPage0.pixels) << "the embedded archive holds the same skin";
  ASSERT_EQ(page2.pixels.size(), folderPage0.pixels.size());
  size_t differing = 0;
  for (size_t i = 0; i < page2.pixels.size(); ++i) differing += page2.pixels[i] != folderPage0.pixels[i];
  EXPECT_GT(differing, page2.pixels.size() / 10) << "the progress page has its own background and controls";
}

TEST_F(LayoutViewer, TestLayoutShowsItsImages) {
  const std::wstring out = Shot(L"showcase.png");
  ASSERT_EQ(0u, RunViewer(L"--skin=" + Quoted(SourceTreePath("tests/skinui/viewer_skin")) +
                          L" --layout=showcase.xml --screenshot=" + Quoted(out)));
  Screenshot shot;
  ASSERT_TRUE(ReadScreenshot(out, shot));
  ASSERT_EQ(400, shot.width);
  ASSERT_EQ(260, shot.height);
  // The nine-slice frame's red corner at the first control's top-left, inside the 10-pixel inset.
  EXPECT_EQ(0xFFDC2828u, shot.pixels[10 * 400 + 10]);
  EXPECT_EQ(0xFF3A4150u, shot.pixels[5 * 400 + 5]) << "the window's background";
}

TEST_F(LayoutViewer, SetChangesAControlBeforeTheScreenshot) {
  // The "quarter" bar spans x 10..389 on row 155; its fill ends at a quarter unless it is set full.
  const std::wstring skin = L"--skin=" + Quoted(SourceTreePath("tests/skinui/viewer_skin")) + L" --layout=showcase.xml";
  Screenshot before, after;
  ASSERT_EQ(0u, RunViewer(skin + L" --screenshot=" + Quoted(Shot(L"before.png"))));
  ASSERT_EQ(0u, RunViewer(skin + L" --set=quarter:value=100 --screenshot=" + Quoted(Shot(L"after.png"))));
  ASSERT_TRUE(ReadScreenshot(Shot(L"before.png"), before));
  ASSERT_TRUE(ReadScreenshot(Shot(L"after.png"), after));
  const size_t row = 155 * 400;
  EXPECT_EQ(before.pixels[row + 20], after.pixels[row + 20]) << "filled in both";
  EXPECT_NE(before.pixels[row + 300], after.pixels[row + 300]) << "filled only when set full";
  EXPECT_EQ(after.pixels[row + 20], after.pixels[row + 300]);
}

TEST_F(LayoutViewer, BadArgumentsAndMissingPagesAreRefused) {
  const std::wstring skin = L" --skin=" + Quoted(SourceTreePath("skin"));
  const std::wstring out = Shot(L"never.png");
  for (const std::wstring& arguments :
       {std::wstring(L"--layout=mainWnd.xml"), skin, skin + L" --embedded --layout=mainWnd.xml",
        skin + L" --layout=mainWnd.xml --page=x", skin + L" --layout=mainWnd.xml --bogus",
        skin + L" --layout=mainWnd.xml --page=9 --screenshot=" + Quoted(out),
        skin + L" --layout=MessageBox1Wnd.xml --page=0 --screenshot=" + Quoted(out),
        skin + L" --layout=mainWnd.xml --set=nobody:text=x --screenshot=" + Quoted(out),
        skin + L" --layout=mainWnd.xml --set=installPrg --screenshot=" + Quoted(out)}) {
    EXPECT_EQ(2u, RunViewer(arguments)) << testing::PrintToString(arguments);
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(out.c_str())) << "no screenshot after a refusal";
}

// Unattended runs must end with a code rather than wait for a click on the framework's box.
TEST_F(LayoutViewer, LayoutsThatCannotBeLoadedEndTheScreenshotRunWithCode2) {
  const std::wstring out = Shot(L"never.png");
  {
    Utils::UniqueFileHandle broken(::CreateFileW(folder_.File(L"broken.xml").c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(broken);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(broken.get(), "<Window size=\"10,10\"><Button", 29, &written, nullptr));
  }
  const std::wstring shot = L" --screenshot=" + Quoted(out);
  for (const std::wstring& arguments : {L"--skin=" + Quoted(SourceTreePath("skin")) + L" --layout=noSuchWnd.xml" + shot,
                                        L"--embedded --layout=noSuchWnd.xml" + shot,
                                        L"--skin=" + Quoted(folder_.Path()) + L" --layout=broken.xml" + shot}) {
    EXPECT_EQ(2u, RunViewer(arguments)) << testing::PrintToString(arguments);
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(out.c_str()));
}

}  // namespace
