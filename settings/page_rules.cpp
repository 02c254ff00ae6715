#include "settings/page_rules.h"

#include "engine/password_encoding.h"
#include "icon/ico_file.h"

namespace pf {
namespace {
UserMessage Info(std::u16string_view text) {
  return {std::u16string(text), MessageIcon::kInformation};
}
}  // namespace

bool IsAcceptableIconPath(std::u16string_view path) {
  if (path.empty()) return true;
  auto dot = path.rfind(u'.');
  if (dot == std::u16string_view::npos) return false;
  return path.substr(0, dot).find(u'\\') != std::u16string_view::npos;
}

std::optional<UserMessage> ValidateIconPage(std::u16string_view iconPath,
                                            std::u16string_view message, std::u16string_view title,
                                            bool suspectIconFile) {
  if (!IsAcceptableIconPath(iconPath) || suspectIconFile) return Info(u"Invalid File");
  if (message.size() > kMaxAboutMessage)
    return Info(u"Display message exceeds 300 characters,please type below 300 characters");
  if (title.size() > kMaxAboutTitle)
    return Info(u"Title message exceeds 30 characters,please type below 30 characters");
  return std::nullopt;
}

PasswordDecision ValidatePassword(bool protect, std::u16string_view password,
                                  std::u16string_view confirmation) {
  if (!protect) return {};
  if (password.empty())
    return {Info(u"Please enter a valid password or uncheck if you dont want a password."), {}};
  if (confirmation.empty()) return {Info(u"Confirm password."), {}};
  if (password != confirmation) return {Info(u"Password does not match."), {}};
  return {std::nullopt, EncodePassword(password)};
}

std::int32_t FolderOptionOf(bool tempSelected, bool chooseSelected) {
  return tempSelected ? 1 : chooseSelected ? 2 : 0;
}

RunDecision ChooseRunEntry(bool runChecked, bool fileNameSelected, std::u16string_view fileName,
                           std::u16string_view command) {
  if (!runChecked) return {};
  std::u16string_view text = fileNameSelected ? fileName : command;
  if (text.empty()) return {UserMessage{u"Details Missing", MessageIcon::kExclamation}, {}};
  return {std::nullopt, std::u16string(text)};
}

}  // namespace pf

namespace pf {

bool IsSuspectIconFile(const std::optional<std::vector<std::uint8_t>>& head,
                       std::uint64_t fileSize) {
  return !head || !ReadIcoDirectory(*head, fileSize).ok();
}

}  // namespace pf
