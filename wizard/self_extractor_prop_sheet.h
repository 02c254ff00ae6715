// The wizard sheet: the program's main window, owner of the one
// BuildSettings record that the pages fill and the build reads.
#pragma once
#include "settings/build_settings.h"
#include "wizard/framework/property_sheet.h"

namespace pf {

class CSelfExtractorPropSheet : public ui::PropSheet {
 public:
  // How much smaller than the standard wizard frame the sheet is: its own
  // button row is cut out of view, the pages' buttons remain.
  static constexpr int kShrinkWidth = 18;
  static constexpr int kShrinkHeight = 148;
  static constexpr int kTabGrowth = 50;

  CSelfExtractorPropSheet();

  // Read and written by the pages directly.
  BuildSettings settings;

 protected:
  void OnInitDialog() override;
};

}  // namespace pf
