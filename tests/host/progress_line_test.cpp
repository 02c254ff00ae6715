// The console's progress line and when it is shown, and the writing stage
// the build reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/progress_line.h"
#include "engine/build_progress.h"
#include "platform/text.h"

namespace pf {
namespace {

constexpr std::uint64_t kMB = 1000000;

TEST(ProgressLine, ShowsPercentRateAndTimeLeft) {
  struct Case {
    BuildStage stage;
    std::uint64_t done, total;
    double seconds;
    const char* line;
  };
  const Case cases[] = {
      {BuildStage::kPacking, 0, 100 * kMB, 0.0, "packing   0%  --.- MB/s  --:-- left"},
      // Too early for a rate that means anything.
      {BuildStage::kPacking, 5 * kMB, 100 * kMB, 0.2, "packing   5%  --.- MB/s  --:-- left"},
      {BuildStage::kPacking, 42 * kMB, 100 * kMB, 2.0, "packing  42%  21.0 MB/s  0:03 left"},
      {BuildStage::kWriting, 30 * kMB, 512 * kMB, 10.0, "writing   5%   3.0 MB/s  2:41 left"},
      // Hours, and a rate with more digits than the column.
      {BuildStage::kWriting, 1 * kMB, 10000 * kMB, 1.0, "writing   0%   1.0 MB/s  2:46:39 left"},
      {BuildStage::kPacking, 3000 * kMB, 4000 * kMB, 2.0, "packing  75%  1500.0 MB/s  0:01 left"},
      // 100% only at the very end.
      {BuildStage::kPacking, 999999, 1000000, 1.0, "packing  99%   1.0 MB/s  0:00 left"},
      {BuildStage::kWriting, 8 * kMB, 8 * kMB, 4.0, "writing 100%   2.0 MB/s  0:00 left"},
      {BuildStage::kWriting, 8 * kMB, 8 * kMB, 0.1, "writing 100%  --.- MB/s  0:00 left"},
      // Nothing to pack (every file travels as it is).
      {BuildStage::kPacking, 0, 0, 0.0, "packing 100%  --.- MB/s  0:00 left"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ToUtf8(ProgressLine(c.stage, c.done, c.total, c.seconds)), c.line);
}

// Reports every 1% of two stages, 1/16 s apart: what each console shows.
std::vector<std::string> Shown(bool terminal) {
  ProgressPacer pacer(terminal);
  std::vector<std::string> shown;
  double now = 0;
  for (BuildStage stage : {BuildStage::kPacking, BuildStage::kWriting}) {
    for (int percent = 0; percent <= 100; ++percent, now += 0.0625)
      if (auto line = pacer.Next(stage, percent * kMB, 100 * kMB, now))
        shown.push_back(ToUtf8(*line).substr(0, 12));
    // The end is said once, however often it is reported.
    EXPECT_FALSE(pacer.Next(stage, 100 * kMB, 100 * kMB, now + 1));
  }
  return shown;
}

TEST(ProgressPacer, ALogGetsALineEachTenthAndATerminalAFewRedrawsASecond) {
  std::vector<std::string> log;
  for (const char* stage : {"packing", "writing"})
    for (int tenth = 1; tenth <= 10; ++tenth) {
      char head[16];
      std::snprintf(head, sizeof head, "%s %3d%%", stage, tenth * 10);
      log.push_back(head);
    }
  EXPECT_EQ(Shown(false), log);

  // Four redraws a second: every fourth report of each stage, from its
  // first to its last (0%, 4%, ... 100%).
  auto terminal = Shown(true);
  EXPECT_EQ(terminal.size(), 2u * 26);
  EXPECT_EQ(terminal.front(), "packing   0%");
  EXPECT_EQ(terminal[1], "packing   4%");
  EXPECT_EQ(terminal.back(), "writing 100%");
  EXPECT_NE(std::find(terminal.begin(), terminal.end(), "packing 100%"), terminal.end());
}

TEST(ProgressPacer, AJumpPastSeveralTenthsIsOneLine) {
  ProgressPacer pacer(false);
  EXPECT_FALSE(pacer.Next(BuildStage::kPacking, 5, 100, 0));
  auto line = pacer.Next(BuildStage::kPacking, 47, 100, 1);
  ASSERT_TRUE(line);
  EXPECT_EQ(ToUtf8(*line).substr(0, 12), "packing  47%");
  EXPECT_FALSE(pacer.Next(BuildStage::kPacking, 49, 100, 2));
  EXPECT_TRUE(pacer.Next(BuildStage::kPacking, 50, 100, 3));
}

}  // namespace
}  // namespace pf
