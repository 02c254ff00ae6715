#include "wizard/build_launch.h"

#include <array>
#include <atomic>

#include "compress/archive_check.h"
#include "wizard/app_message.h"
#include "wizard/progress_window.h"
#include "wizard/ui_hooks.h"
#include "wizard/wizard_page.h"

namespace pf {
namespace {

inline constexpr char16_t kBuilt[] = u"Self Extracting file has been successfully created";
inline constexpr char16_t kNotBuilt[] = u"Problem in creating the Self Extracting file";

// Shared with the worker: it stores its page's result first, then the
// completion (release); the user-interface thread reads them in the
// opposite order (acquire).
std::atomic<int> g_completed{0};
std::array<std::atomic<int>, WizardPage::kPageCount> g_results{};

void BuildWorker(WizardPage& page) {
  const BuildSettings& s = page.settings();
  bool built = false;
  try {
    // The strings are copied at the call; nothing changes them while the
    // build runs, since the wizard is disabled.
    built = ui::RunBuild(s.programFolder, s.noOfFiles, s.dataFiles, page.RunEntry(),
                         s.outputFilepath, s.outputFileName, s.decompressFlags, s.iconFilePath,
                         s.aboutMessage, s.aboutTitle, s.extractFolderOption, s.password);
  } catch (...) {
    // Out of memory while copying, or anything the engine let escape: a
    // failed build, reported as one, not a crash on a thread nobody joins.
    built = false;
  }
  g_results[static_cast<std::size_t>(page.index())].store(built ? 1 : 0, std::memory_order_release);
  g_completed.store(1, std::memory_order_release);
}

}  // namespace

void StartBuild(WizardPage& page) {
  HWND sheet = page.sheetWindow();
  // A ticked archive the package could not unpack: said before any window
  // of the build opens, and the wizard stays as it was.
  const BuildSettings& s = page.settings();
  if (auto refusal =
          CheckArchivesToUnpack(s.programFolder, s.dataFiles, s.decompressFlags, s.noOfFiles)) {
    ShowAppMessage(sheet,
                   refusal->reason +
                       u"\n\nIt can travel packed instead: clear its check box on the data "
                       u"files page, and it is copied out as it is at extraction.",
                   MessageIcon::kError);
    return;
  }
  g_completed.store(0, std::memory_order_release);
  // The progress loop serves the wizard's windows too: disabled, they can
  // neither change the settings nor start a second build.
  EnableWindow(sheet, FALSE);
  bool started = ui::StartWorker([&page] { BuildWorker(page); });
  // A worker that never started cannot complete: report at once.
  if (started) RunProgressWindow(g_completed);
  bool built = started && g_results[static_cast<std::size_t>(page.index())].load(
                              std::memory_order_acquire) == 1;
  if (built) {
    ShowAppMessage(sheet, kBuilt, MessageIcon::kInformation);
  } else {
    ShowAppMessage(sheet, kNotBuilt, MessageIcon::kError);
  }
  ui::ExitProcessNow(0);
  EnableWindow(sheet, TRUE);
}

}  // namespace pf
