// The pure parts of the trace log: message formatting, the line's bytes in
// the platform's text form, and the switch file's scan.
#pragma once
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/os.h"

namespace pf {

// One argument of a trace line: "%s" takes a string, "%d" an integer.
class TraceArg {
 public:
  TraceArg(std::u16string_view s) : value_(s) {}
  TraceArg(const std::u16string& s) : value_(std::u16string_view(s)) {}
  TraceArg(const char16_t* s) : value_(std::u16string_view(s)) {}
  template <std::integral T>
  TraceArg(T v) : value_(static_cast<long long>(v)) {}
  const std::variant<std::u16string_view, long long>& value() const { return value_; }

 private:
  std::variant<std::u16string_view, long long> value_;
};

// The longest formatted message, as the 2048-character buffer holds it.
inline constexpr std::size_t kMaxTraceMessage = 2047;

// printf-style: "%s" a string, "%d" a signed 32-bit integer, "%%" one "%".
// The result is cut at kMaxTraceMessage code units.
std::u16string FormatTrace(std::u16string_view format, std::initializer_list<TraceArg> args);

// The bytes of one line (message plus line end) in the log's text form:
// CRLF and one byte per character up to U+00FF ("?" above), or UTF-8 and LF.
std::string EncodeLogLine(std::u16string_view message, os::LogTextForm form);

// The switch file's scan: of the first 7 UTF-16LE code units, the first "0"
// switches the log off and the first "1" on; neither leaves it off.
std::int32_t ScanSwitchFile(const std::vector<std::uint8_t>& bytes);

// The switch file as first created: "debug0" in UTF-16LE and one NUL unit.
std::vector<std::uint8_t> InitialSwitchFile();

}  // namespace pf
