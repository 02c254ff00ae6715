#include "tests/support/trace_capture.h"

#include <algorithm>

#include "platform/os.h"

namespace pf::test {

void EnableTrace(const Workspace& ws) {
  ws.Folder(u"appdata\\Kelosoft");
  std::string on;
  for (char c : std::string("debug1")) {
    on += c;
    on += '\0';
  }
  on += std::string(2, '\0');
  ws.File(u"appdata\\Kelosoft\\debug.txt", on);
}

std::u16string TraceLogPath(const Workspace& ws) {
  return ws.Path(u"appdata\\Kelosoft\\tracerlog.txt");
}

std::vector<std::string> TraceLines(const Workspace& ws) {
  std::string text = ReadAll(TraceLogPath(ws));
  std::string end = os::NativeLogTextForm() == os::LogTextForm::kLatin1Crlf ? "\r\n" : "\n";
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t pos; (pos = text.find(end, start)) != std::string::npos;
       start = pos + end.size()) {
    lines.push_back(text.substr(start, pos - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
  return LineIndex(lines, wanted) >= 0;
}

int LineIndex(const std::vector<std::string>& lines, const std::string& wanted) {
  auto it = std::find(lines.begin(), lines.end(), wanted);
  return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

MessageRecorder::MessageRecorder() {
  previous_ =
      SetEngineMessageHandler([this](const std::u16string& text, const std::u16string& caption) {
        messages_.push_back({text, caption});
      });
}

MessageRecorder::~MessageRecorder() {
  SetEngineMessageHandler(std::move(previous_));
}

}  // namespace pf::test
