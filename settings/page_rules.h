// The decisions of the icon, password and run pages, shared by the pages
// and the console front end.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/message_icon.h"

namespace pf {

inline constexpr std::size_t kMaxAboutMessage = 300;
inline constexpr std::size_t kMaxAboutTitle = 30;
inline constexpr std::size_t kMaxPassword = 8;

// Empty, or a "." with a "\" somewhere before the last ".".
bool IsAcceptableIconPath(std::u16string_view path);

// The icon page's checks in order; the first failing one is the message.
// `suspectIconFile` is the answer of the page's further file check.
std::optional<UserMessage> ValidateIconPage(std::u16string_view iconPath,
                                            std::u16string_view message, std::u16string_view title,
                                            bool suspectIconFile);

struct PasswordDecision {
  std::optional<UserMessage> message;  // set when the page is invalid
  std::u16string password;             // encoded; empty when unprotected
};
PasswordDecision ValidatePassword(bool protect, std::u16string_view password,
                                  std::u16string_view confirmation);

// 0 default, 1 %temp%, 2 the user chooses: the first selected radio decides.
std::int32_t FolderOptionOf(bool tempSelected, bool chooseSelected);

struct RunDecision {
  std::optional<UserMessage> message;  // "Details Missing" when set
  std::u16string driverFilePath;
};
RunDecision ChooseRunEntry(bool runChecked, bool fileNameSelected, std::u16string_view fileName,
                           std::u16string_view command);

}  // namespace pf

namespace pf {

// The icon page's further file check (and the console's --icon check),
// answered from the file's first bytes (nothing when it cannot be read) and
// its length: a file the build's icon reader would refuse would silently
// leave the package without the chosen icon, so it is "Invalid File".
bool IsSuspectIconFile(const std::optional<std::vector<std::uint8_t>>& head,
                       std::uint64_t fileSize);

}  // namespace pf
