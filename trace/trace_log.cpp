#include "trace/trace_log.h"

#include <mutex>

#include "platform/os.h"

namespace pf {
namespace {

// One mark for the whole process: held from the open to the close of the
// log file, and while the current log is replaced.
std::mutex& WriteMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<const TraceLog>& Current() {
  static std::shared_ptr<const TraceLog> log;
  return log;
}

}  // namespace

TraceLog::TraceLog(std::u16string path) {
  auto appdata = os::GetEnv(u"appdata");
  // Without the application-data folder there is nowhere to log to.
  if (!appdata) return;
  std::u16string folder = *appdata + u"\\Kelosoft";
  std::u16string switchFile = folder + u"\\debug.txt";
  if (os::CreateFolder(folder)) {
    os::WriteWholeFile(switchFile, InitialSwitchFile());
    enabled = 0;
  } else {
    auto bytes = os::ReadFilePrefix(switchFile, 14);
    enabled = bytes ? ScanSwitchFile(*bytes) : 0;
  }
  logFilePath = std::move(path);
}

void TraceLog::Write(std::u16string_view format, std::initializer_list<TraceArg> args) const {
  if (!enabled) return;
  std::lock_guard lock(WriteMutex());
  os::AppendToFile(logFilePath, EncodeLogLine(FormatTrace(format, args), os::NativeLogTextForm()));
}

std::shared_ptr<const TraceLog> CurrentTraceLog() {
  std::lock_guard lock(WriteMutex());
  return Current();
}

void InitTraceLog() {
  auto appdata = os::GetEnv(u"appData");
  auto log = std::make_shared<const TraceLog>(appdata ? *appdata + u"\\Kelosoft\\tracerlog.txt"
                                                      : std::u16string());
  std::lock_guard lock(WriteMutex());
  Current() = std::move(log);
}

void WriteTraceLine(std::u16string_view format, std::initializer_list<TraceArg> args) {
  if (auto log = CurrentTraceLog()) log->Write(format, args);
}

}  // namespace pf
