// A page's Finish, once its checks have passed: the build on a worker
// thread behind the "Processing..." window, the result message, the end.
#pragma once

namespace pf {

class WizardPage;

// Does not return in the program: the process ends after the result box.
// (Only a test's process-exit hook lets it return.)
void StartBuild(WizardPage& page);

}  // namespace pf
