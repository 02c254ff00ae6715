// The real wizard sheet: what its start does, and the parts of the page
// navigation that hold whatever each page checks.
#include <gtest/gtest.h>

#include <cwchar>

#include "platform/os.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "tests/win/wizard_harness.h"
#include "wizard/packforge_wizard.h"

namespace pf::test {
namespace {

class WizardSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    PrepareControls();
    // The start must reset what the sheet was given.
    wizard.sheet.settings.extractFolderOption = 7;
    sheet = wizard.sheet.Create();
    ASSERT_NE(sheet, nullptr);
    PumpMessages();
  }
  WizardPage& PageAt(int index) {
    WizardPage* pages[] = {&wizard.home, &wizard.iconSelect, &wizard.password, &wizard.runFile};
    return *pages[index];
  }
  HWND PageWindow(int index) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, index, 0));
  }
  void Show(int index) {
    wizard.sheet.SetActivePage(index);
    PumpMessages();
    ASSERT_EQ(wizard.sheet.ActiveIndex(), index);
  }

  UiRecorder recorder;
  PackforgeWizard wizard;
  HWND sheet = nullptr;
};

SIZE SizeOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

RECT ClientRectIn(HWND child, HWND parent) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(WizardSheet, StartsOnPageZeroWithIconMinimiseBoxAndMenuItem) {
  EXPECT_EQ(wizard.sheet.ActiveIndex(), 0);
  EXPECT_EQ(TextOf(sheet), u"Kelo Self Extractor");
  EXPECT_NE(SendMessageW(sheet, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_TRUE(GetWindowLongPtrW(sheet, GWL_STYLE) & WS_MINIMIZEBOX);

  HMENU menu = GetSystemMenu(sheet, FALSE);
  ASSERT_NE(menu, nullptr);
  int last = GetMenuItemCount(menu) - 1;
  ASSERT_GE(last, 0);
  wchar_t text[64] = {};
  GetMenuStringW(menu, static_cast<UINT>(last), text, 64, MF_BYPOSITION);
  EXPECT_EQ(FromWide(text), u"Minimize");
  EXPECT_EQ(GetMenuItemID(menu, last), static_cast<UINT>(SC_MINIMIZE));

  EXPECT_EQ(wizard.sheet.settings.extractFolderOption, 0);
  // The program folder is where the running executable is, no trailing "\".
  const std::u16string& folder = wizard.sheet.settings.programFolder;
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), u'\\');
  EXPECT_TRUE(os::Exists(folder + u"\\wizard_tests.exe")) << ToUtf8(folder);
}

TEST_F(WizardSheet, IsTheStandardFrameShrunkWithItsTabControlEnlargedAndCentred) {
  // The same four templates in a plain wizard sheet: the standard frame.
  ui::PropSheet plain(u"Kelo Self Extractor");
  ui::PropertyPage p0(IDD_HOME), p1(IDD_ICON_SELECT), p2(IDD_PASSWORD), p3(IDD_RUN_FILE);
  for (auto* p : {&p0, &p1, &p2, &p3}) plain.AddPage(*p);
  plain.AddFlags(PSH_WIZARD);
  HWND standard = plain.Create();
  ASSERT_NE(standard, nullptr);
  PumpMessages();

  SIZE ours = SizeOf(sheet);
  SIZE theirs = SizeOf(standard);
  EXPECT_EQ(theirs.cx - ours.cx, 18);
  EXPECT_EQ(theirs.cy - ours.cy, 148);

  auto tabOf = [](HWND s) {
    return reinterpret_cast<HWND>(SendMessageW(s, PSM_GETTABCONTROL, 0, 0));
  };
  RECT ourTab = ClientRectIn(tabOf(sheet), sheet);
  RECT theirTab = ClientRectIn(tabOf(standard), standard);
  EXPECT_EQ(ourTab.left, theirTab.left);
  EXPECT_EQ(ourTab.top, theirTab.top);
  EXPECT_EQ(ourTab.right, theirTab.right + 50);
  EXPECT_EQ(ourTab.bottom, theirTab.bottom + 50);

  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(sheet, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT frame;
  GetWindowRect(sheet, &frame);
  EXPECT_NEAR(frame.left + frame.right, monitor.rcWork.left + monitor.rcWork.right, 1);
  EXPECT_NEAR(frame.top + frame.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 1);
}

TEST_F(WizardSheet, BackIsDisabledOnPageZeroEachTimeItBecomesActive) {
  HWND home = PageWindow(0);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(home, IDB_HOME_BACK)));
  // Something enabling it meanwhile does not survive a return to the page.
  EnableWindow(GetDlgItem(home, IDB_HOME_BACK), TRUE);
  Show(1);
  Click(PageWindow(1), IDB_BACK);
  EXPECT_EQ(wizard.sheet.ActiveIndex(), 0);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(home, IDB_HOME_BACK)));
}

TEST_F(WizardSheet, EveryPageKeepsTheTitleAndOnlyTheLastHasNextDisabled) {
  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    Show(index);
    EXPECT_EQ(TextOf(sheet), u"Kelo Self Extractor");
    HWND page = PageWindow(index);
    const PageControls& ids = PageAt(index).controls();
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, ids.next)) != FALSE, index != 3);
    for (int id : {ids.back, ids.next, ids.cancel, ids.finish}) {
      EXPECT_NE(SendMessageW(GetDlgItem(page, id), BM_GETIMAGE, IMAGE_ICON, 0), 0) << id;
    }
    EXPECT_EQ(ClassOf(GetDlgItem(page, ids.help)), u"SysLink");
    EXPECT_EQ(ClassOf(GetDlgItem(page, ids.aboutme)), u"SysLink");
  }
}

TEST_F(WizardSheet, CancelOnEveryPageEndsTheProcessAtOnceWithStatusZero) {
  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    UiRecorder pageRecorder;
    Show(index);
    Click(PageWindow(index), PageAt(index).controls().cancel);
    EXPECT_EQ(pageRecorder.exits(), std::vector<UINT>{0});
    EXPECT_TRUE(pageRecorder.boxes().empty());
    // No question and no closing of the sheet first.
    EXPECT_TRUE(IsWindow(sheet));
  }
}

TEST_F(WizardSheet, TheCloseBoxEndsTheSheetsRunWithoutEndingTheProcess) {
  Show(2);
  SendMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpMessages();
  // A closed sheet has no current page: a modal run would return now.
  EXPECT_EQ(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0), 0);
  EXPECT_TRUE(recorder.events().empty());
}

// The prefix the tests run in draws the templates' "MS Shell Dlg" with the
// metrics Windows users see (Liberation Sans, Arial's), not Wine's wider
// default: measured, since the face name a substitute reports varies.
TEST(DialogFont, ShellDialogFacesMeasureAsLiberationSans) {
  auto width = [](const wchar_t* face) {
    LOGFONTW font{};
    font.lfHeight = -11;  // 8 points at 96 dots per inch
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectW(&font);
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, handle);
    SIZE size{};
    const wchar_t text[] = L"Destination File Path Help Aboutme";
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    DeleteObject(handle);
    return size.cx;
  };
  long liberation = width(L"Liberation Sans");
  ASSERT_NE(liberation, width(L"Tahoma")) << "the measure cannot tell the faces apart";
  EXPECT_EQ(width(L"MS Shell Dlg"), liberation);
  EXPECT_EQ(width(L"MS Shell Dlg 2"), liberation);
}

}  // namespace
}  // namespace pf::test
