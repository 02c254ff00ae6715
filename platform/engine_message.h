// The build engine's own message boxes. The wizard shows them as they are
// (no owner, OK, no icon); the console front end and the tests put another
// handler in place.
#pragma once
#include <functional>
#include <string>

namespace pf {

using EngineMessageHandler =
    std::function<void(const std::u16string& text, const std::u16string& caption)>;

// Shows one engine message through the current handler.
void ShowEngineMessage(const std::u16string& text, const std::u16string& caption);
// Replaces the handler; an empty one restores the platform message box.
// Returns the previous handler.
EngineMessageHandler SetEngineMessageHandler(EngineMessageHandler handler);

}  // namespace pf
