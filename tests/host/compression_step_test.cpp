// The compression step with a client library in the program folder: the
// real Client7z.dll and 7z.dll under Wine, the native stand-in otherwise.
#include "compress/compression_step.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "client7z/client7z.h"
#include "compress/client_result.h"
#include "compress/work_folder.h"

#include "compress/archive_check.h"
#include "engine/header_reader.h"
#include "engine/merger.h"
#include "engine/package_names.h"
#include "platform/engine_message.h"
#include "platform/os.h"
#include "platform/text.h"
#include "tests/support/compression_libraries.h"
#include "tests/support/test_workspace.h"
#include "tests/support/trace_capture.h"
#include "trace/trace_log.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/unique_handle.h"
#endif

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
  std::u16string Archive(const WorkFolder& work) const {
    return work.path() + u"\\ZpkCompressedFiles.7z";
  }
  // What is left under %temp%\ZPK: nothing once every build has ended.
  std::vector<std::u16string> WorkFoldersLeft() const { return test::ListFolder(temp_ + u"\\ZPK"); }

  Workspace ws_;
  std::u16string program_, temp_;
};

// The last block of a package: the archive the compression step made.
std::string LastBlock(const std::string& package) {
  auto at = package.find(kHeaderSignature);
  if (at == std::string::npos) return "<no header>";
  std::span<const std::uint8_t> rest(reinterpret_cast<const std::uint8_t*>(package.data()) + at,
                                     package.size() - at);
  auto read = ReadPackageHeader(rest, rest.size());
  if (!read.header || read.header->entries.empty()) return "<bad header>";
  std::uint32_t size = read.header->entries.back().size;
  return package.substr(package.size() - size);
}

#ifdef _WIN32
// Another program's handle on a file, for as long as the object lives.
pf::win::unique_hfile Hold(const std::u16string& path, DWORD access, DWORD share) {
  return pf::win::unique_hfile(CreateFileW(ToWide(path).c_str(), access, share, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}
#endif

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
    WorkFolder work;
    GetDataFilesInfoAfterCompression(resultList, dataFiles, flags,
                                     static_cast<std::int32_t>(dataFiles.size()), program_, work);
    ASSERT_FALSE(work.path().empty());
    EXPECT_EQ(work.path().rfind(temp_ + u"\\ZPK\\", 0), 0u);

    std::vector<std::u16string> expected = {u"7z.dll", u"Client7z.dll"};
    expected.insert(expected.end(), c.kept.begin(), c.kept.end());
    expected.push_back(Archive(work));
    EXPECT_EQ(resultList, expected);
    ASSERT_EQ(flags.size(), dataFiles.size() + 1);
    EXPECT_EQ(std::vector<std::int32_t>(flags.begin(), flags.begin() + c.expectedFlags.size()),
              c.expectedFlags);
    // Positions past the archive keep what they held.
    for (std::size_t i = c.expectedFlags.size(); i < flags.size(); ++i)
      EXPECT_EQ(flags[i], before[i]);
    auto names = test::ArchivedNames(
        Archive(work), ws_.Folder(u"listing" + FromUtf8(std::to_string(c.files.size()))));
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(*names, c.packedNames);
    // The library copies are gone already; the archive waits for the package.
    EXPECT_EQ(test::ListFolder(work.path()), std::vector<std::u16string>{u"ZpkCompressedFiles.7z"});
#ifndef _WIN32
    // The stand-in saw a count of 0 for the last case.
    if (c.packedNames.empty()) {
      EXPECT_NE(test::ReadAll(Archive(work)).find("count=0\n"), std::string::npos);
    }
#endif
  }
  EXPECT_TRUE(Traced("CompressFiles:- getCompressResult: 0"));
  EXPECT_TRUE(WorkFoldersLeft().empty());
}

TEST_F(CompressionStepTest, TracesEveryOperationInOrder) {
  test::InstallCompressionLibraries(program_);
  std::vector<std::u16string> resultList;
  std::vector<std::int32_t> flags = {1, 1, 0};
  WorkFolder work;
  GetDataFilesInfoAfterCompression(resultList, {u"7z.dll", u"Client7z.dll"}, flags, 2, program_,
                                   work);
  std::vector<std::string> lines;
  for (const auto& l : test::TraceLines(ws_))
    if (l.find("AppendElementToPath") == std::string::npos) lines.push_back(l);
  const std::string t = ToUtf8(temp_), p = ToUtf8(program_), w = ToUtf8(work.path());
  const std::string clientName = ToUtf8(std::u16string(kPackingClientName));
  const std::string codecName = ToUtf8(std::u16string(kPackingCodecName));
  const std::string client = w + "\\" + clientName;
  const std::vector<std::string> expected = {
      "Entered GetDataFilesInfoAfterCompression:-",
      "Entered CompressFiles:-",
      "envTempPath:- " + t + "\t",
      "Entered CheckIfCompressNameExist:- ",
      "Entered DlldDirectory:",
      "Create7zipDllsDirectory:- CreateDirectory-zpkPath-" + t + "\\ZPK",
      "Create7zipDllsDirectory:- CreateDirectory-zpkTempPath-" + w,
      "Create7zipDllsDirectory:- CopyFile:-File1-client7zDll-" + p + "\\" + clientName +
          ",File2-client7zTempPath-" + client,
      "Create7zipDllsDirectory:- CopyFile:-File1-sevenZipDll-" + p + "\\" + codecName +
          ",File2-sevenZipTempPath-" + w + "\\" + codecName,
      "Exited DllDirectory:-",
      "CompressFiles:- compressInputData's: client7zTempPath- " + client + ",compressedFilePath-" +
          w + "\\ZpkCompressedFiles.7z",
      "CompressFiles:- client7zTempPath: " + client,
      "CompressFiles:- getCompressResult: 0",
      "Exited CompressFiles",
      "Exited GetDataFilesInfoAfterCompression",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(CompressionStepTest, OnlyTheExactlyNamedArchiveCountsAsStale) {
  // Two folders: on Windows the two names are one file.
  ws_.File(u"other\\zpkCompressedFiles.7z", "other case");
  EXPECT_FALSE(CheckIfCompressNameExist(ws_.Path(u"other")));
  ws_.File(u"exact\\ZpkCompressedFiles.7z", "stale");
  EXPECT_TRUE(CheckIfCompressNameExist(ws_.Path(u"exact")));
  EXPECT_TRUE(Traced("CheckIfCompressNameExist:- file Found"));
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
  EXPECT_FALSE(test::FileExists(ws_.Path(u"out\\setup.exe")));
  // The work folder went with the build, library copy and all.
  EXPECT_TRUE(WorkFoldersLeft().empty());
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
    WorkFolder work;
    GetDataFilesInfoAfterCompression(resultList, {u"7z.dll", u"Client7z.dll", txt}, flags, 3,
                                     program_, work);
    EXPECT_TRUE(work.path().empty());
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

TEST(ClientResultText, EachResultIsASentenceNamingTheFileWhenKnown) {
  struct Case {
    int result;
    std::u16string path;
    std::u16string text;
  };
  const Case cases[] = {
      {kClient7zInputMissing, u"C:\\in\\a.txt", u"A file to pack does not exist: C:\\in\\a.txt"},
      {kClient7zInputUnreadable, u"C:\\in\\b.txt", u"A file to pack cannot be read: C:\\in\\b.txt"},
      {kClient7zInputUnreadable, u"", u"A file to pack cannot be read."},
      {kClient7zDuplicateName, u"C:\\b\\a.txt",
       u"Two files to pack have the same name: C:\\b\\a.txt"},
      {kClient7zArchiveWriteFailed, u"T\\x.7z", u"The archive cannot be written: T\\x.7z"},
      {kClient7zCodecMissing, u"", u"The codec library 7z.dll cannot be loaded."},
      {kClient7zNotAnArchive, u"C:\\x.rar",
       u"The file is not an archive that the codec can read: C:\\x.rar"},
      {kClient7zUnsafeEntry, u"C:\\u.7z",
       u"The archive holds an entry that extraction refuses (an absolute path, a drive or a "
       u"\"..\" step): C:\\u.7z"},
      {kClient7zInternalError, u"",
       u"The compression client ran out of memory or failed unexpectedly."},
      {99, u"", u"The compression client failed with the unknown result 99."},
  };
  for (const auto& c : cases) EXPECT_EQ(DescribeClientResult(c.result, c.path), c.text);
  // Every code the client can return has its own sentence.
  std::vector<std::u16string> seen;
  for (int r = kClient7zBadArguments; r <= kClient7zWrongPassword; ++r) {
    auto text = DescribeClientResult(r, u"");
    EXPECT_EQ(text.find(u"unknown"), std::u16string::npos) << r;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), text), 0) << r;
    seen.push_back(text);
  }
}

class CompressionBuildTest : public CompressionStepTest {
 protected:
  void SetUp() override {
    CompressionStepTest::SetUp();
    test::InstallCompressionLibraries(program_);
    ws_.File(u"program\\SelfExtractor.exe", "MZ agent " + std::string(2000, 'A'));
    out_ = ws_.Folder(u"out");
  }
  bool Build(const std::vector<std::u16string>& files, const std::vector<std::int32_t>& flags,
             const std::u16string& name = u"setup") {
    std::vector<std::u16string> list{u"7z.dll", u"Client7z.dll"};
    list.insert(list.end(), files.begin(), files.end());
    std::vector<std::int32_t> all{1, 1};
    all.insert(all.end(), flags.begin(), flags.end());
    return Merger(program_, static_cast<std::int32_t>(list.size()), list, u"", out_, name, all, u"",
                  u"", u"", 0, u"");
  }
  std::u16string out_;
};

TEST_F(CompressionBuildTest, AFailedPackFailsTheBuildWithItsCauseAndKeepsThePackage) {
  ws_.File(u"out\\setup.exe", "OLD PACKAGE");
  auto good = ws_.File(u"in\\good.txt", "good");
  auto held = ws_.File(u"in\\held.txt", "being written");
  struct Case {
    std::u16string file;
    std::u16string message;
    std::string result;
  };
  std::vector<Case> cases = {
      {ws_.Path(u"in\\gone.txt"), u"A file to pack does not exist: " + ws_.Path(u"in\\gone.txt"),
       "4"},
  };
#ifdef _WIN32
  // Another program writing the file: refused, as before reads shared.
  auto writer = Hold(held, GENERIC_WRITE, FILE_SHARE_READ);
  ASSERT_TRUE(writer);
  cases.push_back({held, u"A file to pack cannot be read: " + held, "5"});
#endif
  for (const auto& c : cases) {
    test::MessageRecorder recorder;
    EXPECT_FALSE(Build({good, c.file}, {-1, -1}));
    const test::Message expected{c.message, u"Kelo Self Extractor"};
    EXPECT_EQ(recorder.messages(), std::vector<test::Message>{expected});
    EXPECT_TRUE(Traced("CompressFiles:- getCompressResult: " + c.result));
    EXPECT_FALSE(Traced("Exited CompressFiles"));
    EXPECT_EQ(test::ReadAll(out_ + u"\\setup.exe"), "OLD PACKAGE");
    EXPECT_EQ(test::ListFolder(out_), std::vector<std::u16string>{u"setup.exe"});
    EXPECT_TRUE(WorkFoldersLeft().empty());
  }
}

TEST_F(CompressionBuildTest, AStaleReadOnlyArchiveInTempNeverReachesThePackage) {
  // Where earlier builds left their archive: neither place is used now.
  for (const char16_t* stale :
       {u"tmp\\ZpkCompressedFiles.7z", u"tmp\\ZPK\\temp\\ZpkCompressedFiles.7z"}) {
    test::SetReadOnly(ws_.File(stale, "stale archive"), true);
  }
  auto notes = ws_.File(u"in\\notes.txt", "fresh notes");
  ASSERT_TRUE(Build({notes}, {-1}));
  std::string archive = LastBlock(test::ReadAll(out_ + u"\\setup.exe"));
  EXPECT_EQ(archive.find("stale archive"), std::string::npos);
  auto copy = ws_.File(u"cut.7z", archive);
  auto names = test::ArchivedNames(copy, ws_.Folder(u"listing"));
  ASSERT_TRUE(names.has_value());
  EXPECT_EQ(*names, std::vector<std::u16string>{u"notes.txt"});
  EXPECT_EQ(test::ReadAll(temp_ + u"\\ZpkCompressedFiles.7z"), "stale archive");
  EXPECT_EQ(test::ReadAll(temp_ + u"\\ZPK\\temp\\ZpkCompressedFiles.7z"), "stale archive");
  // Only the old layout's folder is left under ZPK.
  EXPECT_EQ(WorkFoldersLeft(), std::vector<std::u16string>{u"temp"});
  for (const char16_t* stale :
       {u"tmp\\ZpkCompressedFiles.7z", u"tmp\\ZPK\\temp\\ZpkCompressedFiles.7z"})
    test::SetReadOnly(ws_.Path(stale), false);
}

TEST_F(CompressionBuildTest, TwoBuildsOfTheSameInputsAreTheSameBytes) {
  std::string mixed;
  for (unsigned i = 0; i < 400000; ++i) mixed.push_back(static_cast<char>((i * 2654435761u) >> 24));
  auto a = ws_.File(u"in\\a.bin", mixed);
  auto b = ws_.File(u"in\\b.txt", "some text\r\n");
  auto zip = ws_.File(u"in\\kept.zip", "kept as it is");
  ASSERT_TRUE(Build({a, b, zip}, {-1, -1, 0}, u"first"));
  ASSERT_TRUE(Build({a, b, zip}, {-1, -1, 0}, u"second"));
  std::string first = test::ReadAll(out_ + u"\\first.exe");
  ASSERT_GT(first.size(), mixed.size() / 2);
  EXPECT_TRUE(first == test::ReadAll(out_ + u"\\second.exe"));
}

#ifdef _WIN32
TEST_F(CompressionBuildTest, FilesOtherReadersHoldOpenAreStillRead) {
  ws_.File(u"program\\ZPK_ICON.ico", std::string(22, '\0') + "icon image");
  auto notes = ws_.File(u"in\\notes.txt", "notes");
  auto zip = ws_.File(u"in\\kept.zip", "kept");
  std::vector<pf::win::unique_hfile> readers;
  for (const auto& path :
       {program_ + u"\\7z.dll", program_ + u"\\Client7z.dll", program_ + u"\\SelfExtractor.exe",
        program_ + u"\\ZPK_ICON.ico", notes, zip}) {
    readers.push_back(Hold(path, GENERIC_READ, FILE_SHARE_READ));
    ASSERT_TRUE(readers.back()) << ToUtf8(path);
  }
  EXPECT_TRUE(Build({notes, zip}, {-1, 0}));
  EXPECT_TRUE(Traced("Exited Merger"));
}
#endif

TEST_F(CompressionBuildTest, TickedArchivesAreOpenedBeforeAnythingIsWritten) {
  // A real archive of the installed client, and files that are none.
  auto inside = ws_.File(u"in\\inside.txt", "inside");
  std::u16string good;
  {
    WorkFolder work;
    std::u16string made;
    CompressFiles(made, {inside}, program_, 1, work);
    good = ws_.File(u"in\\good.7z", test::ReadAll(made));
  }
  auto fakeRar = ws_.File(u"in\\fake.rar", "Rar! but not really");
  auto textZip = ws_.File(u"in\\notes.zip", "plain text, not an archive");
  struct Case {
    std::vector<std::u16string> files;
    std::vector<std::int32_t> flags;
    std::u16string refused;  // empty: accepted
    std::u16string reason;
  };
  std::vector<Case> cases = {
      {{good, inside}, {1, -1}, u"", u""},
      {{good, fakeRar},
       {1, 1},
       fakeRar,
       u"The file is not an archive that the codec can read: " + fakeRar},
      {{textZip}, {1}, textZip, u"The file is not an archive that the codec can read: " + textZip},
      // Kept as it is, or not there at all: not for this check.
      {{fakeRar, textZip}, {0, 0}, u"", u""},
      {{ws_.Path(u"in\\gone.zip")}, {1}, u"", u""},
  };
#ifdef _WIN32
  const auto unsafe = os::ExecutableFolder() + u"\\unsafe_entries.7z";
  cases.push_back({{good, unsafe},
                   {1, 1},
                   unsafe,
                   u"The archive holds an entry that extraction refuses (an absolute path, a "
                   u"drive or a \"..\" step): " +
                       unsafe});
#endif
  for (const auto& c : cases) {
    std::vector<std::u16string> list{u"7z.dll", u"Client7z.dll"};
    list.insert(list.end(), c.files.begin(), c.files.end());
    std::vector<std::int32_t> flags{1, 1};
    flags.insert(flags.end(), c.flags.begin(), c.flags.end());
    auto refusal =
        CheckArchivesToUnpack(program_, list, flags, static_cast<std::int32_t>(list.size()));
    if (c.refused.empty()) {
      EXPECT_FALSE(refusal.has_value()) << ToUtf8(refusal ? refusal->reason : u"");
    } else {
      ASSERT_TRUE(refusal.has_value()) << ToUtf8(c.refused);
      EXPECT_EQ(refusal->file, c.refused);
      EXPECT_EQ(refusal->reason, c.reason);
    }
    EXPECT_TRUE(WorkFoldersLeft().empty());
    EXPECT_TRUE(test::ListFolder(out_).empty());
  }
  // Without a client nothing can be checked; the build reports that itself.
  os::DeleteFileAt(program_ + u"\\" + std::u16string(kPackingClientName));
  EXPECT_FALSE(
      CheckArchivesToUnpack(program_, {u"7z.dll", u"Client7z.dll", fakeRar}, {1, 1, 1}, 3));
}

}  // namespace
}  // namespace pf
