// Reading what a build wrote: trace lines and engine messages.
#pragma once
#include <string>
#include <vector>

#include "platform/engine_message.h"
#include "tests/support/test_workspace.h"

namespace pf::test {

// Switches the trace log on for the builds of this workspace.
void EnableTrace(const Workspace& ws);
// The trace log's path in this workspace.
std::u16string TraceLogPath(const Workspace& ws);
// The log's lines (UTF-8), split at the platform's line ends.
std::vector<std::string> TraceLines(const Workspace& ws);
// Whether `lines` holds `wanted` as a whole line.
bool HasLine(const std::vector<std::string>& lines, const std::string& wanted);
// The index of the first line equal to `wanted`, or -1.
int LineIndex(const std::vector<std::string>& lines, const std::string& wanted);

struct Message {
  std::u16string text;
  std::u16string caption;
  bool operator==(const Message&) const = default;
};

// Records engine messages for its lifetime instead of showing them.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;
  const std::vector<Message>& messages() const { return messages_; }

 private:
  std::vector<Message> messages_;
  EngineMessageHandler previous_;
};

}  // namespace pf::test
