// Leaving a page copies its controls into their fields, and a page whose
// exchange fails stays; every activation after the first refreshes the
// controls from the fields.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/win/wizard_harness.h"
#include "wizard/framework/property_sheet.h"

namespace pf::test {
namespace {

class ExchangePage : public ui::PropertyPage {
 public:
  explicit ExchangePage(int templateId, int editId) : ui::PropertyPage(templateId), edit(editId) {}
  int edit;
  std::u16string field;
  bool accept = true;
  int saves = 0;
  int loads = 0;

 protected:
  bool Exchange(ui::DataExchange& exchange) override {
    ++(exchange.saving() ? saves : loads);
    exchange.Text(edit, field);
    return !exchange.saving() || accept;
  }
};

class PageExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    PrepareControls();
    first.field = u"from the field";
    sheet.AddPage(first);
    sheet.AddPage(second);
    sheet.AddFlags(PSH_WIZARD);
    ASSERT_NE(sheet.Create(), nullptr);
    PumpMessages();
  }
  void SetEditText(const std::u16string& text) { SetItemTextOf(first.hwnd(), first.edit, text); }
  static void SetItemTextOf(HWND dialog, int id, const std::u16string& text) {
    ui::SetItemText(dialog, id, text);
  }

  ExchangePage first{IDD_HOME, IDE_FILE_NAME};
  ExchangePage second{IDD_ICON_SELECT, IDE_ICON_FILE};
  ui::PropSheet sheet{u"exchange"};
};

TEST_F(PageExchange, LeavingSavesAndReturningRefreshes) {
  // Initialisation loads once; the first activation adds nothing.
  EXPECT_EQ(first.loads, 1);
  EXPECT_EQ(ui::ItemText(first.hwnd(), first.edit), u"from the field");

  SetEditText(u"typed");
  ASSERT_TRUE(sheet.SetActivePage(1));
  PumpMessages();
  EXPECT_EQ(sheet.ActiveIndex(), 1);
  EXPECT_EQ(first.saves, 1);
  EXPECT_EQ(first.field, u"typed");

  first.field = u"changed meanwhile";
  ASSERT_TRUE(sheet.SetActivePage(0));
  PumpMessages();
  EXPECT_EQ(first.loads, 2);
  EXPECT_EQ(ui::ItemText(first.hwnd(), first.edit), u"changed meanwhile");
  EXPECT_EQ(second.saves, 1);
}

TEST_F(PageExchange, APageWhoseExchangeFailsStaysShown) {
  first.accept = false;
  SetEditText(u"not taken");
  sheet.SetActivePage(1);
  PumpMessages();
  EXPECT_EQ(sheet.ActiveIndex(), 0);
  EXPECT_EQ(second.hwnd(), nullptr);
  EXPECT_EQ(first.saves, 1);
}

}  // namespace
}  // namespace pf::test
