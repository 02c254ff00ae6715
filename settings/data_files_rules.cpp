#include "settings/data_files_rules.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "engine/path_helpers.h"
#include "platform/os.h"

namespace pf {
namespace {

constexpr std::array<std::u16string_view, 18> kArchiveTypes = {
    u"7z",  u"tar", u"zip", u"arj",  u"bz2",  u"cab", u"chm",   u"cpio", u"compound",
    u"deb", u"gz",  u"iso", u"lzma", u"nsis", u"rar", u"split", u"wim",  u"z"};

UserMessage Exclaim(std::u16string_view text) {
  return {std::u16string(text), MessageIcon::kExclamation};
}

PageDecision Stay(UserMessage m) {
  return {PageDecision::Action::kStay, std::move(m)};
}

// The first of the three destination messages that applies.
UserMessage DestinationMessage(const DestinationState& s, std::u16string_view invalidPath) {
  if (s.outputFilepath.empty()) return Exclaim(u"Select a folder path for your output file.");
  if (s.outputFileName.empty()) return Exclaim(u"Please give a name for your output file.");
  return Exclaim(invalidPath);
}

bool IsDeviceName(std::u16string_view stem) {
  static constexpr std::array<std::u16string_view, 4> kPlain = {u"CON", u"PRN", u"AUX", u"NUL"};
  std::u16string upper;
  for (char16_t c : stem) upper += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if (std::find(kPlain.begin(), kPlain.end(), upper) != kPlain.end()) return true;
  if (upper.size() != 4 || (upper.substr(0, 3) != u"COM" && upper.substr(0, 3) != u"LPT"))
    return false;
  char16_t digit = upper[3];
  // The superscript digits count too: Windows maps them to the ports.
  return (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' ||
         digit == u'\u00B3';
}

bool DestinationComplete(const DestinationState& s) {
  return !s.outputFileName.empty() && !s.outputFilepath.empty() && s.folderFound;
}

}  // namespace

std::u16string ExtensionOf(std::u16string_view name) {
  auto dot = name.rfind(u'.');
  return std::u16string(dot == std::u16string_view::npos ? name : name.substr(dot + 1));
}

bool IsArchiveExtension(std::u16string_view extension) {
  return std::find(kArchiveTypes.begin(), kArchiveTypes.end(), extension) != kArchiveTypes.end();
}

bool IsShortcutExtension(std::u16string_view extension) {
  return extension == u"lnk";
}

std::optional<UserMessage> CheckFileToAdd(const std::vector<std::u16string>& existing,
                                          const std::u16string& path) {
  std::u16string name = LastPathElement(path);
  if (IsShortcutExtension(ExtensionOf(name))) return Exclaim(u"Shortcut files cannot be added.");
  if (existing.size() >= static_cast<std::size_t>(kMaxUserFiles))
    return Exclaim(u"A package can hold at most 254 files; " + name + u" was not added.");
  // Two different files of one name would overwrite each other when the
  // package is extracted; the same path twice is harmless.
  for (const auto& other : existing) {
    if (os::NamesEqualIgnoringCase(other, path)) continue;
    if (os::NamesEqualIgnoringCase(LastPathElement(other), name))
      return Exclaim(u"\"" + path + u"\" has the same file name as \"" + other +
                     u"\", which is already in the list. They would overwrite each other when "
                     u"the package is extracted, so it was not added.");
  }
  return std::nullopt;
}

void Collect(BuildSettings& settings, const std::vector<RowCheck>& rows) {
  if (settings.dataFiles.size() < 2) settings.dataFiles.resize(2);
  settings.dataFiles[0] = u"7z.dll";
  settings.dataFiles[1] = u"Client7z.dll";
  if (rows.empty()) return;
  if (settings.decompressFlags.size() < rows.size() + 2)
    settings.decompressFlags.resize(rows.size() + 2);
  settings.decompressFlags[0] = 1;
  settings.decompressFlags[1] = 1;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    settings.decompressFlags[r + 2] = rows[r] == RowCheck::kChecked     ? 1
                                      : rows[r] == RowCheck::kUnchecked ? 0
                                                                        : -1;
  }
}

bool NameTaken(const std::vector<std::u16string>& exeNames, std::u16string_view outputFileName) {
  std::u16string wanted = std::u16string(outputFileName) + u".exe";
  return std::any_of(exeNames.begin(), exeNames.end(), [&](const std::u16string& n) {
    return os::NamesEqualIgnoringCase(n, wanted);
  });
}

std::optional<std::u16string> ManglingReason(std::u16string_view outputFileName) {
  std::u16string name(outputFileName);
  if (auto colon = name.find(u':'); colon != std::u16string::npos) {
    return u"The name \"" + name + u"\" holds \":\", which Windows would turn into a hidden " +
           u"stream of the file \"" + name.substr(0, colon) +
           u"\" instead of a package. Please choose a name without \":\".";
  }
  // Windows takes the part before the first "." of the last path element,
  // trailing blanks dropped, as the device name: "con.exe" and "NUL .exe"
  // both stay devices.
  std::u16string file = name + u".exe";
  auto slash = file.find_last_of(u"\\/");
  std::u16string_view last =
      std::u16string_view(file).substr(slash == std::u16string::npos ? 0 : slash + 1);
  std::u16string_view stem = last.substr(0, last.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
  if (IsDeviceName(stem)) {
    return u"The name \"" + name + u"\" is a device name reserved by Windows: \"" +
           std::u16string(last) +
           u"\" would stay that device, not become a package file. Please choose another name.";
  }
  return std::nullopt;
}

DestinationState CheckDestination(std::int32_t userFiles, const std::u16string& outputFilepath,
                                  const std::u16string& outputFileName) {
  DestinationState s;
  s.userFiles = userFiles;
  s.outputFilepath = outputFilepath;
  s.outputFileName = outputFileName;
  s.folderFound = !outputFilepath.empty() && os::Exists(outputFilepath);
  s.nameFree = !NameTaken(os::FindNames(outputFilepath + u"\\*.exe"), outputFileName);
  return s;
}

PageDecision ValidateForNext(const DestinationState& s) {
  if (s.userFiles <= 0) return Stay(Exclaim(u"Add files for extraction."));
  if (!DestinationComplete(s)) return Stay(DestinationMessage(s, u"Invalid filepath"));
  if (auto reason = ManglingReason(s.outputFileName)) return Stay(Exclaim(*reason));
  if (!s.nameFree) return {PageDecision::Action::kAskOverwrite, std::nullopt};
  return {PageDecision::Action::kProceed, std::nullopt};
}

PageDecision ValidateForFinish(const DestinationState& s) {
  if (s.userFiles <= 0) return Stay({u"Add files for extraction.", MessageIcon::kNone});
  // Nothing may be written under a name Windows would turn into something
  // else, not even over an existing file.
  if (auto reason = ManglingReason(s.outputFileName)) return Stay(Exclaim(*reason));
  // On Finish the taken-name question comes before the other checks.
  if (!s.nameFree) return {PageDecision::Action::kAskOverwrite, std::nullopt};
  if (!DestinationComplete(s)) return Stay(DestinationMessage(s, u"Invalid filepath."));
  return {PageDecision::Action::kProceed, std::nullopt};
}

}  // namespace pf

namespace pf {

std::u16string SizeColumnText(std::optional<std::uint64_t> size) {
  if (!size) return u"size unavailable";
  std::string digits = std::to_string(*size);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string ModifiedColumnText(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", t.month, t.day, t.year % 100,
                t.hour, t.minute, t.second);
  std::string s(text);
  return std::u16string(s.begin(), s.end());
}

bool AllowRowStateChange(bool adding, bool archive, unsigned oldStateImage,
                         unsigned newStateImage) {
  // A new archive row keeps a checkbox; any other new row may only lose
  // the one some list views give every new row without asking.
  if (adding) return archive ? newStateImage != 0 : newStateImage == 0;
  // Rows without a checkbox never gain one.
  return !(oldStateImage == 0 && newStateImage == 1);
}

void RemoveRows(BuildSettings& settings, std::vector<int> selectedRows) {
  std::sort(selectedRows.begin(), selectedRows.end());
  selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
  for (auto it = selectedRows.rbegin(); it != selectedRows.rend(); ++it) {
    auto r = static_cast<std::size_t>(*it);
    if (*it < 0 || r >= settings.dataFileNames.size() || r + 2 >= settings.dataFiles.size())
      continue;
    settings.dataFiles.erase(settings.dataFiles.begin() + static_cast<std::ptrdiff_t>(r + 2));
    settings.dataFileNames.erase(settings.dataFileNames.begin() + static_cast<std::ptrdiff_t>(r));
    if (r + 2 < settings.decompressFlags.size())
      settings.decompressFlags.erase(settings.decompressFlags.begin() +
                                     static_cast<std::ptrdiff_t>(r + 2));
    --settings.noOfFiles;
  }
}

}  // namespace pf
