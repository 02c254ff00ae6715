#include <gtest/gtest.h>

#include "engine/build_failure.h"
#include "icon/agent_icon.h"
#include "icon/ico_file.h"
#include "platform/os.h"
#include "platform/text.h"
#include "tests/support/ico_builder.h"
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

std::vector<std::uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

// Every kind of file the reader meets: what it accepts (the images as their
// entries give them) and what it refuses (with the reason).
TEST(IcoReader, ReadsTheDirectoryAndRefusesEntriesOutsideTheFile) {
  using test::IcoEntry;
  using test::IcoFileOf;
  using test::ImageOf;
  std::string app = test::ApplicationIcon();
  std::string one48 = IcoFileOf({{48, 24, ImageOf(48, 24)}});
  struct Case {
    const char* what;
    std::string file;
    std::vector<int> sizes;  // of the images read, as stored (0 = 256)
    std::u16string error;
  };
  std::vector<Case> cases = {
      {"one 16 pixel 4-bit image", IcoFileOf({{16, 4, ImageOf(16, 4)}}), {16}, u""},
      {"one 32 pixel 8-bit image", IcoFileOf({{32, 8, ImageOf(32, 8)}}), {32}, u""},
      {"one 48 pixel 24-bit image", one48, {48}, u""},
      {"one 64 pixel 32-bit image", IcoFileOf({{64, 32, ImageOf(64, 32)}}), {64}, u""},
      {"256 (PNG), 48, 32 and 16 pixels", app, {0, 48, 32, 16}, u""},
      {"count of 0", IcoFileOf({}), {}, u"holds no image"},
      {"cursor, not icon",
       std::string("\0\0\2\0\1\0", 6) + one48.substr(6),
       {},
       u"not an icon file"},
      {"reserved word set",
       std::string("\1\0\1\0\1\0", 6) + one48.substr(6),
       {},
       u"not an icon file"},
      {"shorter than ICONDIR", std::string("\0\0\1\0", 4), {}, u"shorter than its directory"},
      {"cut inside the directory",
       app.substr(0, 6 + 16 * 3),
       {},
       u"directory runs past the end of the file"},
      {"cut inside the last image",
       app.substr(0, app.size() - 1),
       {},
       u"image 4 runs past the end of the file"},
      {"entry pointing past the end",
       IcoFileOf({{16, 32, ImageOf(16, 32)}, {32, 32, ImageOf(32, 32), -1, 0x7FFFFFF0}}),
       {},
       u"image 2 runs past the end of the file"},
      {"size that wraps the offset",
       IcoFileOf({{16, 32, ImageOf(16, 32), 0xFFFFFFFF, -1}}),
       {},
       u"image 1 runs past the end of the file"},
      {"entry inside the directory",
       IcoFileOf({{16, 32, ImageOf(16, 32), -1, 6}}),
       {},
       u"image 1 overlaps the directory"},
      {"empty image", IcoFileOf({{16, 32, "", -1, -1}}), {}, u"image 1 is empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto bytes = Bytes(c.file);
    IcoFile ico = ReadIcoFile(bytes);
    EXPECT_EQ(ToUtf8(ico.error), ToUtf8(c.error));
    std::vector<int> sizes;
    for (const auto& image : ico.images) {
      EXPECT_EQ(image.width, image.height);
      sizes.push_back(image.width);
    }
    EXPECT_EQ(sizes, c.sizes);
    // The directory alone and the length give the same answer.
    std::size_t head = std::min<std::size_t>(bytes.size(), 6 + 16 * 4);
    EXPECT_EQ(ToUtf8(ReadIcoDirectory({bytes.data(), head}, bytes.size()).error), ToUtf8(c.error));
  }
}

TEST(IcoReader, ImagesAreTheBytesAtTheirOffsets) {
  std::string app = test::ApplicationIcon();
  auto bytes = Bytes(app);
  IcoFile ico = ReadIcoFile(bytes);
  ASSERT_TRUE(ico.ok());
  ASSERT_EQ(ico.images.size(), 4u);
  EXPECT_EQ(app.substr(ico.images[0].offset, ico.images[0].size), test::ImageOf(256, 32, true));
  EXPECT_EQ(app.substr(ico.images[3].offset, ico.images[3].size), test::ImageOf(16, 32));
  EXPECT_EQ(ico.images[1].bitCount, 32);
  EXPECT_EQ(ico.images[1].planes, 1);
}

// The one layout every earlier build wrote stays byte for byte.
TEST(IcoGroup, OneImageOf64PixelsAt24BitsGivesTheFixedDirectory) {
  std::string file = test::IcoFileOf({{64, 24, test::ImageOf(64, 24)}});
  auto bytes = Bytes(file);
  auto d = MakeGroupIconDirectory(ReadIcoFile(bytes), bytes);
  std::uint32_t n = static_cast<std::uint32_t>(file.size() - 22);
  const std::vector<std::uint8_t> expected = {0,
                                              0,
                                              1,
                                              0,
                                              1,
                                              0,
                                              64,
                                              64,
                                              0,
                                              0,
                                              1,
                                              0,
                                              24,
                                              0,
                                              static_cast<std::uint8_t>(n),
                                              static_cast<std::uint8_t>(n >> 8),
                                              static_cast<std::uint8_t>(n >> 16),
                                              0,
                                              1,
                                              0};
  EXPECT_EQ(d, expected);
}

TEST(IcoGroup, DescribesEveryImageTruly) {
  // The PNG's entry leaves planes and bits at 0, as some writers do; the 8-bit
  // one states them.
  std::string png = test::ImageOf(256, 32, true);
  std::string dib = test::ImageOf(32, 8);
  test::IcoEntry pngEntry{256, 0, png};
  pngEntry.planes = 0;
  std::string file = test::IcoFileOf({pngEntry, {32, 8, dib}});
  auto bytes = Bytes(file);
  auto d = MakeGroupIconDirectory(ReadIcoFile(bytes), bytes);
  auto le32 = [](std::size_t v) {
    return std::vector<std::uint8_t>{static_cast<std::uint8_t>(v),
                                     static_cast<std::uint8_t>(v >> 8),
                                     static_cast<std::uint8_t>(v >> 16), 0};
  };
  std::vector<std::uint8_t> expected = {0, 0, 1, 0, 2, 0};
  auto entry = [&](std::vector<std::uint8_t> head, std::size_t size, std::uint8_t id) {
    expected.insert(expected.end(), head.begin(), head.end());
    auto s = le32(size);
    expected.insert(expected.end(), s.begin(), s.end());
    expected.push_back(id);
    expected.push_back(0);
  };
  entry({0, 0, 0, 0, 1, 0, 32, 0}, png.size(), 1);  // 256 as 0, RGBA from IHDR
  entry({32, 32, 0, 0, 1, 0, 8, 0}, dib.size(), 2);
  EXPECT_EQ(d, expected);
  EXPECT_EQ(GroupIconIds(d), (std::vector<std::uint16_t>{1, 2}));
}

TEST(IcoGroup, IdsOfAGroupThatIsNone) {
  EXPECT_TRUE(GroupIconIds(std::vector<std::uint8_t>{0, 0, 1, 0, 3, 0}).empty());  // cut short
  EXPECT_TRUE(GroupIconIds(std::vector<std::uint8_t>{0, 0}).empty());
}

// Each failure is traced, skipped, and leaves a copy equal to the agent.
TEST_F(IconStepTest, FailedChangesAreSkippedWithTheirLines) {
  struct Case {
    const char* what;
    std::u16string icon;
    std::vector<std::string> lines;
  };
  std::string app = test::ApplicationIcon();
  std::u16string cut = ws_.File(u"cut.ico", app.substr(0, app.size() - 1));
  std::u16string good = ws_.File(u"good.ico", test::IcoFileOf({{16, 32, test::ImageOf(16, 32)}}));
  std::string goodLength = std::to_string(test::ReadAll(good).size());
  std::vector<Case> cases = {
      {"missing icon file", ws_.Path(u"missing.ico"),
       Concat(kUpToRead,
              {"Exited GetFileLength fileLen: 0", "Exited CreateFileBuffer",
               "Entered ReadFileIntoBuffer", "Icon Error: Invalid File Handle during File open",
               "Change Icon failed. Hence skipped and continued the process"})},
      {"icon whose last image runs past its end", cut,
       Concat(
           kUpToRead,
           {"Exited GetFileLength fileLen: " + std::to_string(app.size() - 1),
            "Exited CreateFileBuffer", "Entered ReadFileIntoBuffer",
            "Icon Error: Invalid icon file (image 4 runs past the end of the file): " + ToUtf8(cut),
            "Change Icon failed. Hence skipped and continued the process"})},
      // The stand-in agent is no executable, so the resource update is refused.
      {"agent that is no executable", good,
       Concat(kUpToRead, {"Exited GetFileLength fileLen: " + goodLength, "Exited CreateFileBuffer",
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
