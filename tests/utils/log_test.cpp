#include "utils/log.h"

#include "tests/support/log_capture.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

namespace {

using TestSupport::LogCapture;
using ParsedLine = TestSupport::ParsedLogLine;

bool Parse(const std::wstring& text, ParsedLine* parsed) { return TestSupport::ParseLogLine(text, parsed); }

ULONGLONG Ticks(const SYSTEMTIME& time) {
  FILETIME file = {};
  if (!::SystemTimeToFileTime(&time, &file)) return 0;
  return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(LogTest, PrefixCarriesIdsLocalTimeTagAndLine) {
  LogCapture capture;
  SYSTEMTIME before = {}, after = {};
  ::GetLocalTime(&before);
  const int line = __LINE__ + 1;
  WRITE_LOG_TEXT(L"THREAD BEGIN");
  ::GetLocalTime(&after);

  ParsedLine parsed;
  const std::wstring text = capture.Single();
  ASSERT_TRUE(Parse(text, &parsed)) << ::testing::PrintToString(text);
  EXPECT_EQ(parsed.processId, ::GetCurrentProcessId());
  EXPECT_EQ(parsed.threadId, ::GetCurrentThreadId());
  EXPECT_EQ(parsed.tag, L"{anonymous}::LogTest_PrefixCarriesIdsLocalTimeTagAndLine_Test::TestBody");
  EXPECT_EQ(parsed.line, line);
  EXPECT_EQ(parsed.message, L"THREAD BEGIN\r\n");
  // Fields in the wrong order or a wrong clock would leave the window the call ran in.
  const ULONGLONG logged = Ticks(parsed.time);
  ASSERT_NE(logged, 0u) << "not a valid date and time";
  EXPECT_LE(Ticks(before), logged);
  EXPECT_GE(Ticks(after), logged);
}

TEST(LogTest, MessageWithArgumentsKeepsItsOwnEnding) {
  LogCapture capture;
  WRITE_LOG(L"GetConnectivity %d", 5);
  const std::wstring text = capture.Single();
  EXPECT_TRUE(EndsWith(text, L">: GetConnectivity 5")) << ::testing::PrintToString(text);
  EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
}

TEST(LogTest, FixedTextEndsWithOneLineBreak) {
  LogCapture capture;
  WRITE_LOG_TEXT(L"DOWNLOAD FINISHED");
  const std::wstring text = capture.Single();
  EXPECT_TRUE(EndsWith(text, L">: DOWNLOAD FINISHED\r\n")) << ::testing::PrintToString(text);
  EXPECT_EQ(text.find_first_of(L"\r\n"), text.size() - 2);
}

TEST(LogTest, EmptyMessageStillWritesPrefix) {
  LogCapture capture;
  WRITE_LOG(L"");
  const std::wstring text = capture.Single();
  ParsedLine parsed;
  ASSERT_TRUE(Parse(text, &parsed)) << ::testing::PrintToString(text);
  EXPECT_TRUE(parsed.message.empty());
  EXPECT_TRUE(EndsWith(text, L">: "));
}

TEST(LogTest, PercentSTakesWideStringAndDoubledPercentIsLiteral) {
  LogCapture capture;
  const std::wstring address = L"http://127.0.0.1/\u4E0B\u8F7D/a b";
  WRITE_LOG(L"URL=%s DL_TYPE=%d DONE=100%%\r\n", address.c_str(), 3);
  const std::wstring text = capture.Single();
  EXPECT_TRUE(EndsWith(text, L">: URL=" + address + L" DL_TYPE=3 DONE=100%\r\n")) << ::testing::PrintToString(text);
}

TEST(LogTest, LongMessageIsWrittenWhole) {
  LogCapture capture;
  const std::wstring body(20000, L'x');
  WRITE_LOG(L"%s|end", body.c_str());
  const std::wstring text = capture.Single();
  EXPECT_TRUE(EndsWith(text, L">: " + body + L"|end"));
}

struct FormatCase {
  int processId, threadId, year, month, day, hour, minute, second, milliseconds;
  const wchar_t* tag;
  int line;
  const wchar_t* expected;
};

class WriteLogFormatTest : public ::testing::TestWithParam<FormatCase> {};

// Widths are minimums: larger ids and line numbers keep every digit.
TEST_P(WriteLogFormatTest, FormatsPrefixFields) {
  const FormatCase& c = GetParam();
  LogCapture capture;
  WriteLog(DRAVIX_LOG_PREFIX L"THREAD BEGIN\r\n", c.processId, c.threadId, c.year, c.month, c.day, c.hour, c.minute,
           c.second, c.milliseconds, c.tag, c.line);
  EXPECT_EQ(capture.Single(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, WriteLogFormatTest,
    ::testing::Values(
        FormatCase{1234, 5678, 2024, 3, 2, 9, 5, 7, 42, L"Utils::Thread::CallBack", 101,
                   L"<P01234><T05678><2024-03-02 09:05:07.042>(Utils::Thread::CallBack)<0101>: THREAD BEGIN\r\n"},
        FormatCase{0, 0, 2000, 1, 1, 0, 0, 0, 0, L"", 0,
                   L"<P00000><T00000><2000-01-01 00:00:00.000>()<0000>: THREAD BEGIN\r\n"},
        FormatCase{123456, 9876543, 2024, 12, 31, 23, 59, 59, 999, L"CDownloadInstaller::Start", 12345,
                   L"<P123456><T9876543><2024-12-31 23:59:59.999>(CDownloadInstaller::Start)<12345>: THREAD BEGIN\r\n"},
        FormatCase{2147483647, 99999, 2024, 3, 2, 9, 5, 7, 42, L"A::B", 9999,
                   L"<P2147483647><T99999><2024-03-02 09:05:07.042>(A::B)<9999>: THREAD BEGIN\r\n"}));

}  // namespace

// Real functions of every shape the program logs from, each reporting the tag its log
// statement got.
namespace {
std::wstring LastTag(const std::vector<std::wstring>& lines) {
  ParsedLine parsed;
  if (lines.empty() || !Parse(lines.back(), &parsed)) return L"<no line>";
  return parsed.tag;
}
}  // namespace

namespace LogTestNs {

#define LOG_AND_RETURN_TAG()         \
  do {                               \
    LogCapture capture;              \
    WRITE_LOG_TEXT(L"TAG");          \
    return LastTag(capture.Lines()); \
  } while (0)

class Widget {
 public:
  std::wstring Member() { LOG_AND_RETURN_TAG(); }
  std::wstring ConstMember(int, const char*) const { LOG_AND_RETURN_TAG(); }
  static std::wstring Static() { LOG_AND_RETURN_TAG(); }
  std::wstring LambdaInside() {
    auto handler = [](int code, double value) -> std::wstring {
      (void)code;
      (void)value;
      LOG_AND_RETURN_TAG();
    };
    return handler(1001, 0.5);
  }
  std::wstring LambdaInsideConst(int) const {
    auto handler = [this]() -> std::wstring {
      (void)this;
      LOG_AND_RETURN_TAG();
    };
    return handler();
  }
  std::wstring operator()() { LOG_AND_RETURN_TAG(); }
  std::wstring operator()(int, int) const { LOG_AND_RETURN_TAG(); }
  explicit operator std::wstring() const { LOG_AND_RETURN_TAG(); }
  // Operators whose own name holds template brackets; the tag comes back through the argument.
  bool operator<(std::wstring* tag) const {
    *tag = [] { LOG_AND_RETURN_TAG(); }();
    return true;
  }
};

template <typename T>
class Box {
 public:
  std::wstring Member(const T&) { LOG_AND_RETURN_TAG(); }
};

std::wstring FreeFunction() { LOG_AND_RETURN_TAG(); }

namespace Inner {
const char* PointerReturn(std::wstring* tag) {
  *tag = [] { LOG_AND_RETURN_TAG(); }();
  return "";
}
std::wstring Plain() { LOG_AND_RETURN_TAG(); }
}  // namespace Inner

}  // namespace LogTestNs

std::wstring GlobalFunction() { LOG_AND_RETURN_TAG(); }

namespace {

TEST(QualifiedNameTest, TagsOfRealFunctions) {
  LogTestNs::Widget widget;
  EXPECT_EQ(widget.Member(), L"LogTestNs::Widget::Member");
  EXPECT_EQ(widget.ConstMember(1, ""), L"LogTestNs::Widget::ConstMember");
  EXPECT_EQ(LogTestNs::Widget::Static(), L"LogTestNs::Widget::Static");
  EXPECT_EQ(widget(), L"LogTestNs::Widget::operator()");
  EXPECT_EQ(widget(1, 2), L"LogTestNs::Widget::operator()");
  EXPECT_EQ(static_cast<std::wstring>(widget), L"LogTestNs::Widget::operator std::wstring");
  EXPECT_EQ(LogTestNs::Box<int>().Member(1), L"LogTestNs::Box<T>::Member");
  EXPECT_EQ(LogTestNs::FreeFunction(), L"LogTestNs::FreeFunction");
  EXPECT_EQ(LogTestNs::Inner::Plain(), L"LogTestNs::Inner::Plain");
  EXPECT_EQ(GlobalFunction(), L"GlobalFunction");
}

// Event handlers are lambdas; their lines must name the function that set them up.
TEST(QualifiedNameTest, LambdaTagsBeginWithEnclosingFunction) {
  LogTestNs::Widget widget;
  const std::wstring inMember = widget.LambdaInside();
  EXPECT_EQ(inMember.rfind(L"LogTestNs::Widget::LambdaInside", 0), 0u) << ::testing::PrintToString(inMember);
  const std::wstring inConst = widget.LambdaInsideConst(0);
  EXPECT_EQ(inConst.rfind(L"LogTestNs::Widget::LambdaInsideConst", 0), 0u) << ::testing::PrintToString(inConst);
  std::wstring inFree;
  LogTestNs::Inner::PointerReturn(&inFree);
  EXPECT_EQ(inFree.rfind(L"LogTestNs::Inner::PointerReturn", 0), 0u) << ::testing::PrintToString(inFree);
  std::wstring inOperator;
  (void)(widget < &inOperator);
  EXPECT_EQ(inOperator.rfind(L"LogTestNs::Widget::operator<", 0), 0u) << ::testing::PrintToString(inOperator);
}

struct NameCase {
  const char* pretty;
  const wchar_t* expected;
};

class QualifiedNameTextTest : public ::testing::TestWithParam<NameCase> {};

// Signatures as the compiler spells them, including shapes this file cannot produce directly.
TEST_P(QualifiedNameTextTest, StripsReturnTypeParametersAndQualifiers) {
  EXPECT_EQ(Logging::QualifiedName(GetParam().pretty), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, QualifiedNameTextTest,
    ::testing::Values(NameCase{"void Utils::Thread::Join()", L"Utils::Thread::Join"},
                      NameCase{"static unsigned int Utils::Thread::CallBack(void*)", L"Utils::Thread::CallBack"},
                      NameCase{"int CMTCurlDownloader::downloadExe(const std::wstring&, int)",
                               L"CMTCurlDownloader::downloadExe"},
                      NameCase{"std::map<int, std::basic_string<wchar_t> > A::B::Get() const", L"A::B::Get"},
                      NameCase{"void Box<T>::Put(T) [with T = std::pair<int, int>]", L"Box<T>::Put"},
                      NameCase{"CDownloadInstaller::Start(HWND)::<lambda(int, double, const wchar_t*)>",
                               L"CDownloadInstaller::Start"},
                      NameCase{"void Functor::operator()(int) const", L"Functor::operator()"},
                      NameCase{"Functor::Functor()", L"Functor::Functor"},
                      NameCase{"Functor::~Functor()", L"Functor::~Functor"}, NameCase{"int main()", L"main"},
                      NameCase{"bool Key::operator<(const Key&) const", L"Key::operator<"},
                      NameCase{"bool Key::operator>(const Key&) const", L"Key::operator>"},
                      NameCase{"std::ostream& operator<<(std::ostream&, const Key&)", L"operator<<"},
                      NameCase{"Key* Ptr::operator->()", L"Ptr::operator->"},
                      NameCase{"Widget::operator bool() const", L"Widget::operator bool"},
                      NameCase{"bool Key::operator<(const Key&) const::<lambda()>", L"Key::operator<"}));

}  // namespace
