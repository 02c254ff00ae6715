#include "cli/progress_line.h"

#include <cmath>
#include <cstdio>

#include "platform/text.h"

namespace pf {
namespace {

constexpr double kRedrawSeconds = 0.25;
// Below this the rate says more about start-up than about the work.
constexpr double kFirstEstimateSeconds = 0.5;

int Percent(std::uint64_t done, std::uint64_t total) {
  if (total == 0 || done >= total) return 100;
  // Never 100 before the end; done * 100 fits, sizes stay below 2^57.
  return static_cast<int>(done * 100 / total);
}

std::string Clock(double seconds) {
  auto s = static_cast<long long>(std::llround(seconds));
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

}  // namespace

std::u16string ProgressLine(BuildStage stage, std::uint64_t done, std::uint64_t total,
                            double seconds) {
  if (done > total) done = total;
  const char* name = stage == BuildStage::kPacking ? "packing" : "writing";
  bool timed = seconds >= kFirstEstimateSeconds && done > 0;
  char line[128];
  if (!timed) {
    std::snprintf(line, sizeof line, "%s %3d%%  --.- MB/s  %s left", name, Percent(done, total),
                  done >= total ? "0:00" : "--:--");
  } else {
    double rate = static_cast<double>(done) / seconds;  // bytes a second
    double left = static_cast<double>(total - done) / rate;
    std::snprintf(line, sizeof line, "%s %3d%%  %4.1f MB/s  %s left", name, Percent(done, total),
                  rate / 1e6, Clock(left).c_str());
  }
  return FromUtf8(line);
}

std::optional<std::u16string> ProgressPacer::Next(BuildStage stage, std::uint64_t done,
                                                  std::uint64_t total, double now) {
  if (stage_ != stage) {
    stage_ = stage;
    stageStart_ = now;
    lastTenth_ = 0;
    ended_ = false;
    lastShown_ = now - kRedrawSeconds;  // the first report is shown on a terminal
  }
  if (ended_) return std::nullopt;
  bool end = done >= total;
  bool due;
  if (terminal_) {
    due = end || now - lastShown_ >= kRedrawSeconds;
  } else {
    int tenth = end ? 10 : static_cast<int>(Percent(done, total) / 10);
    due = tenth > lastTenth_;
    if (due) lastTenth_ = tenth;
  }
  if (!due) return std::nullopt;
  ended_ = end;
  lastShown_ = now;
  return ProgressLine(stage, done, total, now - stageStart_);
}

}  // namespace pf
