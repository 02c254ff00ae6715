#include <gtest/gtest.h>

#include "engine/password_encoding.h"
#include "platform/name_case.h"
#include "platform/os.h"
#include "platform/text.h"
#include "settings/data_files_rules.h"
#include "settings/page_rules.h"
#include "tests/support/ico_builder.h"
#include "tests/support/test_workspace.h"

namespace pf {
namespace {

using Action = PageDecision::Action;

TEST(DataFilesRules, ExtensionsAndArchiveTypesAreCaseSensitive) {
  EXPECT_EQ(ExtensionOf(u"a.tar.gz"), u"gz");
  EXPECT_EQ(ExtensionOf(u"README"), u"README");
  EXPECT_EQ(ExtensionOf(u"trailing."), u"");
  EXPECT_TRUE(IsArchiveExtension(u"zip"));
  EXPECT_TRUE(IsArchiveExtension(u"compound"));
  EXPECT_FALSE(IsArchiveExtension(u"ZIP"));
  EXPECT_FALSE(IsArchiveExtension(u"README"));
  EXPECT_TRUE(IsShortcutExtension(u"lnk"));
  EXPECT_FALSE(IsShortcutExtension(u"LNK"));
}

TEST(DataFilesRules, CollectMapsRowsToFlags) {
  BuildSettings s;
  s.dataFiles = {u"", u"", u"a.zip", u"b.txt", u"c.ZIP"};
  Collect(s, {RowCheck::kChecked, RowCheck::kNone, RowCheck::kNone});
  EXPECT_EQ(s.dataFiles[0], u"7z.dll");
  EXPECT_EQ(s.dataFiles[1], u"Client7z.dll");
  EXPECT_EQ(s.decompressFlags, (std::vector<std::int32_t>{1, 1, 1, -1, -1}));
  Collect(s, {RowCheck::kUnchecked});
  EXPECT_EQ(s.decompressFlags[2], 0);
  BuildSettings none;
  none.decompressFlags = {7, 7};
  Collect(none, {});
  EXPECT_EQ(none.decompressFlags, (std::vector<std::int32_t>{7, 7}));  // untouched
}

TEST(DataFilesRules, RefusesShortcutsTheLimitAndNameClashes) {
  EXPECT_EQ(CheckFileToAdd({}, u"C:\\x\\b.lnk")->text, u"Shortcut files cannot be added.");
  std::vector<std::u16string> full(254, u"C:\\f");
  for (std::size_t i = 0; i < full.size(); ++i) full[i] += FromUtf8(std::to_string(i));
  EXPECT_TRUE(CheckFileToAdd(full, u"C:\\one.more"));
  full.pop_back();
  EXPECT_FALSE(CheckFileToAdd(full, u"C:\\one.more"));
  std::vector<std::u16string> list{u"C:\\a\\report.txt"};
  EXPECT_FALSE(CheckFileToAdd(list, u"C:\\a\\report.txt"));  // the same file twice is allowed
  auto clash = CheckFileToAdd(list, u"D:\\b\\REPORT.TXT");
  ASSERT_TRUE(clash);
  EXPECT_NE(clash->text.find(u"D:\\b\\REPORT.TXT"), std::u16string::npos);
  EXPECT_NE(clash->text.find(u"C:\\a\\report.txt"), std::u16string::npos);
}

// Names compare as the file system compares them: case folded over all of
// Unicode, not just ASCII and Latin-1 (on Windows the system answers).
TEST(DataFilesRules, TheSameNameGuardFoldsCaseOverAllOfUnicode) {
  struct Case {
    std::u16string a, b;
    bool same;
  } cases[] = {
      {u"\u0100.txt", u"\u0101.txt", true},                              // Ā ā
      {u"\u0424\u0410\u0419\u041B", u"\u0444\u0430\u0439\u043B", true},  // ФАЙЛ файл
      {u"\u03A9", u"\u03C9", true},                                      // Ω ω
      {u"\u0531", u"\u0561", true},                                      // Armenian
      {u"\u24B6", u"\u24D0", true},                                      // circled A a
      {u"\uFF21", u"\uFF41", true},                                      // fullwidth A a
      {u"\u00C9t\u00E9", u"\u00E9T\u00C9", true},                        // Été
      {u"stra\u00DFe", u"STRASSE", false},  // one code unit never becomes two
      {u"a.txt", u"b.txt", false},
      {u"a", u"a ", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(os::NamesEqualIgnoringCase(c.a, c.b), c.same) << ToUtf8(c.a) << " " << ToUtf8(c.b);
    EXPECT_EQ(SameNameByTable(c.a, c.b), c.same) << ToUtf8(c.a) << " " << ToUtf8(c.b);
  }
  std::vector<std::u16string> list{u"C:\\a\\\u0100.txt"};
  EXPECT_TRUE(CheckFileToAdd(list, u"C:\\b\\\u0101.txt"));
  EXPECT_FALSE(CheckFileToAdd(list, u"c:\\A\\\u0101.TXT"));  // the same file, as Windows sees it
  EXPECT_TRUE(NameTaken({u"\u0444\u0430\u0439\u043B.exe"}, u"\u0424\u0410\u0419\u041B"));
}

TEST(DataFilesRules, NameTakenAppendsExeAndIgnoresCase) {
  std::vector<std::u16string> names{u"out.exe"};
  EXPECT_TRUE(NameTaken(names, u"OUT"));
  EXPECT_FALSE(NameTaken(names, u"out.exe"));  // looks for OUT.EXE.EXE
  EXPECT_FALSE(NameTaken({}, u"out"));
}

TEST(DataFilesRules, DestinationFolderMustExistExactlyAsTyped) {
  test::Workspace ws;
  ws.File(u"out\\out.exe", "x");
  auto s = CheckDestination(1, ws.Path(u"out"), u"OUT");
  EXPECT_TRUE(s.folderFound);
  EXPECT_FALSE(s.nameFree);
  EXPECT_FALSE(CheckDestination(1, ws.Path(u"out\\"), u"x").folderFound);  // like "C:\"
  EXPECT_FALSE(CheckDestination(1, ws.Path(u"nowhere"), u"x").folderFound);
}

// Next and Finish differ in order, texts and icons; both tables matter.
TEST(DataFilesRules, NextAndFinishDecideInTheirOwnOrder) {
  auto state = [](int files, std::u16string path, std::u16string name, bool found, bool free) {
    return DestinationState{files, std::move(path), std::move(name), found, free};
  };
  auto say = [](std::u16string t, MessageIcon i = MessageIcon::kExclamation) {
    return PageDecision{Action::kStay, UserMessage{std::move(t), i}};
  };
  PageDecision proceed{Action::kProceed, std::nullopt};
  PageDecision ask{Action::kAskOverwrite, std::nullopt};
  struct Case {
    DestinationState s;
    PageDecision next, finish;
  } cases[] = {
      {state(0, u"C:\\o", u"n", true, true), say(u"Add files for extraction."),
       say(u"Add files for extraction.", MessageIcon::kNone)},
      {state(1, u"", u"", false, true), say(u"Select a folder path for your output file."),
       say(u"Select a folder path for your output file.")},
      {state(1, u"C:\\o", u"", true, true), say(u"Please give a name for your output file."),
       say(u"Please give a name for your output file.")},
      {state(1, u"C:\\o", u"n", false, true), say(u"Invalid filepath"), say(u"Invalid filepath.")},
      {state(1, u"C:\\o", u"n", true, true), proceed, proceed},
      {state(1, u"C:\\o", u"n", true, false), ask, ask},
      // Finish asks about the name before the folder test; Next does not.
      {state(1, u"C:\\o", u"n", false, false), say(u"Invalid filepath"), ask},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ValidateForNext(c.s), c.next) << ToUtf8(c.s.outputFilepath);
    EXPECT_EQ(ValidateForFinish(c.s), c.finish) << ToUtf8(c.s.outputFilepath);
  }
}

// Names Windows accepts but turns into something else than a package file.
TEST(DataFilesRules, NamesWindowsWouldMangleAreRefusedOnNextAndFinish) {
  struct Case {
    std::u16string name;
    bool refused;
  } cases[] = {
      {u"bad:name", true},  {u"CON", true},       {u"con", true},        {u"Nul", true},
      {u"PRN", true},       {u"aux", true},       {u"COM1", true},       {u"lpt9", true},
      {u"COM\u00B9", true}, {u"con.setup", true}, {u"NUL  ", true},      {u"sub\\CON", true},
      {u"console", false},  {u"COM10", false},    {u"setup.con", false}, {u"my con", false},
      {u"LPT", false},      {u"setup", false},
  };
  for (const auto& c : cases) {
    auto reason = ManglingReason(c.name);
    EXPECT_EQ(reason.has_value(), c.refused) << ToUtf8(c.name);
    DestinationState s{1, u"C:\\o", c.name, true, true};
    PageDecision::Action expected = c.refused ? Action::kStay : Action::kProceed;
    EXPECT_EQ(ValidateForNext(s).action, expected) << ToUtf8(c.name);
    EXPECT_EQ(ValidateForFinish(s).action, expected) << ToUtf8(c.name);
    if (!c.refused) continue;
    EXPECT_EQ(ValidateForFinish(s).message, (UserMessage{*reason, MessageIcon::kExclamation}));
    // Refused before the overwrite question too: nothing is written.
    s.nameFree = false;
    EXPECT_EQ(ValidateForFinish(s).action, Action::kStay) << ToUtf8(c.name);
  }
  EXPECT_NE(ManglingReason(u"bad:name")->find(u"\"bad\""), std::u16string::npos);
  EXPECT_NE(ManglingReason(u"com1")->find(u"device"), std::u16string::npos);
}

TEST(PageRules, IconPathNeedsABackslashBeforeTheLastDot) {
  struct Case {
    std::u16string path;
    bool ok;
  } cases[] = {{u"", true},
               {u"app.ico", false},
               {u"C:\\icons\\app", false},
               {u"C:\\my.icons\\app", true},
               {u"C:\\icons\\app.ico", true}};
  for (const auto& c : cases) EXPECT_EQ(IsAcceptableIconPath(c.path), c.ok) << ToUtf8(c.path);
}

TEST(PageRules, IconPageReportsOnlyTheFirstFailure) {
  std::u16string m300(300, u'm'), t30(30, u't');
  EXPECT_FALSE(ValidateIconPage(u"", m300, t30, false));
  EXPECT_EQ(ValidateIconPage(u"", m300 + u"m", t30 + u"t", false)->text,
            u"Display message exceeds 300 characters,please type below 300 characters");
  EXPECT_EQ(ValidateIconPage(u"", m300, t30 + u"t", false)->text,
            u"Title message exceeds 30 characters,please type below 30 characters");
  EXPECT_EQ(ValidateIconPage(u"app.ico", m300 + u"m", u"", false)->text, u"Invalid File");
  EXPECT_EQ(ValidateIconPage(u"C:\\a.ico", u"", u"", true)->icon, MessageIcon::kInformation);
}

TEST(PageRules, PasswordEncodingAndChecks) {
  EXPECT_EQ(EncodePassword(u"abc"), u"fdb");
  EXPECT_EQ(EncodePassword(u"\uffff\uffff"), std::u16string(u"\u0001\u0000", 2));  // wraps
  EXPECT_EQ(EncodePassword(u"12345678").size(), 8u);
  struct Case {
    bool protect;
    std::u16string p, c, message, stored;
  } cases[] = {
      {false, u"typed", u"left", u"", u""},
      {true, u"", u"", u"Please enter a valid password or uncheck if you dont want a password.",
       u""},
      {true, u"", u"x", u"Please enter a valid password or uncheck if you dont want a password.",
       u""},
      {true, u"abc", u"", u"Confirm password.", u""},
      {true, u"abc", u"ABC", u"Password does not match.", u""},
      {true, u"abc", u"abc", u"", u"fdb"},
  };
  for (const auto& c : cases) {
    auto d = ValidatePassword(c.protect, c.p, c.c);
    EXPECT_EQ(d.message ? d.message->text : u"", c.message);
    EXPECT_EQ(d.password, c.stored);
  }
}

TEST(PageRules, FolderOptionAndRunEntry) {
  EXPECT_EQ(FolderOptionOf(false, false), 0);
  EXPECT_EQ(FolderOptionOf(true, true), 1);
  EXPECT_EQ(FolderOptionOf(false, true), 2);
  EXPECT_EQ(ChooseRunEntry(false, true, u"a.exe", u"cmd").driverFilePath, u"");
  EXPECT_EQ(ChooseRunEntry(true, true, u"a.exe", u"cmd").driverFilePath, u"a.exe");
  EXPECT_EQ(ChooseRunEntry(true, false, u"a.exe", u"cmd").driverFilePath, u"cmd");
  EXPECT_EQ(ChooseRunEntry(true, true, u"", u"cmd").message->text, u"Details Missing");
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

TEST(DataFilesRules, ColumnTexts) {
  EXPECT_EQ(SizeColumnText(0), u"0");
  EXPECT_EQ(SizeColumnText(std::uint64_t{5} << 32), u"21474836480");  // 4 GiB and more: true value
  EXPECT_EQ(SizeColumnText(std::nullopt), u"size unavailable");
  EXPECT_EQ(ModifiedColumnText({2026, 12, 6, 14, 59, 23}), u"12/06/26 14:59:23");
  EXPECT_EQ(ModifiedColumnText({2000, 1, 2, 3, 4, 5}), u"01/02/00 03:04:05");
}

TEST(DataFilesRules, RowStateRuleGivesCheckboxesToArchivesOnly) {
  const unsigned none = 0, unchecked = 1, checked = 2;
  struct Case {
    bool adding, archive;
    unsigned from, to;
    bool allowed;
  } cases[] = {
      {true, true, none, unchecked, true},     // the list's unchecked box for a new row
      {true, true, unchecked, checked, true},  // then checked by the page
      {true, true, checked, none, false},
      {true, false, none, unchecked, false},  // other rows get no box at all
      {true, false, unchecked, checked, false},
      {true, false, unchecked, none, true},  // the box a list gave unasked goes again
      {true, false, none, none, true},
      {false, false, none, unchecked, false},   // never gained later
      {false, true, checked, unchecked, true},  // the user may clear and set it
      {false, true, unchecked, checked, true},
      {false, false, none, none, true},  // selection changes pass
  };
  for (const auto& c : cases)
    EXPECT_EQ(AllowRowStateChange(c.adding, c.archive, c.from, c.to), c.allowed)
        << c.adding << c.archive << c.from << c.to;
}

TEST(DataFilesRules, RemoveRowsKeepsTheListsInStep) {
  BuildSettings s;
  s.dataFiles = {u"7z.dll", u"Client7z.dll", u"C:\\a", u"C:\\b", u"C:\\c", u"C:\\d"};
  s.dataFileNames = {u"a", u"b", u"c", u"d"};
  s.decompressFlags = {1, 1, 1, -1, 0, -1};
  s.noOfFiles = 6;
  RemoveRows(s, {2, 0});
  EXPECT_EQ(s.dataFiles,
            (std::vector<std::u16string>{u"7z.dll", u"Client7z.dll", u"C:\\b", u"C:\\d"}));
  EXPECT_EQ(s.dataFileNames, (std::vector<std::u16string>{u"b", u"d"}));
  EXPECT_EQ(s.noOfFiles, 4);
  RemoveRows(s, {0, 1});
  EXPECT_EQ(s.noOfFiles, 2);
}

// The page and the console ask the build's own reader, from the directory
// and the file's length.
TEST(PageRules, FurtherIconCheckRefusesWhatTheBuildWouldRefuse) {
  std::string app = test::ApplicationIcon();
  auto head = [](const std::string& s, std::size_t n) {
    return std::vector<std::uint8_t>(s.begin(), s.begin() + std::min(n, s.size()));
  };
  EXPECT_FALSE(IsSuspectIconFile(head(app, 70), app.size()));
  EXPECT_TRUE(IsSuspectIconFile(head(app, 70), app.size() - 1));  // last image cut
  EXPECT_TRUE(IsSuspectIconFile(std::nullopt, 0));                // missing or unreadable
  EXPECT_TRUE(IsSuspectIconFile(head(app, 21), 21));              // cut in the directory
  std::string cursor = app;
  cursor[2] = 2;
  EXPECT_TRUE(IsSuspectIconFile(head(cursor, 70), cursor.size()));
  EXPECT_TRUE(IsSuspectIconFile(head(test::IcoFileOf({}), 6), 6));  // no image
}

}  // namespace
}  // namespace pf
