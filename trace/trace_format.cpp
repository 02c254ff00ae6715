#include "trace/trace_format.h"

#include "platform/text.h"

namespace pf {

std::u16string FormatTrace(std::u16string_view format, std::initializer_list<TraceArg> args) {
  std::u16string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size() && out.size() < kMaxTraceMessage; ++i) {
    char16_t c = format[i];
    if (c != u'%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    char16_t spec = format[i + 1];
    if (spec == u'%') {
      out += u'%';
      ++i;
      continue;
    }
    if (spec != u's' && spec != u'd') {
      out += c;
      continue;
    }
    ++i;
    if (next == args.end()) continue;
    const auto& v = (next++)->value();
    if (spec == u's') {
      if (const auto* s = std::get_if<std::u16string_view>(&v)) out += *s;
    } else if (const auto* n = std::get_if<long long>(&v)) {
      // "%d" is a signed 32-bit conversion: larger values wrap as they would.
      auto text = std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(*n)));
      out.append(text.begin(), text.end());
    }
  }
  if (out.size() > kMaxTraceMessage) out.resize(kMaxTraceMessage);
  return out;
}

std::string EncodeLogLine(std::u16string_view message, os::LogTextForm form) {
  std::string bytes;
  if (form == os::LogTextForm::kUtf8Lf) {
    bytes = ToUtf8(message);
    bytes += '\n';
    return bytes;
  }
  bytes.reserve(message.size() + 2);
  auto put = [&bytes](char16_t c) {
    if (c == u'\n') {
      bytes += "\r\n";
    } else {
      bytes += c <= 0xFF ? static_cast<char>(c) : '?';
    }
  };
  for (char16_t c : message) put(c);
  put(u'\n');
  return bytes;
}

std::int32_t ScanSwitchFile(const std::vector<std::uint8_t>& bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size() && i < 14; i += 2) {
    char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == u'0') return 0;
    if (unit == u'1') return 1;
  }
  return 0;
}

std::vector<std::uint8_t> InitialSwitchFile() {
  std::vector<std::uint8_t> bytes;
  for (char c : std::string_view("debug0")) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(0);
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

}  // namespace pf
