// The console's progress line while a build packs and writes, and when it
// is shown: pure functions of the numbers, the console calls them.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "engine/build_progress.h"

namespace pf {

// "packing  42%  12.3 MB/s  0:31 left": the stage, how much of it is done,
// the rate over the `seconds` it has run so far and the time left at that
// rate ("--:--" while nothing can be told yet).
std::u16string ProgressLine(BuildStage stage, std::uint64_t done, std::uint64_t total,
                            double seconds);

// Which reports become lines. On a terminal the one line is redrawn at
// most four times a second, and always at a stage's first report and its
// end; elsewhere (a CI log) a line is written each time a stage passes the
// next tenth, so at most ten per stage.
class ProgressPacer {
 public:
  explicit ProgressPacer(bool terminal) : terminal_(terminal) {}
  // The line for a report at `now` (seconds on any steady clock), or
  // nothing when none is due.
  std::optional<std::u16string> Next(BuildStage stage, std::uint64_t done, std::uint64_t total,
                                     double now);

 private:
  bool terminal_;
  std::optional<BuildStage> stage_;
  double stageStart_ = 0;
  double lastShown_ = 0;
  int lastTenth_ = 0;
  bool ended_ = false;
};

}  // namespace pf
