#include <gtest/gtest.h>

#include "platform/os.h"
#include "platform/text.h"
#include "tests/support/trace_capture.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

std::string Switch(const std::string& text) {
  std::string bytes;
  for (char c : text) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

TEST(TraceFormat, SubstitutesStringsAndIntegersAndCuts) {
  EXPECT_EQ(FormatTrace(u"a %s b %d c", {u"x", 42}), u"a x b 42 c");
  EXPECT_EQ(FormatTrace(u"%d", {std::uint32_t{0xFFFFFFFF}}), u"-1");  // a 32-bit conversion
  EXPECT_EQ(FormatTrace(u"100%% %q %s", {}), u"100% %q ");
  EXPECT_EQ(FormatTrace(u"%s", {std::u16string(5000, u'x')}).size(), kMaxTraceMessage);
}

TEST(TraceFormat, EncodesLinesInEitherTextForm) {
  EXPECT_EQ(EncodeLogLine(u"caf\u00e9 \u20ac", os::LogTextForm::kLatin1Crlf), "caf\xe9 ?\r\n");
  EXPECT_EQ(EncodeLogLine(u"a\nb", os::LogTextForm::kLatin1Crlf), "a\r\nb\r\n");
  EXPECT_EQ(EncodeLogLine(u"caf\u00e9 \u20ac", os::LogTextForm::kUtf8Lf),
            "caf\xc3\xa9 \xe2\x82\xac\n");
}

TEST(TraceSwitch, ScansTheFirstSevenCodeUnitsForTheFirstDigit) {
  auto scan = [](const std::string& bytes) {
    return ScanSwitchFile(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  };
  EXPECT_EQ(scan(Switch("debug0") + std::string(2, '\0')), 0);
  EXPECT_EQ(scan(Switch("debug1") + std::string(2, '\0')), 1);
  EXPECT_EQ(scan("\xff\xfe" + Switch("debug1")), 1);  // byte-order mark
  EXPECT_EQ(scan(Switch("10")), 1);                   // the first digit decides
  EXPECT_EQ(scan(Switch("abcdefg1")), 0);             // past the seventh unit
  EXPECT_EQ(scan("debug1debug1db"), 0);               // 8-bit text: no such unit
  EXPECT_EQ(scan(""), 0);
}

TEST(TraceLog, FirstRunCreatesTheSwitchFileAndLogsNothing) {
  test::Workspace ws;
  InitTraceLog();
  Write(u"not written");
  std::string sw = test::ReadAll(ws.Path(u"appdata\\Kelosoft\\debug.txt"));
  EXPECT_EQ(sw, Switch("debug0") + std::string(2, '\0'));
  EXPECT_EQ(sw.size(), 14u);
  EXPECT_FALSE(test::FileExists(test::TraceLogPath(ws)));
}

TEST(TraceLog, TheSwitchTakesEffectAtTheNextSetUp) {
  test::Workspace ws;
  test::EnableTrace(ws);
  InitTraceLog();
  Write(u"one %s", u"50%d done");  // a "%" inside an argument stays as it is
  ws.File(u"appdata\\Kelosoft\\debug.txt", Switch("debug0"));
  Write(u"two");  // still on until the log is set up again
  InitTraceLog();
  Write(u"three");
  EXPECT_EQ(test::TraceLines(ws), (std::vector<std::string>{"one 50%d done", "two"}));
}

TEST(TraceLog, WritesThePlatformTextForm) {
  test::Workspace ws;
  test::EnableTrace(ws);
  InitTraceLog();
  Write(u"x\t\u00e9");
  std::string expected =
      os::NativeLogTextForm() == os::LogTextForm::kLatin1Crlf ? "x\t\xe9\r\n" : "x\t\xc3\xa9\n";
  EXPECT_EQ(test::ReadAll(test::TraceLogPath(ws)), expected);
}

TEST(TraceLog, WithoutAnApplicationDataFolderNothingIsWritten) {
  test::Workspace ws;
  test::UnsetEnv(u"appdata");
  InitTraceLog();
  Write(u"dropped");
  EXPECT_EQ(CurrentTraceLog()->enabled, 0);
}

}  // namespace
}  // namespace pf
