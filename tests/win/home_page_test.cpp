// The data-files page driven in-process through its real template: real
// list-view and button messages, recorded message boxes, choosers and builds.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "platform/text.h"
#include "resources/resource.h"
#include "settings/data_files_rules.h"
#include "tests/support/test_workspace.h"
#include "tests/win/page_driver.h"
#include "tests/win/wizard_harness.h"
#include "wizard/data_files_list.h"

namespace pf::test {
namespace {

constexpr UINT kExclamation = MB_OK | MB_ICONEXCLAMATION;
constexpr std::u16string_view kOverwrite =
    u"File name already exist,contnuing the action will overwrite the file.";

class HomePage : public ::testing::Test {
 protected:
  Workspace ws;
  // The data-files page's view of the shared page driver: the controls of
  // the page shown.
  struct ShownPage {
    PageDriver& d;
    HWND Item(int id) const { return d.Item(d.ActiveIndex(), id); }
    HWND page(int index) const { return d.Page(index); }
    HWND sheet() const { return d.sheet(); }
    int activeIndex() const { return d.ActiveIndex(); }
    BuildSettings& settings() { return d.settings(); }
    void Click(int id) { d.Click(d.ActiveIndex(), id); }
    void SetText(int id, const std::u16string& text) { d.SetText(d.ActiveIndex(), id, text); }
    std::u16string Text(int id) const { return d.Text(d.ActiveIndex(), id); }
  };
  PageDriver driver;
  UiRecorder& ui = driver.recorder;
  std::vector<BuildCall>& builds = driver.builds;
  ShownPage wizard{driver};
  std::size_t boxesSeen_ = 0;

  DataFilesList list() const { return DataFilesList(wizard.Item(IDL_DATA_FILES)); }
  HWND page() const { return wizard.page(0); }

  // Add, with the open-file dialog returning `paths` in that order.
  void Add(std::vector<std::u16string> paths) {
    ui.fileOpenAnswers.push_back(std::move(paths));
    wizard.Click(IDB_ADD);
  }
  std::u16string File(const std::u16string& name, const std::string& bytes = "data") const {
    return ws.File(u"in\\" + name, bytes);
  }
  void SetDestination(const std::u16string& folder, const std::u16string& name) {
    wizard.SetText(IDE_DESTINATION_PATH, folder);
    wizard.SetText(IDE_FILE_NAME, name);
  }
  void SelectRows(std::initializer_list<int> rows) {
    HWND l = list().hwnd();
    ListView_SetItemState(l, -1, 0, LVIS_SELECTED);
    for (int r : rows) ListView_SetItemState(l, r, LVIS_SELECTED, LVIS_SELECTED);
  }
  void Command(int id) {
    SendMessageW(page(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    PumpMessages();
  }
  std::vector<std::u16string> Names() const {
    std::vector<std::u16string> names;
    for (int r = 0; r < list().Count(); ++r) names.push_back(list().Text(r, 0));
    return names;
  }
  // The boxes shown since the last call, as text and type.
  std::vector<std::pair<std::u16string, UINT>> TakeBoxes() {
    std::vector<std::pair<std::u16string, UINT>> shown;
    std::vector<RecordedBox> all = ui.boxes();
    for (std::size_t i = boxesSeen_; i < all.size(); ++i) {
      EXPECT_EQ(all[i].caption, u"Kelo Self Extractor");
      shown.emplace_back(all[i].text, all[i].type);
    }
    boxesSeen_ = all.size();
    return shown;
  }
  using Boxes = std::vector<std::pair<std::u16string, UINT>>;
};

// The windows of this thread that were given the focus while it lived.
// (Which window holds the focus afterwards depends on other programs on the
// same display, such as tests running beside this one.)
class FocusWatch {
 public:
  FocusWatch() {
    t_focused.clear();
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &Procedure, nullptr, GetCurrentThreadId());
  }
  ~FocusWatch() { UnhookWindowsHookEx(hook_); }
  bool Received(HWND window) const {
    return std::find(t_focused.begin(), t_focused.end(), window) != t_focused.end();
  }

 private:
  static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_SETFOCUS) t_focused.push_back(message->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook_;
  static inline thread_local std::vector<HWND> t_focused;
};

std::u16string ClipboardText() {
  std::u16string text;
  if (!OpenClipboard(nullptr)) return u"<clipboard not opened>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = FromWide(chars);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

TEST_F(HomePage, StartsWithItsColumnsStylesAndIcons) {
  EXPECT_EQ(wizard.activeIndex(), 0);
  EXPECT_EQ(wizard.settings().noOfFiles, 2);
  EXPECT_FALSE(IsWindowEnabled(wizard.Item(IDB_HOME_BACK)));
  HWND l = list().hwnd();
  const struct {
    const wchar_t* heading;
    int width;
  } columns[] = {
      {L"       FileName", 150}, {L"Size(in bytes)", 95}, {L"Type", 60}, {L"Modified", 132}};
  for (int i = 0; i < 4; ++i) {
    wchar_t heading[64] = {};
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.pszText = heading;
    c.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(l, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&c))) << i;
    EXPECT_STREQ(heading, columns[i].heading);
    EXPECT_EQ(c.cx, columns[i].width);
  }
  auto styles = static_cast<DWORD>(SendMessageW(l, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(styles & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
            static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
  EXPECT_FALSE(GetWindowLongW(l, GWL_STYLE) & LVS_SINGLESEL);
  for (int id : {IDB_ADD, IDB_REMOVE, IDB_BROWSE_FOLDER, IDB_HOME_BACK, IDB_HOME_NEXT,
                 IDB_HOME_CANCEL, IDB_HOME_FINISH})
    EXPECT_TRUE(SendMessageW(wizard.Item(id), BM_GETIMAGE, IMAGE_ICON, 0)) << id;
}

TEST_F(HomePage, OnlyArchivesGetACheckboxAndNextStoresTheFlags) {
  Add({File(u"a.zip"), File(u"b.txt", "12345"), File(u"c.ZIP"), File(u"README")});
  std::vector<ui::FileOpenOptions> shown = ui.fileOpenCalls();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].multiSelect);
  EXPECT_TRUE(shown[0].keepShortcuts);
  EXPECT_TRUE(shown[0].filterName.empty());
  EXPECT_EQ(shown[0].bufferChars, 66817u);

  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"a.zip", u"b.txt", u"c.ZIP", u"README"}));
  EXPECT_EQ(list().Checks(), (std::vector<RowCheck>{RowCheck::kChecked, RowCheck::kNone,
                                                    RowCheck::kNone, RowCheck::kNone}));
  EXPECT_EQ(list().Text(1, 1), u"5");
  const char16_t* types[] = {u"zip", u"txt", u"ZIP", u"README"};
  std::wregex time(LR"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)");
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(list().Text(r, 2), types[r]);
    EXPECT_TRUE(std::regex_match(ToWide(list().Text(r, 3)), time)) << ToUtf8(list().Text(r, 3));
  }
  EXPECT_EQ(wizard.settings().noOfFiles, 6);
  EXPECT_EQ(wizard.settings().dataFileNames[3], u"README");
  EXPECT_EQ(wizard.settings().dataFiles[2], File(u"a.zip"));

  // The user may clear an archive's box; a row without one never gains one.
  ListView_SetItemState(list().hwnd(), 1, INDEXTOSTATEIMAGEMASK(1), LVIS_STATEIMAGEMASK);
  EXPECT_EQ(list().Checks()[1], RowCheck::kNone);
  ListView_SetCheckState(list().hwnd(), 0, FALSE);
  EXPECT_EQ(list().Checks()[0], RowCheck::kUnchecked);
  ListView_SetCheckState(list().hwnd(), 0, TRUE);

  SetDestination(ws.Folder(u"out"), u"setup");
  wizard.Click(IDB_HOME_NEXT);
  EXPECT_EQ(TakeBoxes(), Boxes{});
  EXPECT_EQ(wizard.activeIndex(), 1);
  EXPECT_EQ(wizard.settings().dataFiles[0], u"7z.dll");
  EXPECT_EQ(wizard.settings().dataFiles[1], u"Client7z.dll");
  EXPECT_EQ(wizard.settings().decompressFlags, (std::vector<std::int32_t>{1, 1, 1, -1, -1, -1}));
}

TEST_F(HomePage, AShortcutStopsTheRemainingPaths) {
  Add({File(u"a.txt"), File(u"b.lnk"), File(u"c.txt")});
  EXPECT_EQ(Names(), std::vector<std::u16string>{u"a.txt"});
  EXPECT_EQ(TakeBoxes(), (Boxes{{u"Shortcut files cannot be added.", kExclamation}}));
  EXPECT_EQ(wizard.settings().noOfFiles, 3);
  EXPECT_EQ(wizard.settings().dataFiles.size(), 3u);
}

TEST_F(HomePage, TheSameFileTwiceFillsTwoRowsButANameClashIsRefused) {
  std::u16string report = File(u"report.txt");
  Add({report, report});
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"report.txt", u"report.txt"}));
  std::u16string other = ws.File(u"elsewhere\\REPORT.TXT", "other");
  Add({other, File(u"later.txt")});
  EXPECT_EQ(list().Count(), 2);
  Boxes shown = TakeBoxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].first.find(other), std::u16string::npos);
  EXPECT_NE(shown[0].first.find(report), std::u16string::npos);
  EXPECT_EQ(shown[0].second, kExclamation);
}

TEST_F(HomePage, The255thFileIsRefused) {
  std::vector<std::u16string> many;
  for (int i = 0; i < 255; ++i) many.push_back(File(u"f" + FromUtf8(std::to_string(i))));
  Add(many);
  EXPECT_EQ(list().Count(), 254);
  EXPECT_EQ(wizard.settings().noOfFiles, 256);
  Boxes shown = TakeBoxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].first.find(u"254"), std::u16string::npos);
  EXPECT_NE(shown[0].first.find(u"f254"), std::u16string::npos);
}

TEST_F(HomePage, SizeColumnForMissingAndHugeFiles) {
  std::u16string huge = File(u"huge.bin", "");
  {
    HANDLE h = CreateFileW(ToWide(huge).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 5LL << 30;  // sparse on the test file systems
    SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
  }
  Add({huge, ws.Path(u"in\\gone.txt")});
  ASSERT_EQ(list().Count(), 2);
  EXPECT_EQ(list().Text(0, 1), u"5368709120");
  EXPECT_EQ(list().Text(1, 1), u"size unavailable");
  EXPECT_EQ(list().Text(1, 3), u"time unavailable");
}

TEST_F(HomePage, RemoveTakesTheSelectedRowsAndCopyFilenameTheRemainingOnes) {
  wizard.Click(IDB_REMOVE);
  EXPECT_EQ(TakeBoxes(), (Boxes{{u"Please select any File in the List to Remove", kExclamation}}));

  Add({File(u"a.txt"), File(u"b.zip"), File(u"c.txt"), File(u"d.txt")});
  SelectRows({0, 2});
  wizard.Click(IDB_REMOVE);
  EXPECT_EQ(TakeBoxes(), Boxes{});
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"b.zip", u"d.txt"}));
  const BuildSettings& s = wizard.settings();
  EXPECT_EQ(s.noOfFiles, 4);
  EXPECT_EQ(s.dataFileNames, (std::vector<std::u16string>{u"b.zip", u"d.txt"}));
  ASSERT_EQ(s.dataFiles.size(), 4u);
  EXPECT_EQ(s.dataFiles[2], File(u"b.zip"));
  EXPECT_EQ(s.dataFiles[3], File(u"d.txt"));
  // A box stays with its row when rows before it go.
  EXPECT_EQ(list().Checks(), (std::vector<RowCheck>{RowCheck::kChecked, RowCheck::kNone}));

  SelectRows({0});
  Command(IDM_COPY_FILENAME);
  EXPECT_EQ(ClipboardText(), u"b.zip");
  SelectRows({1});
  Command(IDM_COPY_FILENAME);
  EXPECT_EQ(ClipboardText(), u"d.txt");

  SelectRows({0, 1});
  Command(IDM_COPY_FILENAME);
  EXPECT_EQ(TakeBoxes(), (Boxes{{u"Please select one File at a time", kExclamation}}));
  EXPECT_EQ(ClipboardText(), u"d.txt");

  // The menu's Remove is the button's.
  SelectRows({1});
  Command(IDM_REMOVE);
  EXPECT_EQ(Names(), std::vector<std::u16string>{u"b.zip"});
  SelectRows({0});
  Command(IDM_REMOVE);
  EXPECT_EQ(wizard.settings().noOfFiles, 2);
  EXPECT_EQ(list().Count(), 0);
}

// Next and Finish report the destination's first fault, each in its own
// order and words.
TEST_F(HomePage, NextAndFinishMessages) {
  std::u16string out = ws.Folder(u"out");
  const struct Case {
    bool files;
    std::u16string folder, name;
    Boxes next, finish;
  } cases[] = {
      {false,
       out,
       u"x",
       {{u"Add files for extraction.", kExclamation}},
       {{u"Add files for extraction.", MB_OK}}},
      {true,
       u"",
       u"",
       {{u"Select a folder path for your output file.", kExclamation}},
       {{u"Select a folder path for your output file.", kExclamation}}},
      {true,
       out,
       u"",
       {{u"Please give a name for your output file.", kExclamation}},
       {{u"Please give a name for your output file.", kExclamation}}},
      {true,
       ws.Path(u"missing"),
       u"x",
       {{u"Invalid filepath", kExclamation}},
       {{u"Invalid filepath.", kExclamation}}},
      {true,
       u"C:\\",
       u"x",
       {{u"Invalid filepath", kExclamation}},
       {{u"Invalid filepath.", kExclamation}}},
      {true,
       out,
       u"bad:name",
       {{*ManglingReason(u"bad:name"), kExclamation}},
       {{*ManglingReason(u"bad:name"), kExclamation}}},
      {true,
       out,
       u"con",
       {{*ManglingReason(u"con"), kExclamation}},
       {{*ManglingReason(u"con"), kExclamation}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.folder + u" | " + c.name));
    if (c.files && list().Count() == 0) Add({File(u"a.txt")});
    SetDestination(c.folder, c.name);
    wizard.Click(IDB_HOME_NEXT);
    EXPECT_EQ(TakeBoxes(), c.next);
    EXPECT_EQ(wizard.activeIndex(), 0);
    wizard.Click(IDB_HOME_FINISH);
    EXPECT_EQ(TakeBoxes(), c.finish);
    EXPECT_TRUE(builds.empty());
    EXPECT_TRUE(ui.exits().empty());
  }
}

TEST_F(HomePage, NextAsksBeforeOverwritingAndNoReturnsToTheName) {
  std::u16string out = ws.Folder(u"out");
  ws.File(u"out\\out.exe", "old");
  Add({File(u"a.txt")});
  SetDestination(out, u"OUT");
  ui.answers = {IDNO};
  HWND name = wizard.Item(IDE_FILE_NAME);
  {
    FocusWatch focus;
    wizard.Click(IDB_HOME_NEXT);
    EXPECT_TRUE(focus.Received(name));
  }
  EXPECT_EQ(TakeBoxes(), (Boxes{{std::u16string(kOverwrite), MB_YESNO | MB_ICONEXCLAMATION}}));
  EXPECT_EQ(wizard.activeIndex(), 0);
  DWORD start = 1, end = 0;
  SendMessageW(name, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 3u);

  ui.answers = {IDYES};
  wizard.Click(IDB_HOME_NEXT);
  EXPECT_EQ(TakeBoxes().size(), 1u);
  EXPECT_EQ(wizard.activeIndex(), 1);
}

TEST_F(HomePage, ANameEndingInExeLooksForExeExe) {
  std::u16string out = ws.Folder(u"out");
  ws.File(u"out\\out.exe", "old");
  Add({File(u"a.txt")});
  SetDestination(out, u"out.exe");
  wizard.Click(IDB_HOME_NEXT);
  EXPECT_EQ(TakeBoxes(), Boxes{});
  EXPECT_EQ(wizard.activeIndex(), 1);
}

TEST_F(HomePage, FinishStartsTheBuildWithTheCollectedLists) {
  std::u16string out = ws.Folder(u"out");
  Add({File(u"a.zip"), File(u"b.txt")});
  SetDestination(out, u"setup");
  wizard.Click(IDB_HOME_FINISH);
  ASSERT_EQ(builds.size(), 1u);
  const BuildCall& b = builds[0];
  EXPECT_EQ(b.noOfFiles, 4);
  EXPECT_EQ(b.dataFiles, (std::vector<std::u16string>{u"7z.dll", u"Client7z.dll", File(u"a.zip"),
                                                      File(u"b.txt")}));
  EXPECT_EQ(b.decompressFlags, (std::vector<std::int32_t>{1, 1, 1, -1}));
  EXPECT_EQ(b.outputFilepath, out);
  EXPECT_EQ(b.outputFileName, u"setup");
  EXPECT_EQ(b.driverFilePath, u"");
  EXPECT_EQ(
      TakeBoxes(),
      (Boxes{{u"Self Extracting file has been successfully created", MB_OK | MB_ICONINFORMATION}}));
  EXPECT_EQ(ui.exits(), std::vector<UINT>{0});
}

// On Finish the overwrite question comes before the folder test: a folder
// typed with a trailing backslash is not found, but its *.exe files are.
TEST_F(HomePage, FinishAsksAboutATakenNameBeforeTheFolderTest) {
  std::u16string out = ws.Folder(u"out");
  ws.File(u"out\\out.exe", "old");
  Add({File(u"a.txt")});
  SetDestination(out + u"\\", u"out");
  wizard.Click(IDB_HOME_NEXT);
  EXPECT_EQ(TakeBoxes(), (Boxes{{u"Invalid filepath", kExclamation}}));

  ui.answers = {IDNO};
  {
    FocusWatch focus;
    wizard.Click(IDB_HOME_FINISH);
    EXPECT_TRUE(focus.Received(wizard.Item(IDE_FILE_NAME)));
  }
  EXPECT_EQ(TakeBoxes(), (Boxes{{std::u16string(kOverwrite), MB_YESNO | MB_ICONEXCLAMATION}}));
  EXPECT_TRUE(builds.empty());

  SetDestination(out, u"out");
  ui.answers = {IDYES};
  wizard.Click(IDB_HOME_FINISH);
  EXPECT_EQ(builds.size(), 1u);
  EXPECT_EQ(TakeBoxes().size(), 2u);  // the question, then the result
}

TEST_F(HomePage, BrowsePutsTheChosenFolderIntoTheEdit) {
  ui.folderAnswers = {u"C:\\chosen", std::nullopt};
  wizard.Click(IDB_BROWSE_FOLDER);
  EXPECT_EQ(ui.folderCalls(),
            std::vector<std::u16string>{u"Please choose a folder for your output File"});
  EXPECT_EQ(wizard.Text(IDE_DESTINATION_PATH), u"C:\\chosen");
  wizard.Click(IDB_BROWSE_FOLDER);
  EXPECT_EQ(wizard.Text(IDE_DESTINATION_PATH), u"C:\\chosen");
}

// Whether a context-menu request opens the popup: the menu is closed again
// as soon as it waits for input.
class MenuWatch {
 public:
  MenuWatch() {
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &Procedure, nullptr, GetCurrentThreadId());
    opened_ = false;
  }
  ~MenuWatch() { UnhookWindowsHookEx(hook_); }
  bool opened() const { return opened_; }

 private:
  static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_ENTERIDLE && message->wParam == MSGF_MENU) {
      opened_ = true;
      EndMenu();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook_;
  static inline bool opened_ = false;
};

TEST_F(HomePage, ThePopupMenuOpensOnlyInsideTheList) {
  RECT area;
  GetWindowRect(list().hwnd(), &area);
  RECT add;
  GetWindowRect(wizard.Item(IDB_ADD), &add);
  const struct {
    POINT at;
    HWND from;
    bool opens;
  } cases[] = {
      {{(area.left + area.right) / 2, (area.top + area.bottom) / 2}, list().hwnd(), true},
      {{(add.left + add.right) / 2, (add.top + add.bottom) / 2}, page(), false},
      {{-1, -1}, list().hwnd(), false},  // from the keyboard
  };
  for (const auto& c : cases) {
    MenuWatch watch;
    SendMessageW(page(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(c.from),
                 MAKELPARAM(c.at.x, c.at.y));
    PumpMessages();
    EXPECT_EQ(watch.opened(), c.opens) << c.at.x << "," << c.at.y;
  }
}

}  // namespace
}  // namespace pf::test
