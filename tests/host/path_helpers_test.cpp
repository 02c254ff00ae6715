#include <gtest/gtest.h>

#include "engine/build_failure.h"
#include "engine/locate_file.h"
#include "engine/path_helpers.h"
#include "platform/text.h"
#include "tests/support/trace_capture.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

TEST(GetDataFileName, CutsAfterTheLastBackslashOnly) {
  struct Case {
    std::u16string path, name;
  } cases[] = {
      {u"C:\\data\\report.txt", u"report.txt"},
      {u"report.txt", u"report.txt"},
      {u"C:\\data\\", u""},                            // trailing backslash: empty name
      {u"C:/data/report.txt", u"C:/data/report.txt"},  // a forward slash is ordinary
      {u"C:\\a/b\\c.d\\e", u"e"},
      {u"\\\\server\\share\\\u00e9t\u00e9.txt", u"\u00e9t\u00e9.txt"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetDataFileName(c.path), c.name) << ToUtf8(c.path);
    EXPECT_EQ(LastPathElement(c.path), c.name) << ToUtf8(c.path);
  }
}

TEST(AppendElementToPath, JoinsWithExactlyOneBackslashAndChecksNothing) {
  struct Case {
    std::u16string start, first, second, result;
  } cases[] = {
      {u"", u"C:\\out", u"setup.exe", u"C:\\out\\setup.exe"},
      {u"C:\\prog", u"", u"ZPK_ICON.ico", u"C:\\prog\\ZPK_ICON.ico"},
      {u"", u"C:\\out\\", u"x", u"C:\\out\\\\x"},  // doubled separator kept
      {u"", u"C:\\out", u"\\x", u"C:\\out\\\\x"},
      {u"pre", u"a", u"b", u"prea\\b"},  // extends what is there
  };
  for (const auto& c : cases) {
    std::u16string out = c.start;
    AppendElementToPath(out, c.first, c.second);
    EXPECT_EQ(out, c.result);
  }
}

TEST(LocateFile, PrefersTheNameAsGivenThenTheProgramFolder) {
  test::Workspace ws;
  std::u16string prog = ws.Folder(u"prog");
  ws.File(u"prog\\both.bin", "p");
  ws.File(u"both.bin", "c");  // in the current folder
  ws.File(u"prog\\only.bin", "p");

  EXPECT_EQ(LocateFile(prog, u"both.bin"), u"both.bin");
  EXPECT_EQ(LocateFile(prog, u"only.bin"), prog + u"\\only.bin");
}

TEST(LocateFile, FailsWithTheAgentLineWhateverWasLookedFor) {
  test::Workspace ws;
  test::EnableTrace(ws);
  InitTraceLog();
  EXPECT_THROW(LocateFile(ws.Folder(u"prog"), u"ZPK_ICON.ico"), BuildFailure);
  auto lines = test::TraceLines(ws);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Self Extractor Agent File Not found");
}

}  // namespace
}  // namespace pf
