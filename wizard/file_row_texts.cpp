#include "wizard/file_row_texts.h"

#include <windows.h>

#include <ctime>

#include "platform/os.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "settings/data_files_rules.h"

namespace pf {
namespace {

// 100-nanosecond ticks between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ULL;

std::u16string LocalTimeText(const FILETIME& written) {
  std::uint64_t ticks =
      (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  if (ticks < kUnixEpochTicks) return {};
  auto seconds = static_cast<__time64_t>((ticks - kUnixEpochTicks) / 10000000ULL);
  std::tm local{};
  if (_localtime64_s(&local, &seconds) != 0) return {};
  return ModifiedColumnText({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                             local.tm_min, local.tm_sec});
}

}  // namespace

std::u16string SizeTextOf(const std::u16string& path) {
  return SizeColumnText(os::StatSize(path));
}

std::u16string ModifiedTextOf(const std::u16string& path) {
  WIN32_FIND_DATAW found{};
  win::unique_hfind find(FindFirstFileW(ToWide(path).c_str(), &found));
  if (!find) return std::u16string(kTimeUnavailable);
  return LocalTimeText(found.ftLastWriteTime);
}

}  // namespace pf
