// The application: its start-up routine runs the wizard sheet modally as
// the main window, and the program ends when the sheet is done.
#pragma once
#include "wizard/control_libraries.h"
#include "wizard/framework/application.h"

namespace pf {

class CSelfExtractorPropSheet;

class CPackforgeApp : public ui::Application {
 protected:
  bool InitInstance() override;

 private:
  RichEditLibrary richEdit_;
  CSelfExtractorPropSheet* mainWindow_ = nullptr;
};

extern CPackforgeApp theApp;

}  // namespace pf
