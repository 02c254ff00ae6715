// CRunFileDlg: a data file or a command the package runs once it has
// extracted. The choice goes to the build this page's Finish starts, never
// into the settings.
#pragma once
#include <cstdint>
#include <string>

#include "wizard/wizard_page.h"

namespace pf {

class CRunFileDlg : public WizardPage {
 public:
  explicit CRunFileDlg(CSelfExtractorPropSheet& sheet);

  std::u16string RunEntry() const override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool Exchange(ui::DataExchange& exchange) override;
  bool CheckForFinish() override;

 private:
  void OnRunChecked();
  void SelectFileName();
  void SelectCommand();
  void Enable(std::initializer_list<int> ids, bool enable);

  std::int32_t runOption_ = 0;
  std::u16string fileName_;
  std::u16string command_;
  // Set by a Finish whose checks passed, read by the build's worker.
  std::u16string runEntry_;
};

}  // namespace pf
