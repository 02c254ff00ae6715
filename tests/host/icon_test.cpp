#include <gtest/gtest.h>

#include "engine/build_failure.h"
#include "icon/agent_icon.h"
#include "platform/os.h"
#include "platform/text.h"
#include "tests/support/trace_capture.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

// The icon step's lines of one build, from its first line on.
std::vector<std::string> IconLines(const test::Workspace& ws) {
  auto lines = test::TraceLines(ws);
  int first = test::LineIndex(lines, "Entered SetIconForSelfExtractorAgent:-");
  if (first < 0) return {};
  return {lines.begin() + first, lines.end()};
}

const std::vector<std::string> kUpToRead = {
    "Entered SetIconForSelfExtractorAgent:-",
    "Entered ChangeIconInPE:- ",
    "Entered IconImplementer",
    "Entered IconFileInitialize",
    "Entered CreateFileBuffer",
    "Entered GetFileLength",
};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class IconStepTest : public ::testing::Test {
 protected:
  IconStepTest() {
    test::EnableTrace(ws_);
    InitTraceLog();
    prog_ = ws_.Folder(u"prog");
    agent_ = ws_.File(u"prog\\SelfExtractor.exe", "MZ not really a program");
  }
  test::Workspace ws_;
  std::u16string prog_, agent_;
};

TEST_F(IconStepTest, GroupDirectoryHasItsFixedShape) {
  const std::uint8_t expected[20] = {0, 0, 1,  0, 1,    0,    64, 64, 0, 0,
                                     1, 0, 24, 0, 0x12, 0x30, 0,  0,  1, 0};
  auto d = MakeGroupIconDir(0x3012 + 22);
  EXPECT_EQ(std::vector<std::uint8_t>(d.begin(), d.end()),
            std::vector<std::uint8_t>(std::begin(expected), std::end(expected)));
}

// Each failure is traced, skipped, and leaves a copy equal to the agent.
TEST_F(IconStepTest, FailedChangesAreSkippedWithTheirLines) {
  struct Case {
    const char* what;
    std::u16string icon;
    std::vector<std::string> lines;
  };
  std::u16string tiny = ws_.File(u"tiny.ico", std::string(21, '\1'));
  std::u16string good = ws_.File(u"good.ico", std::string(22, '\0') + "image bytes");
  std::vector<Case> cases = {
      {"missing icon file", ws_.Path(u"missing.ico"),
       Concat(kUpToRead,
              {"Exited GetFileLength fileLen: 0", "Exited CreateFileBuffer",
               "Entered ReadFileIntoBuffer", "Icon Error: Invalid File Handle during File open",
               "Change Icon failed. Hence skipped and continued the process"})},
      {"icon shorter than its header", tiny,
       Concat(kUpToRead, {"Exited GetFileLength fileLen: 21", "Exited CreateFileBuffer",
                          "Entered ReadFileIntoBuffer",
                          "Icon Error: Icon file shorter than 22 bytes: " + ToUtf8(tiny),
                          "Change Icon failed. Hence skipped and continued the process"})},
      // The stand-in agent is no executable, so the resource update is refused.
      {"agent that is no executable", good,
       Concat(kUpToRead, {"Exited GetFileLength fileLen: 33", "Exited CreateFileBuffer",
                          "Entered ReadFileIntoBuffer", "Exited ReadFileIntoBuffer",
                          "Exited IconFileInitialize", "Exited IconImplementer",
                          "Entered SetIconProperties", "Exited SetIconProperties",
                          "Entered UpdateIcon", "Icon Error: Begin update resource failed",
                          "Entered ~IconImplementer", "Exited ~IconImplementer",
                          "Change Icon failed. Hence skipped and continued the process"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::u16string copy;
    {
      StampedAgent stamped = SetIconForSelfExtractorAgent(c.icon, agent_, prog_);
      EXPECT_TRUE(stamped.isCopy());
      copy = stamped.path();
      EXPECT_NE(copy, agent_);
      EXPECT_EQ(test::ReadAll(copy), test::ReadAll(agent_));
      EXPECT_EQ(IconLines(ws_), c.lines);
    }
    EXPECT_FALSE(test::FileExists(copy)) << "the private copy outlived the build";
    EXPECT_EQ(test::ReadAll(agent_), "MZ not really a program");
    // The next case's lines only: the log starts again with an empty line.
    std::string blank = EncodeLogLine(u"", os::NativeLogTextForm());
    os::WriteWholeFile(test::TraceLogPath(ws_), {blank.begin(), blank.end()});
  }
}

TEST_F(IconStepTest, DefaultIconIsLookedUpInTheProgramFolder) {
  ws_.File(u"prog\\ZPK_ICON.ico", std::string(40, '\0'));
  { StampedAgent stamped = SetIconForSelfExtractorAgent(u"", agent_, prog_); }
  auto lines = IconLines(ws_);
  EXPECT_TRUE(test::HasLine(
      lines, "AppendElementToPath:- outputPath-" + ToUtf8(prog_ + u"\\ZPK_ICON.ico")));
  EXPECT_TRUE(test::HasLine(lines, "Exited GetFileLength fileLen: 40"));
}

TEST_F(IconStepTest, MissingDefaultIconFailsTheBuild) {
  EXPECT_THROW(SetIconForSelfExtractorAgent(u"", agent_, prog_), BuildFailure);
  EXPECT_TRUE(test::HasLine(IconLines(ws_), "Self Extractor Agent File Not found"));
  EXPECT_TRUE(test::ListFolder(ws_.Path(u"tmp")).empty());
}

}  // namespace
}  // namespace pf
