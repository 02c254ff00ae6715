#pragma once
#include <string>

namespace pf {

// The icon a user-interface message is shown with.
enum class MessageIcon { kNone, kExclamation, kInformation, kError };

struct UserMessage {
  std::u16string text;
  MessageIcon icon = MessageIcon::kNone;
  bool operator==(const UserMessage&) const = default;
};

}  // namespace pf
