// The "Help" and "Aboutme" links of every page.
#include <gtest/gtest.h>

#include "platform/os.h"
#include "platform/text.h"
#include "tests/support/test_workspace.h"
#include "tests/win/wizard_harness.h"
#include "wizard/packforge_wizard.h"

namespace pf::test {
namespace {

class Links : public ::testing::Test {
 protected:
  void SetUp() override {
    PrepareControls();
    sheet = wizard.sheet.Create();
    ASSERT_NE(sheet, nullptr);
    PumpMessages();
    // ShellExecute finds a file or fails with "not found".
    recorder.shell = [](const std::u16string& file) {
      return os::Exists(file) ? INT_PTR{42} : INT_PTR{2};
    };
  }
  const WizardPage& PageAt(int index) {
    const WizardPage* pages[] = {&wizard.home, &wizard.iconSelect, &wizard.password,
                                 &wizard.runFile};
    return *pages[index];
  }
  HWND Show(int index) {
    wizard.sheet.SetActivePage(index);
    PumpMessages();
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, index, 0));
  }

  Workspace workspace;
  UiRecorder recorder;
  PackforgeWizard wizard;
  HWND sheet = nullptr;
};

TEST_F(Links, HelpOpensTheManualBesideTheProgramOrTriesTheRelativePath) {
  std::u16string withManual = workspace.Folder(u"tools");
  workspace.File(u"tools\\ZPK USer Manual\\Home.html", "<html></html>");
  std::u16string withoutManual = workspace.Folder(u"bare");
  struct Case {
    std::u16string programFolder;
    std::vector<std::u16string> calls;
  };
  const Case cases[] = {
      {withManual, {withManual + u"\\ZPK USer Manual\\Home.html"}},
      {withoutManual,
       {withoutManual + u"\\ZPK USer Manual\\Home.html", u"ZPK USer Manual\\Home.html"}},
  };
  for (int index = 0; index < 4; ++index) {
    HWND page = Show(index);
    for (const Case& c : cases) {
      SCOPED_TRACE(ToUtf8(c.programFolder) + " page " + std::to_string(index));
      UiRecorder caseRecorder;
      caseRecorder.shell = recorder.shell;
      wizard.sheet.settings.programFolder = c.programFolder;
      ClickLink(GetDlgItem(page, PageAt(index).controls().help));
      EXPECT_EQ(caseRecorder.shellCalls(), c.calls);
      EXPECT_TRUE(caseRecorder.boxes().empty());
    }
  }
}

TEST_F(Links, AboutmeShowsTheAboutBoxAndReturnsToTheSamePage) {
  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    HWND page = Show(index);
    std::u16string caption, text;
    bool ownerDisabled = false;
    bool iconShown = false;
    SIZE iconSize{}, templateSize{};
    ActivationWatcher watcher([&](HWND window) {
      if (TextOf(window) != u"About Kelo Self Extractor") return;
      caption = TextOf(window);
      for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == u"Static" && !TextOf(child).empty()) text = TextOf(child);
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
          iconShown = SendMessageW(child, STM_GETICON, 0, 0) != 0;
          RECT area;
          GetClientRect(child, &area);
          iconSize = {area.right, area.bottom};
          RECT units{0, 0, 20, 20};
          MapDialogRect(window, &units);
          templateSize = {units.right, units.bottom};
        }
      }
      ownerDisabled = !IsWindowEnabled(sheet);
      PostMessageW(window, WM_COMMAND, IDOK, 0);
    });
    ClickLink(GetDlgItem(page, PageAt(index).controls().aboutme));
    EXPECT_EQ(caption, u"About Kelo Self Extractor");
    EXPECT_EQ(text, u"Kelo Self Extractor,Version 2.1");
    EXPECT_TRUE(ownerDisabled);
    // The application icon, at the template's 20 x 20 dialog units.
    EXPECT_TRUE(iconShown);
    EXPECT_GT(templateSize.cx, 0);
    EXPECT_EQ(iconSize.cx, templateSize.cx);
    EXPECT_EQ(iconSize.cy, templateSize.cy);
    EXPECT_EQ(wizard.sheet.ActiveIndex(), index);
    EXPECT_TRUE(IsWindowEnabled(sheet));
  }
  EXPECT_TRUE(recorder.events().empty());
}

}  // namespace
}  // namespace pf::test
