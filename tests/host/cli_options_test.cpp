#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "platform/text.h"
#include "settings/data_files_rules.h"
#include "tests/support/ico_builder.h"
#include "tests/support/test_workspace.h"

namespace pf {
namespace {

class CliOptions : public ::testing::Test {
 protected:
  CliRequest Parse(std::vector<std::u16string> args) { return ParseCliArguments(args, u"PROG"); }
  test::Workspace ws_;
  std::u16string out_ = ws_.Folder(u"out");
  std::u16string txt_ = ws_.File(u"notes.txt", "n");
  std::u16string zip_ = ws_.File(u"data.zip", "z");
};

TEST_F(CliOptions, BuildsSettingsAsTheWizardWould) {
  auto r = Parse({u"-o", out_, u"--name=setup", txt_, u"--keep-packed", zip_, u"--password", u"abc",
                  u"--extract-to", u"ask", u"--message", u"Hi", u"--title", u"T", u"--run",
                  u"notes.txt"});
  ASSERT_TRUE(r.error.empty()) << ToUtf8(r.error);
  const auto& s = r.settings;
  EXPECT_EQ(s.programFolder, u"PROG");
  EXPECT_EQ(s.noOfFiles, 4);
  EXPECT_EQ(s.dataFiles, (std::vector<std::u16string>{u"7z.dll", u"Client7z.dll", txt_, zip_}));
  EXPECT_EQ(s.decompressFlags, (std::vector<std::int32_t>{1, 1, -1, 0}));
  EXPECT_EQ(s.password, u"fdb");
  EXPECT_EQ(s.extractFolderOption, 2);
  EXPECT_EQ(s.aboutMessage, u"Hi");
  EXPECT_EQ(s.driverFilePath, u"notes.txt");
  EXPECT_EQ(s.outputFilepath, out_);
  EXPECT_EQ(s.outputFileName, u"setup");
}

TEST_F(CliOptions, AnArchiveIsUnpackedUnlessKept) {
  auto r = Parse({u"-o", out_, u"-n", u"x", zip_});
  ASSERT_TRUE(r.error.empty());
  EXPECT_EQ(r.settings.decompressFlags, (std::vector<std::int32_t>{1, 1, 1}));
}

TEST_F(CliOptions, RefusesWhatThePagesRefuseWithTheirTexts) {
  std::u16string lnk = ws_.File(u"a.lnk", "l");
  struct Case {
    std::vector<std::u16string> args;
    std::u16string error;
  } cases[] = {
      {{u"-o", out_, u"-n", u"x"}, u"Add files for extraction."},
      {{u"-n", u"x", txt_}, u"Select a folder path for your output file."},
      {{u"-o", out_, txt_}, u"Please give a name for your output file."},
      {{u"-o", ws_.Path(u"nowhere"), u"-n", u"x", txt_}, u"Invalid filepath."},
      {{u"-o", out_, u"-n", u"x", lnk}, u"Shortcut files cannot be added."},
      {{u"-o", out_, u"-n", u"x", u"--icon", u"app", txt_}, u"Invalid File"},
      {{u"-o", out_, u"-n", u"x", u"--message", std::u16string(301, u'm'), txt_},
       u"Display message exceeds 300 characters,please type below 300 characters"},
      {{u"-o", out_, u"-n", u"x", u"--title", std::u16string(31, u't'), txt_},
       u"Title message exceeds 30 characters,please type below 30 characters"},
      {{u"-o", out_, u"-n", u"x", u"--password", u"", txt_},
       u"Please enter a valid password or uncheck if you dont want a password."},
      {{u"-o", out_, u"-n", u"x", u"--password", u"123456789", txt_},
       u"The password can be at most 8 characters."},
      {{u"-o", out_, u"-n", u"x", u"--run", u"", txt_}, u"Details Missing"},
      {{u"-o", out_, u"-n", u"x", u"--keep-packed", txt_},
       u"--keep-packed takes an archive (7z, tar, zip, ...): " + txt_},
      {{u"-o", out_, u"-n", u"x", u"--extract-to", u"moon", txt_},
       u"--extract-to takes default, temp or ask"},
      {{u"-o", out_, u"-n", u"NUL", txt_}, *ManglingReason(u"NUL")},
      {{u"--bogus"}, u"unknown option --bogus"},
      {{u"-o"}, u"-o needs a value"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToUtf8(Parse(c.args).error), ToUtf8(c.error));
}

TEST_F(CliOptions, EncryptCarriesEveryInputInsideAndStoresNoGate) {
  const std::u16string longest(127, u'\u00e9');
  auto r = Parse({u"-o", out_, u"-n", u"x", u"--encrypt", u"--password", longest, txt_,
                  u"--keep-packed", zip_});
  ASSERT_TRUE(r.error.empty()) << ToUtf8(r.error);
  EXPECT_EQ(r.archivePassword, longest);
  EXPECT_EQ(r.settings.password, u"");  // nothing reversible in the header
  EXPECT_EQ(r.settings.decompressFlags, (std::vector<std::int32_t>{1, 1, -1, -1}));
}

TEST_F(CliOptions, PasswordFileGivesItsFirstLine) {
  struct Case {
    std::string bytes;
    std::u16string password;
  } cases[] = {
      {"s3cret phrase", u"s3cret phrase"},
      {"s3cret phrase\n", u"s3cret phrase"},
      {"\xEF\xBB\xBFgr\xC3\xBC\xC3\x9F dich\r\n", u"gr\u00fc\u00df dich"},
  };
  for (const auto& c : cases) {
    std::u16string file = ws_.File(u"pw.txt", c.bytes);
    auto r = Parse({u"-o", out_, u"-n", u"x", u"--encrypt", u"--password-file", file, txt_});
    ASSERT_TRUE(r.error.empty()) << ToUtf8(r.error);
    EXPECT_EQ(ToUtf8(r.archivePassword), ToUtf8(c.password));
  }
  // Without --encrypt it is the gate's password, encoded as --password's.
  std::u16string file = ws_.File(u"gate.txt", "abc\n");
  auto gate = Parse({u"-o", out_, u"-n", u"x", u"--password-file", file, txt_});
  ASSERT_TRUE(gate.error.empty()) << ToUtf8(gate.error);
  EXPECT_EQ(gate.settings.password, u"fdb");
  EXPECT_EQ(gate.archivePassword, u"");
}

TEST_F(CliOptions, EncryptRefusesWhatWouldTravelOrBeStoredInTheClear) {
  std::u16string empty = ws_.File(u"empty.txt", "\n");
  std::u16string latin1 = ws_.File(u"latin1.txt", "gr\xFC\xDF");
  std::u16string huge = ws_.File(u"huge.txt", std::string(5000, 'p'));
  const std::vector<std::u16string> build = {u"-o", out_, u"-n", u"x", u"--encrypt"};
  struct Case {
    std::vector<std::u16string> args;
    std::u16string error;
  } cases[] = {
      {{txt_}, u"--encrypt needs --password or --password-file"},
      {{u"--password", u"", txt_}, u"with --encrypt the password has 1 to 127 characters"},
      {{u"--password", std::u16string(128, u'p'), txt_},
       u"with --encrypt the password has 1 to 127 characters"},
      {{u"--password-file", empty, txt_}, u"with --encrypt the password has 1 to 127 characters"},
      {{u"--password", u"a", u"--password-file", empty, txt_},
       u"give --password or --password-file, not both"},
      {{u"--password-file", ws_.Path(u"none.txt"), txt_},
       u"cannot read the password file " + ws_.Path(u"none.txt")},
      {{u"--password-file", latin1, txt_}, u"the password file is not UTF-8 text: " + latin1},
      {{u"--password-file", huge, txt_}, u"the password file is too large: " + huge},
      {{u"--password", u"a", txt_, zip_},
       u"with --encrypt, " + zip_ +
           u" would be unpacked at extraction and travel outside the encrypted archive; pass it "
           u"with --keep-packed to carry it inside"},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> args = build;
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = Parse(args);
    EXPECT_EQ(ToUtf8(r.error), ToUtf8(c.error));
    EXPECT_EQ(r.archivePassword, u"");
  }
}

// The same reader as the build: a file the icon step would refuse is
// refused before anything is built.
TEST_F(CliOptions, IconFileIsCheckedAsTheBuildReadsIt) {
  std::string app = test::ApplicationIcon();
  std::u16string good = ws_.File(u"app.ico", app);
  std::u16string cut = ws_.File(u"cut.ico", app.substr(0, app.size() - 10));
  auto r = Parse({u"-o", out_, u"-n", u"x", u"--icon", good, txt_});
  EXPECT_TRUE(r.error.empty()) << ToUtf8(r.error);
  EXPECT_EQ(r.settings.iconFilePath, good);
  for (const auto& refused : {cut, ws_.Path(u"missing.ico"), txt_})
    EXPECT_EQ(ToUtf8(Parse({u"-o", out_, u"-n", u"x", u"--icon", refused, txt_}).error),
              "Invalid File")
        << ToUtf8(refused);
}

TEST_F(CliOptions, VersionIsAnsweredWithoutBuildArguments) {
  for (const auto& args : {std::vector<std::u16string>{u"--version"},
                           std::vector<std::u16string>{u"-o", out_, u"--version", txt_}}) {
    auto r = Parse(args);
    EXPECT_TRUE(r.version);
    EXPECT_TRUE(r.error.empty()) << ToUtf8(r.error);
    EXPECT_TRUE(r.settings.outputFilepath.empty());  // nothing to build
    EXPECT_EQ(r.settings.noOfFiles, 2);
  }
  EXPECT_EQ(ToUtf8(Parse({u"--versions"}).error), "unknown option --versions");
}

TEST_F(CliOptions, AnExistingPackageIsReplacedWithANote) {
  ws_.File(u"out\\setup.exe", "old");
  auto r = Parse({u"-o", out_, u"-n", u"SETUP", txt_});
  EXPECT_TRUE(r.error.empty());
  ASSERT_EQ(r.notes.size(), 1u);
}

}  // namespace
}  // namespace pf
