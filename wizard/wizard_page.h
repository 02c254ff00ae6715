// What the four wizard pages share: the sheet they fill, their own Back,
// Next, Cancel and Finish buttons with their icons, and the "Help" and
// "Aboutme" links. Each page adds its logic by overriding the checks and
// the handlers below; an override of OnInitDialog, OnSetActive, OnCommand
// or OnNotify calls this class's version for what it does not handle
// itself (OnNotify first: it answers PSN_SETACTIVE and PSN_KILLACTIVE).
#pragma once
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "settings/build_settings.h"
#include "wizard/framework/property_page.h"

namespace pf {

class CSelfExtractorPropSheet;

// The ids of the controls every page template carries.
struct PageControls {
  int back;
  int next;
  int cancel;
  int finish;
  int help;
  int aboutme;
};

// What a page's checks decided for Next.
enum class NextStep {
  kShowNext,   // checks passed: show the next page
  kStay,       // stay without selecting any page
  kShowAgain,  // select this page again
};

class WizardPage : public ui::PropertyPage {
 public:
  static constexpr int kPageCount = 4;

  WizardPage(CSelfExtractorPropSheet& sheet, int index, int templateId, PageControls controls);

  int index() const { return index_; }
  const PageControls& controls() const { return controls_; }
  CSelfExtractorPropSheet& sheet() const { return *sheet_; }
  BuildSettings& settings() const;

  // The run entry a build started from this page receives. Called on the
  // build's worker thread: read members only, never windows.
  virtual std::u16string RunEntry() const;

 protected:
  // The page's own checks; until a page has any, they pass.
  virtual NextStep CheckForNext() { return NextStep::kShowNext; }
  // True starts the build.
  virtual bool CheckForFinish() { return true; }

  // Asks the sheet for page `index` (PSM_SETCURSEL).
  void ShowPage(int index);
  // Loads an icon of the program's resources at its own size onto a button.
  void SetButtonIcon(int buttonId, int iconId);

  BOOL OnInitDialog() override;
  bool OnSetActive() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  void OnEnterKey(HWND focus) override;

 private:
  void Back();
  void Next();
  void Finish();

  CSelfExtractorPropSheet* sheet_;
  int index_;
  PageControls controls_;
  std::vector<win::unique_hicon> icons_;
};

}  // namespace pf
