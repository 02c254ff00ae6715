// The data-files page driven in-process through its real template.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <regex>

#include "platform/text.h"
#include "resources/resource.h"
#include "tests/support/test_workspace.h"
#include "tests/win/wizard_harness.h"
#include "wizard/data_files_list.h"

namespace pf::test {
namespace {

class HomePage : public ::testing::Test {
 protected:
  Workspace ws;
  UiRecorder ui;
  WizardUnderTest wizard;

  DataFilesList list() const { return DataFilesList(wizard.Item(IDL_DATA_FILES)); }

  // Add with the dialog returning `paths` in that order.
  void Add(std::vector<std::u16string> paths) {
    ui.fileSelections.push_back(std::move(paths));
    wizard.Click(IDB_ADD);
  }
  std::u16string File(const std::u16string& name, const std::string& bytes = "data") {
    return ws.File(u"in\\" + name, bytes);
  }
  void SelectRows(std::initializer_list<int> rows) {
    HWND l = list().hwnd();
    ListView_SetItemState(l, -1, 0, LVIS_SELECTED);
    for (int r : rows) ListView_SetItemState(l, r, LVIS_SELECTED, LVIS_SELECTED);
  }
  std::vector<std::u16string> Texts() const {
    std::vector<std::u16string> all;
    for (const auto& b : ui.boxes) all.push_back(b.text);
    return all;
  }
};

TEST_F(HomePage, OnlyArchivesGetACheckboxAndNextStoresTheFlags) {
  Add({File(u"a.zip"), File(u"b.txt"), File(u"c.ZIP")});
  ASSERT_EQ(list().Count(), 3);
  EXPECT_EQ(list().Checks(),
            (std::vector<RowCheck>{RowCheck::kChecked, RowCheck::kNone, RowCheck::kNone}));
  wizard.SetText(IDE_DESTINATION_PATH, ws.Folder(u"out"));
  wizard.SetText(IDE_FILE_NAME, u"setup");
  wizard.Click(IDB_HOME_NEXT);
  EXPECT_EQ(Texts(), std::vector<std::u16string>{});
  EXPECT_EQ(wizard.activeIndex(), 1);
  EXPECT_EQ(wizard.settings().decompressFlags, (std::vector<std::int32_t>{1, 1, 1, -1, -1}));
}

}  // namespace
}  // namespace pf::test
