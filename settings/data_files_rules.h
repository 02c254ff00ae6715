// The decisions of the data-files page, shared by the page and the console
// front end.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/build_settings.h"
#include "settings/message_icon.h"

namespace pf {

// A package holds the two libraries and at most this many user files.
inline constexpr std::int32_t kMaxUserFiles = 254;

// The text after the last "." of a file name; the whole name without one.
std::u16string ExtensionOf(std::u16string_view name);
// One of the archive types that get a checkbox; letter case counts.
bool IsArchiveExtension(std::u16string_view extension);
// Shortcuts are refused: "lnk", exactly.
bool IsShortcutExtension(std::u16string_view extension);

// Why a file may not join the list, or nothing. `existing` holds the full
// paths already in the list.
std::optional<UserMessage> CheckFileToAdd(const std::vector<std::u16string>& existing,
                                          const std::u16string& path);

enum class RowCheck { kChecked, kUnchecked, kNone };
// Sets entries 0 and 1 to the libraries and the flags from the rows' check
// states (left untouched with no rows).
void Collect(BuildSettings& settings, const std::vector<RowCheck>& rows);

// Whether an entry of `exeNames` (names in the destination folder matching
// "*.exe") is outputFileName + ".exe" as the file system compares names.
bool NameTaken(const std::vector<std::u16string>& exeNames, std::u16string_view outputFileName);

struct DestinationState {
  std::int32_t userFiles = 0;  // rows in the list
  std::u16string outputFilepath;
  std::u16string outputFileName;
  bool folderFound = false;
  bool nameFree = true;
};

// Why Windows would turn outputFileName + ".exe" into something other than
// a package file (a ":" makes an alternate data stream; a device name stays
// a device), or nothing. Characters Windows refuses outright are left to
// the write, which reports them.
std::optional<std::u16string> ManglingReason(std::u16string_view outputFileName);

// Looks the destination up: the folder exactly as typed, and the names.
DestinationState CheckDestination(std::int32_t userFiles, const std::u16string& outputFilepath,
                                  const std::u16string& outputFileName);

// What a validation decided.
struct PageDecision {
  enum class Action { kStay, kAskOverwrite, kProceed };
  Action action = Action::kStay;
  std::optional<UserMessage> message;  // shown before staying
  bool operator==(const PageDecision&) const = default;
};

inline constexpr std::u16string_view kOverwriteQuestion =
    u"File name already exist,contnuing the action will overwrite the file.";

PageDecision ValidateForNext(const DestinationState& state);
PageDecision ValidateForFinish(const DestinationState& state);

}  // namespace pf

namespace pf {

// The Size column: the size in bytes as an unsigned decimal, or a clear
// text when the file's status cannot be read.
std::u16string SizeColumnText(std::optional<std::uint64_t> size);

// The Modified column in the runtime's "%c" form of the default locale:
// month/day/two-digit-year hours:minutes:seconds, local time.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;  // month 1-12
};
std::u16string ModifiedColumnText(const LocalTime& t);
inline constexpr std::u16string_view kTimeUnavailable = u"time unavailable";

// The list's item-changing rule: whether a row's state may change from
// `oldState` to `newState` (state image bits of the list view: 0 none,
// 1 unchecked, 2 checked, in bits 12-15). `adding` is true while the row
// is being inserted, `archive` whether its extension is an archive type.
// The page asks for "checked" and then for "no checkbox" on every new row;
// this rule lets exactly one of them through, whether or not the list
// view asked before giving the row its unchecked box.
bool AllowRowStateChange(bool adding, bool archive, unsigned oldStateImage, unsigned newStateImage);

// Removes the selected rows (indices into the list, any order) from the
// settings' lists, keeping row r at dataFiles[r + 2] and dataFileNames[r].
void RemoveRows(BuildSettings& settings, std::vector<int> selectedRows);

}  // namespace pf
