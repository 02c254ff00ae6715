// The compression step with a client library in the program folder: the
// real Client7z.dll and 7z.dll under Wine, the native stand-in otherwise.
#include "compress/compression_step.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/merger.h"
#include "platform/engine_message.h"
#include "platform/os.h"
#include "platform/text.h"
#include "tests/support/compression_libraries.h"
#include "tests/support/test_workspace.h"
#include "tests/support/trace_capture.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

using test::Workspace;

class CompressionStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = ws_.Folder(u"program");
    // Builds need the default icon beside the program.
    ws_.File(u"program\\ZPK_ICON.ico", std::string(22, '\0') + "icon image");
    temp_ = ws_.Path(u"tmp");
    test::EnableTrace(ws_);
    InitTraceLog();
  }
  bool Traced(const std::string& line) const { return test::HasLine(test::TraceLines(ws_), line); }
  std::u16string Archive() const { return temp_ + u"\\ZpkCompressedFiles.7z"; }

  Workspace ws_;
  std::u16string program_, temp_;
};

// A file in a folder nested past 259 characters.
std::u16string DeepFile(const Workspace& ws, const std::u16string& name, const std::string& bytes) {
#ifdef _WIN32
  const std::u16string prefix = u"\\\\?\\";
#else
  const std::u16string prefix;
#endif
  std::u16string folder = ws.root();
  for (char16_t c = u'a'; c < u'g'; ++c) {
    folder += u"\\" + std::u16string(45, c);
    os::CreateFolder(prefix + folder);
  }
  auto out = os::CreateForWrite(prefix + folder + u"\\" + name);
  EXPECT_TRUE(out && out->Write(bytes.data(), bytes.size()));
  return folder + u"\\" + name;
}

TEST_F(CompressionStepTest, OrdinaryFilesArePackedAndTheListRewritten) {
  test::InstallCompressionLibraries(program_);
  auto txt = ws_.File(u"in\\notes.txt", "notes");
  auto zip = ws_.File(u"in\\data.zip", "zip bytes");
  auto rar = ws_.File(u"in\\more.rar", "rar bytes");
  auto doc = ws_.File(u"in\\report.doc", "doc bytes");
  auto deep = DeepFile(ws_, u"deep.txt", "far down");
  ASSERT_GT(deep.size(), 280u);
  struct Case {
    std::vector<std::u16string> files;
    std::vector<std::int32_t> flags;
    std::vector<std::u16string> kept;         // before the archive
    std::vector<std::int32_t> expectedFlags;  // the first kept + 1
    std::vector<std::u16string> packedNames;  // sorted
  };
  const Case cases[] = {
      {{txt, zip, rar, doc},
       {-1, 0, 1, -1},
       {zip, rar},
       {1, 1, 0, 1, 1},
       {u"notes.txt", u"report.doc"}},
      {{txt, doc, deep}, {-1, -1, -1}, {}, {1, 1, 1}, {u"deep.txt", u"notes.txt", u"report.doc"}},
      {{zip, rar}, {0, 1}, {zip, rar}, {1, 1, 0, 1, 1}, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> dataFiles = {u"7z.dll", u"Client7z.dll"};
    dataFiles.insert(dataFiles.end(), c.files.begin(), c.files.end());
    std::vector<std::int32_t> flags = {1, 1};
    flags.insert(flags.end(), c.flags.begin(), c.flags.end());
    flags.resize(dataFiles.size() + 1, 77);
    const auto before = flags;
    std::vector<std::u16string> resultList;
    GetDataFilesInfoAfterCompression(resultList, dataFiles, flags,
                                     static_cast<std::int32_t>(dataFiles.size()), program_);

    std::vector<std::u16string> expected = {u"7z.dll", u"Client7z.dll"};
    expected.insert(expected.end(), c.kept.begin(), c.kept.end());
    expected.push_back(Archive());
    EXPECT_EQ(resultList, expected);
    ASSERT_EQ(flags.size(), dataFiles.size() + 1);
    EXPECT_EQ(std::vector<std::int32_t>(flags.begin(), flags.begin() + c.expectedFlags.size()),
              c.expectedFlags);
    // Positions past the archive keep what they held.
    for (std::size_t i = c.expectedFlags.size(); i < flags.size(); ++i)
      EXPECT_EQ(flags[i], before[i]);
    auto names = test::ArchivedNames(
        Archive(), ws_.Folder(u"listing" + FromUtf8(std::to_string(c.files.size()))));
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(*names, c.packedNames);
    // The private copies are gone; their folders stay.
    EXPECT_TRUE(os::Exists(temp_ + u"\\ZPK\\temp"));
    EXPECT_FALSE(os::Exists(temp_ + u"\\ZPK\\temp\\Client7z.dll"));
    EXPECT_FALSE(os::Exists(temp_ + u"\\ZPK\\temp\\7z.dll"));
  }
  EXPECT_TRUE(Traced("CompressFiles:- getCompressResult: 0"));
#ifndef _WIN32
  // The stand-in saw the full long path and a count of 0 for the last case.
  EXPECT_NE(test::ReadAll(Archive()).find("count=0\n"), std::string::npos);
#endif
}

TEST_F(CompressionStepTest, TracesEveryOperationInOrder) {
  test::InstallCompressionLibraries(program_);
  std::vector<std::u16string> resultList;
  std::vector<std::int32_t> flags = {1, 1, 0};
  GetDataFilesInfoAfterCompression(resultList, {u"7z.dll", u"Client7z.dll"}, flags, 2, program_);
  std::vector<std::string> lines;
  for (const auto& l : test::TraceLines(ws_))
    if (l.find("AppendElementToPath") == std::string::npos) lines.push_back(l);
  const std::string t = ToUtf8(temp_), p = ToUtf8(program_);
  const std::string client = t + "\\ZPK\\temp\\Client7z.dll";
  const std::vector<std::string> expected = {
      "Entered GetDataFilesInfoAfterCompression:-",
      "Entered CompressFiles:-",
      "envTempPath:- " + t + "\t",
      "Entered CheckIfCompressNameExist:- ",
      "Entered DlldDirectory:",
      "Create7zipDllsDirectory:- CreateDirectory-zpkPath-" + t + "\\ZPK",
      "Create7zipDllsDirectory:- CreateDirectory-zpkTempPath-" + t + "\\ZPK\\temp",
      "Create7zipDllsDirectory:- CopyFile:-File1-client7zDll-" + p +
          "\\Client7z.dll,File2-client7zTempPath-" + client,
      "Create7zipDllsDirectory:- CopyFile:-File1-sevenZipDll-" + p +
          "\\7z.dll,File2-sevenZipTempPath-" + t + "\\ZPK\\temp\\7z.dll",
      "Exited DllDirectory:-",
      "CompressFiles:- compressInputData's: client7zTempPath- " + client + ",compressedFilePath-" +
          t + "\\ZpkCompressedFiles.7z",
      "CompressFiles:- client7zTempPath: " + client,
      "CompressFiles:- getCompressResult: 0",
      "Exited CompressFiles",
      "Exited GetDataFilesInfoAfterCompression",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(CompressionStepTest, OnlyTheExactlyNamedStaleArchiveIsDeleted) {
  // No client: whatever is gone was deleted by the step itself.
  test::MessageRecorder recorder;
  const std::u16string otherCase = temp_ + u"\\zpkCompressedFiles.7z";
  ws_.File(u"tmp\\zpkCompressedFiles.7z", "other case");
  EXPECT_FALSE(CheckIfCompressNameExist(temp_));
  std::u16string path;
  CompressFiles(path, {}, program_, 0);
  EXPECT_EQ(path, Archive());
  EXPECT_EQ(test::ReadAll(otherCase), "other case");
  EXPECT_FALSE(Traced("CompressFiles:- compressedFilePath is deleted"));

  os::DeleteFileAt(otherCase);
  ws_.File(u"tmp\\ZpkCompressedFiles.7z", "stale");
  EXPECT_TRUE(CheckIfCompressNameExist(temp_));
  path.clear();
  CompressFiles(path, {}, program_, 0);
  EXPECT_FALSE(test::FileExists(Archive()));
  EXPECT_TRUE(Traced("CheckIfCompressNameExist:- file Found"));
  EXPECT_TRUE(Traced("CompressFiles:- compressedFilePath is deleted"));
  // One message per step: the library could not be loaded.
  EXPECT_EQ(recorder.messages().size(), 2u);
}

TEST_F(CompressionStepTest, AMissingClientShowsOneMessageAndTheBuildFailsAtTheHeader) {
  ws_.File(u"program\\7z.dll", "codec");
  ws_.File(u"program\\SelfExtractor.exe", "MZ agent");
  auto txt = ws_.File(u"in\\notes.txt", "notes");
  test::MessageRecorder recorder;
  bool built = Merger(program_, 3, {u"7z.dll", u"Client7z.dll", txt}, u"", ws_.Folder(u"out"),
                      u"setup", {1, 1, -1, 0}, u"", u"", u"", 0, u"");
  EXPECT_FALSE(built);
  const test::Message problem{u"Problem Loading Client7zip Library", u"Kelo Self Extractor"};
  const auto& shown = recorder.messages();
  EXPECT_EQ(std::count(shown.begin(), shown.end(), problem), 1);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), problem);
  EXPECT_TRUE(Traced("CompressFiles:- not able to load the Client7zip Library"));
  EXPECT_TRUE(Traced("Exited CompressFiles"));
  // The header step is where the build stops (at the first entry it cannot
  // read: the missing library itself, before the archive that was not made).
  EXPECT_TRUE(Traced("File Read Error: Not able to read the File: Client7z.dll"));
  EXPECT_FALSE(test::FileExists(Archive()));
  EXPECT_FALSE(test::FileExists(ws_.Path(u"out\\setup.exe")));
  EXPECT_FALSE(os::Exists(temp_ + u"\\ZPK\\temp\\7z.dll"));
}

TEST_F(CompressionStepTest, AnUnusableTempGivesNoArchivePathAndAFailedBuild) {
  test::InstallCompressionLibraries(program_);
  ws_.File(u"program\\SelfExtractor.exe", "MZ agent");
  auto txt = ws_.File(u"in\\notes.txt", "notes");
  for (bool unset : {true, false}) {
    if (unset)
      test::UnsetEnv(u"temp");
    else
      test::SetEnv(u"temp", std::u16string(1100, u'x'));
    std::vector<std::u16string> resultList;
    std::vector<std::int32_t> flags = {1, 1, -1, 0};
    GetDataFilesInfoAfterCompression(resultList, {u"7z.dll", u"Client7z.dll", txt}, flags, 3,
                                     program_);
    EXPECT_EQ(resultList, (std::vector<std::u16string>{u"7z.dll", u"Client7z.dll", u""}));
    EXPECT_EQ(flags[2], 1);
    test::MessageRecorder recorder;
    EXPECT_FALSE(Merger(program_, 3, {u"7z.dll", u"Client7z.dll", txt}, u"", ws_.Folder(u"out"),
                        u"setup", {1, 1, -1, 0}, u"", u"", u"", 0, u""));
    EXPECT_TRUE(Traced("File Read Error: Not able to read the File: "));
    for (const auto& m : recorder.messages())
      EXPECT_NE(m.text, u"Problem Loading Client7zip Library");
  }
}

}  // namespace
}  // namespace pf
