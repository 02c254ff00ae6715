// The pages' own buttons move by page index as their checks decide.
#include <gtest/gtest.h>

#include "tests/win/scripted_wizard.h"
#include "tests/win/wizard_harness.h"

namespace pf::test {
namespace {

class Navigation : public ::testing::Test {
 protected:
  UiRecorder recorder;
  ScriptedWizard wizard;
  int Active() const { return wizard.sheet.ActiveIndex(); }
  void PressNext(int index) { Click(wizard.Page(index), wizard.pages[index].controls().next); }
  void PressBack(int index) { Click(wizard.Page(index), wizard.pages[index].controls().back); }
  void PressFinish(int index) { Click(wizard.Page(index), wizard.pages[index].controls().finish); }
};

TEST_F(Navigation, NextShowsTheFollowingPageWhenTheChecksPass) {
  for (int index = 0; index < 3; ++index) {
    SCOPED_TRACE(index);
    ASSERT_EQ(Active(), index);
    PressNext(index);
    EXPECT_EQ(wizard.pages[index].nextChecks, 1);
    EXPECT_EQ(Active(), index + 1);
  }
  EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(Navigation, NextStaysOrShowsThePageAgainWhenTheChecksFail) {
  struct Case {
    int page;
    NextStep answer;
  };
  for (Case c : {Case{0, NextStep::kStay}, Case{1, NextStep::kShowAgain},
                 Case{2, NextStep::kShowAgain}, Case{2, NextStep::kStay}}) {
    SCOPED_TRACE(c.page);
    wizard.Show(c.page);
    wizard.pages[c.page].nextAnswer = c.answer;
    PressNext(c.page);
    EXPECT_EQ(Active(), c.page);
    EXPECT_TRUE(IsWindowVisible(wizard.Page(c.page)));
  }
}

TEST_F(Navigation, BackShowsThePreviousPageWithoutAnyCheck) {
  wizard.Show(3);
  for (int index = 3; index > 0; --index) {
    SCOPED_TRACE(index);
    PressBack(index);
    EXPECT_EQ(Active(), index - 1);
    EXPECT_EQ(wizard.pages[index].nextChecks + wizard.pages[index].finishChecks, 0);
  }
}

TEST_F(Navigation, FinishWhoseChecksFailStartsNothing) {
  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    wizard.Show(index);
    wizard.pages[index].finishAnswer = false;
    PressFinish(index);
    EXPECT_EQ(wizard.pages[index].finishChecks, 1);
    EXPECT_EQ(Active(), index);
  }
  EXPECT_TRUE(recorder.events().empty());
  EXPECT_TRUE(IsWindowEnabled(wizard.window));
}

}  // namespace
}  // namespace pf::test
