// The icon, password and run pages driven in-process through their real
// templates: what each control does, what each page stores, what it shows,
// and what a build started from each page's Finish receives.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>
#include <chrono>

#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "resources/resource.h"
#include "tests/support/test_workspace.h"
#include "tests/win/icon_fixture.h"
#include "tests/win/page_driver.h"

namespace pf::test {
namespace {

constexpr int kIconPage = 1;
constexpr int kPasswordPage = 2;
constexpr int kRunPage = 3;

std::u16string Repeat(std::u16string_view unit, std::size_t count) {
  std::u16string s;
  for (std::size_t i = 0; i < count; ++i) s += unit;
  return s;
}

class OptionPages : public ::testing::Test {
 protected:
  Workspace ws;
  PageDriver ui;

  // The only message shown since the last call (empty when none).
  std::u16string TakeMessage() {
    std::u16string text;
    EXPECT_LE(ui.messages().size(), 1u) << "more than one message";
    if (!ui.messages().empty()) text = ui.messages().back().text;
    ui.ForgetMessages();
    return text;
  }
};

// ---- the icon page ----

TEST_F(OptionPages, IconPathIsJudgedByItsTextThenByTheFileItNames) {
  std::u16string icon = ws.File(u"icons\\app.ico", TinyIcon());
  std::u16string noExtension = ws.File(u"my.icons\\app", TinyIcon());
  std::u16string textFile = ws.File(u"icons\\notes.ico", "not an icon at all, just text");
  ws.File(u"app.ico", TinyIcon());  // a bare name is refused even when it exists
  struct Case {
    std::u16string path;
    bool accepted;
  } cases[] = {
      {u"", true},  // the default icon
      {icon, true},
      {noExtension, true},  // the backslash before the last dot is what counts
      {u"app.ico", false},
      {u"C:\\icons\\app", false},
      {ws.Path(u"my.icons\\missing"), false},  // passes the text test, names nothing
      {textFile, false},
  };
  ui.Show(kIconPage);
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.path));
    ui.SetText(kIconPage, IDE_ICON_FILE, c.path);
    ui.Click(kIconPage, IDB_ICON_NEXT);
    EXPECT_EQ(ui.settings().iconFilePath, c.path);  // stored even when refused
    EXPECT_EQ(TakeMessage(), c.accepted ? u"" : u"Invalid File");
    EXPECT_EQ(ui.ActiveIndex(), c.accepted ? kPasswordPage : kIconPage);
    ui.Show(kIconPage);
  }
}

// A pipe whose writer never writes stands for a share that never answers:
// the read of the chosen file blocks until the pipe is closed.
TEST_F(OptionPages, AnIconFileThatNeverAnswersIsInvalidWithoutHangingThePage) {
  std::wstring name =
      L"\\\\.\\pipe\\packforge-silent-" + std::to_wstring(GetCurrentProcessId()) + L".ico";
  win::unique_hfile silent(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND,
                                            PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr));
  ASSERT_TRUE(silent) << "no pipe";
  ui.Show(kIconPage);
  ui.SetText(kIconPage, IDE_ICON_FILE, FromWide(name));
  auto start = std::chrono::steady_clock::now();
  ui.Click(kIconPage, IDB_ICON_NEXT);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(TakeMessage(), u"Invalid File");
  EXPECT_EQ(ui.ActiveIndex(), kIconPage);
  EXPECT_LT(waited, std::chrono::seconds(6));
  // The page still answers, and a readable icon passes as before.
  ui.SetText(kIconPage, IDE_ICON_FILE, ws.File(u"icons\\app.ico", TinyIcon()));
  ui.Click(kIconPage, IDB_ICON_NEXT);
  EXPECT_EQ(TakeMessage(), u"");
  EXPECT_EQ(ui.ActiveIndex(), kPasswordPage);
}

TEST_F(OptionPages, IconPageLimitsCountUtf16CodeUnits) {
  // U+1F600 is two code units: 150 of them are exactly 300.
  const std::u16string smile = u"\U0001F600";
  struct Case {
    std::u16string message, title, shown;
  } cases[] = {
      {Repeat(smile, 150), Repeat(u"t", 30), u""},
      {Repeat(smile, 150) + u"m", u"",
       u"Display message exceeds 300 characters,please type below 300 characters"},
      {u"", Repeat(smile, 15) + u"t",
       u"Title message exceeds 30 characters,please type below 30 characters"},
      {Repeat(u"m", 301), Repeat(u"t", 31),  // only the first failure is shown
       u"Display message exceeds 300 characters,please type below 300 characters"},
  };
  ui.Show(kIconPage);
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.shown));
    ui.SetText(kIconPage, IDE_ABOUT_MESSAGE, c.message);
    ui.SetText(kIconPage, IDE_ABOUT_TITLE, c.title);
    ASSERT_EQ(ui.Text(kIconPage, IDE_ABOUT_MESSAGE), c.message);
    ui.settings().aboutMessage = u"before";
    ui.settings().aboutTitle = u"before";
    ui.Click(kIconPage, IDB_ICON_NEXT);
    EXPECT_EQ(TakeMessage(), c.shown);
    bool ok = c.shown.empty();
    EXPECT_EQ(ui.settings().aboutMessage, ok ? c.message : u"before");
    EXPECT_EQ(ui.settings().aboutTitle, ok ? c.title : u"before");
    ui.Show(kIconPage);
  }
}

TEST_F(OptionPages, IconMessagesAreInformationWithTheAppTitle) {
  ui.Show(kIconPage);
  ui.SetText(kIconPage, IDE_ICON_FILE, u"app.ico");
  ui.SetText(kIconPage, IDE_ABOUT_MESSAGE, Repeat(u"m", 301));
  ui.Click(kIconPage, IDB_ICON_FINISH);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, u"Invalid File");  // the path is checked first
  EXPECT_EQ(ui.messages()[0].caption, u"Kelo Self Extractor");
  EXPECT_EQ(ui.messages()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_TRUE(ui.builds.empty());
  EXPECT_EQ(ui.ActiveIndex(), kIconPage);
}

TEST_F(OptionPages, BrowseFillsTheBoxAndCancelChangesNothing) {
  std::u16string icon = ws.File(u"art\\Package.ico", TinyIcon());
  ui.Show(kIconPage);
  ui.recorder.fileOpenAnswers.push_back({icon});
  ui.Click(kIconPage, IDB_BROWSE_ICON);
  ASSERT_EQ(ui.recorder.fileOpenCalls().size(), 1u);
  EXPECT_FALSE(ui.recorder.fileOpenCalls()[0].multiSelect);
  EXPECT_EQ(ui.recorder.fileOpenCalls()[0].filterName, u"(*.ico)");
  EXPECT_EQ(ui.recorder.fileOpenCalls()[0].filterPattern, u"*.ico");
  EXPECT_EQ(ui.Text(kIconPage, IDE_ICON_FILE), icon);
  EXPECT_EQ(ui.wizard().iconSelect.iconPath(), icon);
  EXPECT_EQ(ui.wizard().iconSelect.chosenFileName(), u"Package.ico");

  ui.Click(kIconPage, IDB_BROWSE_ICON);
  EXPECT_EQ(ui.Text(kIconPage, IDE_ICON_FILE), icon);
  EXPECT_EQ(ui.wizard().iconSelect.iconPath(), icon);
  EXPECT_EQ(ui.wizard().iconSelect.chosenFileName(), u"Package.ico");
  EXPECT_TRUE(ui.settings().iconFilePath.empty());  // only Next and Finish store it
}

// The real chooser, not the replaceable one: it opens for the page with
// the icon filter, and closing it changes nothing.
struct OpenDialogSeen {
  HWND dialog = nullptr;
  bool icoFilter = false;
};
OpenDialogSeen* g_seen = nullptr;

BOOL CALLBACK FindIcoFilter(HWND child, LPARAM) {
  wchar_t text[256] = {};
  GetWindowTextW(child, text, 256);
  if (std::wstring(text).find(L"*.ico") != std::wstring::npos) g_seen->icoFilter = true;
  int count = static_cast<int>(SendMessageW(child, CB_GETCOUNT, 0, 0));
  wchar_t className[64] = {};
  GetClassNameW(child, className, 64);
  if (std::wstring(className) == L"ComboBox") {
    for (int i = 0; i < count; ++i) {
      wchar_t item[256] = {};
      if (SendMessageW(child, CB_GETLBTEXTLEN, i, 0) < 255)
        SendMessageW(child, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
      if (std::wstring(item).find(L"*.ico") != std::wstring::npos) g_seen->icoFilter = true;
    }
  }
  return TRUE;
}

BOOL CALLBACK FindOpenDialog(HWND window, LPARAM owner) {
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (std::wstring(className) == L"#32770" && IsWindowVisible(window) &&
      GetWindow(window, GW_OWNER) != nullptr && window != reinterpret_cast<HWND>(owner)) {
    g_seen->dialog = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK CloseOpenDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), &FindOpenDialog, 0);
  if (!g_seen->dialog) return;  // not open yet: look again at the next tick
  KillTimer(nullptr, timer);
  EnumChildWindows(g_seen->dialog, &FindIcoFilter, 0);
  PostMessageW(g_seen->dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(OptionPages, BrowseOpensTheSystemChooserWithTheIconFilter) {
  ui::SetFileOpenHook({});
  ui.Show(kIconPage);
  ui.SetText(kIconPage, IDE_ICON_FILE, u"C:\\kept.ico");
  OpenDialogSeen seen;
  g_seen = &seen;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, &CloseOpenDialog);
  ASSERT_NE(timer, 0u);
  ui.Click(kIconPage, IDB_BROWSE_ICON);  // returns once the chooser has closed
  KillTimer(nullptr, timer);
  g_seen = nullptr;
  EXPECT_NE(seen.dialog, nullptr) << "no file chooser opened";
  EXPECT_TRUE(seen.icoFilter);
  EXPECT_EQ(ui.Text(kIconPage, IDE_ICON_FILE), u"C:\\kept.ico");
  EXPECT_TRUE(ui.wizard().iconSelect.chosenFileName().empty());
}

TEST_F(OptionPages, IconFinishBuildsWithWhatThePagesHoldAndNoRunEntry) {
  std::u16string icon = ws.File(u"app.ico", TinyIcon());
  // A run entry chosen on the last page does not travel with this Finish.
  ui.settings().dataFileNames = {u"setup.exe"};
  ui.settings().noOfFiles = 3;
  ui.Show(kRunPage);
  ui.Click(kRunPage, IDX_RUN_FILE);
  ui.SetText(kRunPage, IDCB_RUN_FILE, u"setup.exe");
  ui.Show(kIconPage);
  ui.SetText(kIconPage, IDE_ICON_FILE, icon);
  ui.SetText(kIconPage, IDE_ABOUT_MESSAGE, u"Hello");
  ui.SetText(kIconPage, IDE_ABOUT_TITLE, u"Greeting");
  ui.Click(kIconPage, IDB_ICON_FINISH);
  EXPECT_EQ(TakeMessage(), u"Self Extracting file has been successfully created");
  ASSERT_EQ(ui.builds.size(), 1u);
  const BuildCall& b = ui.builds[0];
  EXPECT_EQ(b.driverFilePath, u"");
  EXPECT_EQ(b.iconFilePath, icon);
  EXPECT_EQ(b.aboutMessage, u"Hello");
  EXPECT_EQ(b.aboutTitle, u"Greeting");
  EXPECT_EQ(b.extractFolderOption, 0);  // the password page was never used
  EXPECT_EQ(b.password, u"");
  EXPECT_EQ(ui.recorder.exits(), std::vector<UINT>{0});
}

TEST_F(OptionPages, BackStoresNothing) {
  ui.Show(kIconPage);
  ui.SetText(kIconPage, IDE_ICON_FILE, u"app.ico");
  ui.SetText(kIconPage, IDE_ABOUT_MESSAGE, u"m");
  ui.Click(kIconPage, IDB_BACK);
  EXPECT_EQ(ui.ActiveIndex(), 0);
  ui.Show(kPasswordPage);
  ui.Click(kPasswordPage, IDR_CHOOSE_FOLDER);
  ui.Click(kPasswordPage, IDB_BACK);
  EXPECT_EQ(ui.ActiveIndex(), kIconPage);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(ui.settings().iconFilePath, u"");
  EXPECT_EQ(ui.settings().aboutMessage, u"");
  EXPECT_EQ(ui.settings().extractFolderOption, 0);
  // The boxes keep what was typed.
  EXPECT_EQ(ui.Text(kIconPage, IDE_ICON_FILE), u"app.ico");
}

// ---- the password page ----

TEST_F(OptionPages, ProtectionBoxEnablesThePasswordBoxes) {
  ui.Show(kPasswordPage);
  EXPECT_TRUE(ui.Checked(kPasswordPage, IDR_DEFAULT_FOLDER));
  EXPECT_FALSE(ui.Checked(kPasswordPage, IDR_TEMP_FOLDER));
  EXPECT_FALSE(ui.Checked(kPasswordPage, IDR_CHOOSE_FOLDER));
  const int guarded[] = {IDE_PASSWORD, IDE_CONFIRM, IDT_PASSWORD, IDT_CONFIRM};
  for (int id : guarded) EXPECT_FALSE(ui.Enabled(kPasswordPage, id)) << id;
  ui.Click(kPasswordPage, IDX_PROTECT);
  for (int id : guarded) EXPECT_TRUE(ui.Enabled(kPasswordPage, id)) << id;
  ui.SetText(kPasswordPage, IDE_PASSWORD, u"abc");
  ui.Click(kPasswordPage, IDX_PROTECT);
  for (int id : guarded) EXPECT_FALSE(ui.Enabled(kPasswordPage, id)) << id;
  EXPECT_EQ(ui.Text(kPasswordPage, IDE_PASSWORD), u"abc");
}

TEST_F(OptionPages, PasswordChecksInOrderAndKeepThePreviousPasswordOnFailure) {
  enum Radio {
    kDefault = IDR_DEFAULT_FOLDER,
    kTemp = IDR_TEMP_FOLDER,
    kChoose = IDR_CHOOSE_FOLDER
  };
  struct Case {
    bool protect;
    std::u16string password, confirmation;
    int radio;
    std::u16string shown;
    std::u16string stored;  // the password afterwards
    int folderOption;
  } cases[] = {
      {true, u"abc", u"abc", kTemp, u"", u"fdb", 1},
      {true, u"", u"", kDefault,
       u"Please enter a valid password or uncheck if you dont want a password.", u"fdb", 0},
      {true, u"abc", u"", kDefault, u"Confirm password.", u"fdb", 0},
      {true, u"", u"abc", kDefault,
       u"Please enter a valid password or uncheck if you dont want a password.", u"fdb", 0},
      {true, u"Secret", u"secret", kDefault, u"Password does not match.", u"fdb", 0},
      // A failed check still stores the folder option.
      {true, u"abc", u"abd", kChoose, u"Password does not match.", u"fdb", 2},
      {false, u"left", u"over", kDefault, u"", u"", 0},
      {true, u"12345678", u"12345678", kChoose, u"", u"@><:8642", 2},
  };
  ui.Show(kPasswordPage);
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.password + u"/" + c.confirmation));
    if (ui.Checked(kPasswordPage, IDX_PROTECT) != c.protect) ui.Click(kPasswordPage, IDX_PROTECT);
    ui.Click(kPasswordPage, c.radio);
    ui.SetText(kPasswordPage, IDE_PASSWORD, c.password);
    ui.SetText(kPasswordPage, IDE_CONFIRM, c.confirmation);
    ui.Click(kPasswordPage, IDB_PASSWORD_NEXT);
    EXPECT_EQ(TakeMessage(), c.shown);
    EXPECT_EQ(ui.settings().password, c.stored);
    EXPECT_EQ(ui.settings().extractFolderOption, c.folderOption);
    EXPECT_EQ(ui.ActiveIndex(), c.shown.empty() ? kRunPage : kPasswordPage);
    ui.Show(kPasswordPage);
  }
}

TEST_F(OptionPages, PasswordBoxesRefuseANinthCharacter) {
  ui.Show(kPasswordPage);
  ui.Click(kPasswordPage, IDX_PROTECT);
  for (int box : {IDE_PASSWORD, IDE_CONFIRM}) {
    SCOPED_TRACE(box);
    ui.SetText(kPasswordPage, box, u"");
    ui.Type(kPasswordPage, box, u"123456789");
    EXPECT_EQ(ui.Text(kPasswordPage, box), u"12345678");

    ui.SetText(kPasswordPage, box, u"");
    ui.Paste(kPasswordPage, box, u"abcdefghi");
    EXPECT_EQ(ui.Text(kPasswordPage, box), u"abcdefgh");

    ui.SetText(kPasswordPage, box, u"1234567");
    SendMessageW(ui.Item(kPasswordPage, box), EM_SETSEL, 7, 7);
    SendMessageW(ui.Item(kPasswordPage, box), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"89"));
    EXPECT_EQ(ui.Text(kPasswordPage, box), u"12345678");
  }
}

TEST_F(OptionPages, PasswordFinishBuildsWithoutTheRunEntry) {
  ui.settings().dataFileNames = {u"setup.exe"};
  ui.settings().noOfFiles = 3;
  ui.Show(kRunPage);
  ui.Click(kRunPage, IDX_RUN_FILE);
  ui.SetText(kRunPage, IDCB_RUN_FILE, u"setup.exe");
  ui.Show(kPasswordPage);
  ui.Click(kPasswordPage, IDX_PROTECT);
  ui.SetText(kPasswordPage, IDE_PASSWORD, u"abc");
  ui.Click(kPasswordPage, IDB_PASSWORD_FINISH);  // no confirmation
  EXPECT_EQ(TakeMessage(), u"Confirm password.");
  EXPECT_TRUE(ui.builds.empty());
  EXPECT_EQ(ui.ActiveIndex(), kPasswordPage);

  ui.Click(kPasswordPage, IDR_TEMP_FOLDER);
  ui.SetText(kPasswordPage, IDE_CONFIRM, u"abc");
  ui.Click(kPasswordPage, IDB_PASSWORD_FINISH);
  EXPECT_EQ(TakeMessage(), u"Self Extracting file has been successfully created");
  ASSERT_EQ(ui.builds.size(), 1u);
  EXPECT_EQ(ui.builds[0].driverFilePath, u"");
  EXPECT_EQ(ui.builds[0].password, u"fdb");
  EXPECT_EQ(ui.builds[0].extractFolderOption, 1);
}

// ---- the run page ----

class RunPage : public OptionPages {
 protected:
  void SetUp() override {
    ui.settings().dataFileNames = {u"notes.txt", u"setup.exe", u"Readme.md", u"b.cmd",
                                   u"apply.bat"};
    ui.settings().noOfFiles = 7;
    ui.Show(kRunPage);
  }
  HWND List() { return ui.Item(kRunPage, IDCB_RUN_FILE); }
  std::vector<std::u16string> Items() {
    std::vector<std::u16string> items;
    int count = static_cast<int>(SendMessageW(List(), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      int length = static_cast<int>(SendMessageW(List(), CB_GETLBTEXTLEN, i, 0));
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      SendMessageW(List(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<std::size_t>(length));
      items.push_back(FromWide(text));
    }
    return items;
  }
  void Pick(const std::u16string& name) {
    std::wstring wide = ToWide(name);
    int at = static_cast<int>(SendMessageW(List(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(wide.c_str())));
    ASSERT_GE(at, 0) << ToUtf8(name) << " is not listed";
    SendMessageW(List(), CB_SETCURSEL, at, 0);
    ui.Pump();
  }
};

const int kBelowCheck[] = {IDG_RUN_FILE,  IDT_RUN_HINT1,     IDT_RUN_HINT2,     IDR_FILE_NAME,
                           IDCB_RUN_FILE, IDT_COMMAND_HINT1, IDT_COMMAND_HINT2, IDR_COMMAND,
                           IDE_COMMAND,   IDT_COMMAND_NOTE1, IDT_COMMAND_NOTE2, IDT_COMMAND_NOTE3};

TEST_F(RunPage, FirstShownEverythingBelowTheCheckBoxIsOff) {
  EXPECT_FALSE(ui.Checked(kRunPage, IDX_RUN_FILE));
  for (int id : kBelowCheck) EXPECT_FALSE(ui.Enabled(kRunPage, id)) << id;
  EXPECT_FALSE(ui.Checked(kRunPage, IDR_FILE_NAME));
  EXPECT_FALSE(ui.Checked(kRunPage, IDR_COMMAND));
  EXPECT_FALSE(ui.Enabled(kRunPage, IDB_RUN_NEXT));
  EXPECT_EQ(Items(), (std::vector<std::u16string>{u"apply.bat", u"b.cmd", u"notes.txt",
                                                  u"Readme.md", u"setup.exe"}));
  EXPECT_EQ(SendMessageW(List(), CB_GETCURSEL, 0, 0), CB_ERR);

  // A file added afterwards is not offered.
  ui.settings().dataFileNames.push_back(u"later.exe");
  ui.settings().noOfFiles = 8;
  ui.Click(kRunPage, IDB_BACK);
  EXPECT_EQ(ui.ActiveIndex(), kPasswordPage);
  ui.Show(kRunPage);
  EXPECT_EQ(Items().size(), 5u);
  EXPECT_FALSE(ui.Enabled(kRunPage, IDB_RUN_NEXT));
}

TEST_F(RunPage, CheckBoxAndRadiosSwitchTheControls) {
  ui.Click(kRunPage, IDX_RUN_FILE);
  EXPECT_TRUE(ui.Checked(kRunPage, IDR_FILE_NAME));
  EXPECT_FALSE(ui.Checked(kRunPage, IDR_COMMAND));
  for (int id : {IDG_RUN_FILE, IDT_RUN_HINT1, IDT_RUN_HINT2, IDR_FILE_NAME, IDCB_RUN_FILE,
                 IDT_COMMAND_HINT1, IDT_COMMAND_HINT2, IDR_COMMAND})
    EXPECT_TRUE(ui.Enabled(kRunPage, id)) << id;
  for (int id : {IDE_COMMAND, IDT_COMMAND_NOTE1, IDT_COMMAND_NOTE2, IDT_COMMAND_NOTE3})
    EXPECT_FALSE(ui.Enabled(kRunPage, id)) << id;

  ui.Click(kRunPage, IDR_COMMAND);
  EXPECT_TRUE(ui.Checked(kRunPage, IDR_COMMAND));
  EXPECT_FALSE(ui.Checked(kRunPage, IDR_FILE_NAME));
  EXPECT_FALSE(ui.Enabled(kRunPage, IDCB_RUN_FILE));
  for (int id : {IDE_COMMAND, IDR_COMMAND, IDT_COMMAND_NOTE1, IDT_COMMAND_NOTE2, IDT_COMMAND_NOTE3})
    EXPECT_TRUE(ui.Enabled(kRunPage, id)) << id;

  ui.Click(kRunPage, IDR_FILE_NAME);
  EXPECT_TRUE(ui.Enabled(kRunPage, IDCB_RUN_FILE));
  for (int id : {IDE_COMMAND, IDT_COMMAND_NOTE1, IDT_COMMAND_NOTE2, IDT_COMMAND_NOTE3})
    EXPECT_FALSE(ui.Enabled(kRunPage, id)) << id;

  ui.SetText(kRunPage, IDE_COMMAND, u"kept");
  ui.Click(kRunPage, IDX_RUN_FILE);
  for (int id : kBelowCheck) EXPECT_FALSE(ui.Enabled(kRunPage, id)) << id;
  EXPECT_FALSE(ui.Checked(kRunPage, IDR_FILE_NAME));
  EXPECT_FALSE(ui.Checked(kRunPage, IDR_COMMAND));
  EXPECT_EQ(ui.Text(kRunPage, IDE_COMMAND), u"kept");
}

TEST_F(RunPage, LeavingAndComingBackKeepsThePage) {
  ui.Click(kRunPage, IDX_RUN_FILE);
  ui.Click(kRunPage, IDR_COMMAND);
  ui.SetText(kRunPage, IDE_COMMAND, u"setup.exe /quiet");
  Pick(u"notes.txt");
  ui.Click(kRunPage, IDB_BACK);
  ui.Show(kRunPage);
  EXPECT_TRUE(ui.Checked(kRunPage, IDX_RUN_FILE));
  EXPECT_TRUE(ui.Checked(kRunPage, IDR_COMMAND));
  EXPECT_TRUE(ui.Enabled(kRunPage, IDE_COMMAND));
  EXPECT_FALSE(ui.Enabled(kRunPage, IDCB_RUN_FILE));
  EXPECT_EQ(ui.Text(kRunPage, IDE_COMMAND), u"setup.exe /quiet");
  EXPECT_EQ(ui.Text(kRunPage, IDCB_RUN_FILE), u"notes.txt");
  EXPECT_EQ(ui.settings().driverFilePath, u"");
}

// Each step is applied to a fresh page, then Finish.
enum class Step { kCheck, kCommand, kFileName, kUncheck };
struct FinishCase {
  const char* name;
  std::vector<Step> steps;
  std::u16string picked;  // picked from the list
  std::u16string typed;   // typed into the list's edit field
  std::u16string command;
  std::u16string shown;  // the message before any build
  std::u16string runEntry;
};

void PrintTo(const FinishCase& c, std::ostream* os) {
  *os << c.name;
}

class RunFinish : public RunPage, public ::testing::WithParamInterface<FinishCase> {};

TEST_P(RunFinish, HandsTheRightEntryToTheBuild) {
  const FinishCase& c = GetParam();
  for (Step step : c.steps) {
    switch (step) {
      case Step::kCheck:
      case Step::kUncheck:
        ui.Click(kRunPage, IDX_RUN_FILE);
        break;
      case Step::kCommand:
        ui.Click(kRunPage, IDR_COMMAND);
        break;
      case Step::kFileName:
        ui.Click(kRunPage, IDR_FILE_NAME);
        break;
    }
    if (step == Step::kCheck) {
      if (!c.picked.empty()) Pick(c.picked);
      if (!c.typed.empty()) ui.SetText(kRunPage, IDCB_RUN_FILE, c.typed);
    }
    if (step == Step::kCommand) ui.SetText(kRunPage, IDE_COMMAND, c.command);
  }
  ui.Click(kRunPage, IDB_RUN_FINISH);
  if (!c.shown.empty()) {
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text, c.shown);
    EXPECT_EQ(ui.messages()[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_TRUE(ui.builds.empty());
    EXPECT_TRUE(ui.recorder.exits().empty());
    EXPECT_EQ(ui.ActiveIndex(), kRunPage);
    return;
  }
  ASSERT_EQ(ui.builds.size(), 1u);
  EXPECT_EQ(ui.builds[0].driverFilePath, c.runEntry);
  EXPECT_EQ(ui.settings().driverFilePath, u"");  // never stored
  EXPECT_EQ(ui.recorder.exits(), std::vector<UINT>{0});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunFinish,
    ::testing::Values(
        FinishCase{"Unchecked", {}, u"", u"", u"", u"", u""},
        FinishCase{"NothingPicked", {Step::kCheck}, u"", u"", u"", u"Details Missing", u""},
        FinishCase{"Picked", {Step::kCheck}, u"setup.exe", u"", u"", u"", u"setup.exe"},
        FinishCase{"TypedNotListed",
                   {Step::kCheck},
                   u"",
                   u" other prog.exe",
                   u"",
                   u"",
                   u" other prog.exe"},
        FinishCase{"CommandWins",
                   {Step::kCheck, Step::kCommand},
                   u"setup.exe",
                   u"",
                   u"\"my prog.exe\"  arg1",
                   u"",
                   u"\"my prog.exe\"  arg1"},
        FinishCase{"EmptyCommand",
                   {Step::kCheck, Step::kCommand},
                   u"setup.exe",
                   u"",
                   u"",
                   u"Details Missing",
                   u""},
        FinishCase{"BackToFileName",
                   {Step::kCheck, Step::kCommand, Step::kFileName},
                   u"b.cmd",
                   u"",
                   u"ignored",
                   u"",
                   u"b.cmd"},
        FinishCase{"PickedThenUnchecked",
                   {Step::kCheck, Step::kUncheck},
                   u"setup.exe",
                   u"",
                   u"",
                   u"",
                   u""}),
    [](const ::testing::TestParamInfo<FinishCase>& info) { return info.param.name; });

}  // namespace
}  // namespace pf::test
