// The real sheet with four pages on the real templates and controls, whose
// checks answer as a test says: the frame's navigation and build launch,
// tested apart from each page's own logic.
#pragma once
#include <array>
#include <string>

#include "wizard/packforge_wizard.h"
#include "wizard/wizard_page.h"

namespace pf::test {

class ScriptedPage : public WizardPage {
 public:
  ScriptedPage(CSelfExtractorPropSheet& sheet, const WizardPage& model)
      : WizardPage(sheet, model.index(), model.templateId(), model.controls()) {}

  NextStep nextAnswer = NextStep::kShowNext;
  bool finishAnswer = true;
  bool ownRunEntry = false;
  std::u16string runEntry;
  int nextChecks = 0;
  int finishChecks = 0;

  std::u16string RunEntry() const override {
    return ownRunEntry ? runEntry : WizardPage::RunEntry();
  }

 protected:
  NextStep CheckForNext() override {
    ++nextChecks;
    return nextAnswer;
  }
  bool CheckForFinish() override {
    ++finishChecks;
    return finishAnswer;
  }
};

struct ScriptedWizard {
  ScriptedWizard();
  ~ScriptedWizard();
  ScriptedWizard(const ScriptedWizard&) = delete;
  ScriptedWizard& operator=(const ScriptedWizard&) = delete;

  // The page window at index i (created on its first activation).
  HWND Page(int index) const;
  // Moves to page `index` directly (PSM_SETCURSEL), as the frame does.
  void Show(int index);

  PackforgeWizard models;  // never shown: their ids and templates
  CSelfExtractorPropSheet sheet;
  std::array<ScriptedPage, 4> pages;
  HWND window = nullptr;
};

}  // namespace pf::test
