// Reads the start of a file on a thread of its own and waits a bounded
// time: a path on a share that does not answer must not freeze the window
// that asked.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pf {

// The first `maxBytes` of the file, as os::ReadFilePrefix reads them; nothing
// when the read failed or had not finished within `limit` (the read then
// finishes, or not, on its own thread, and its result is dropped).
std::optional<std::vector<std::uint8_t>> ReadFilePrefixWithin(const std::u16string& path,
                                                              std::size_t maxBytes,
                                                              std::chrono::milliseconds limit);

}  // namespace pf
