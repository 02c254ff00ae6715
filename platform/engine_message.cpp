#include "platform/engine_message.h"

#include <mutex>

#include "platform/os.h"

namespace pf {
namespace {
std::mutex& HandlerMutex() {
  static std::mutex m;
  return m;
}
EngineMessageHandler& Handler() {
  static EngineMessageHandler h;
  return h;
}
}  // namespace

void ShowEngineMessage(const std::u16string& text, const std::u16string& caption) {
  EngineMessageHandler h;
  {
    std::lock_guard lock(HandlerMutex());
    h = Handler();
  }
  if (h) {
    h(text, caption);
  } else {
    os::ShowMessage(text, caption);
  }
}

EngineMessageHandler SetEngineMessageHandler(EngineMessageHandler handler) {
  std::lock_guard lock(HandlerMutex());
  auto old = std::move(Handler());
  Handler() = std::move(handler);
  return old;
}

}  // namespace pf
