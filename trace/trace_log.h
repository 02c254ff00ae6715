// The process-wide trace log that every build step writes to.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "trace/trace_format.h"

namespace pf {

class TraceLog {
 public:
  // Reads (or, on a user's first run, creates) the switch file beside the
  // log at `path`.
  explicit TraceLog(std::u16string path);
  // Appends one formatted line when the log is on; never fails loudly.
  void Write(std::u16string_view format, std::initializer_list<TraceArg> args) const;

  std::int32_t enabled = 0;
  std::u16string logFilePath;
};

// The current log; empty until the first build. Replaced by InitTraceLog.
std::shared_ptr<const TraceLog> CurrentTraceLog();

// Sets up the log for one build; called first by Merger.
void InitTraceLog();

// Writes one line to the current log.
void WriteTraceLine(std::u16string_view format, std::initializer_list<TraceArg> args);

template <class... Args>
void Write(std::u16string_view format, const Args&... args) {
  WriteTraceLine(format, {TraceArg(args)...});
}

}  // namespace pf
