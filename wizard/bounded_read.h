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

// The start of a file and the file's whole size.
struct FileHead {
  std::vector<std::uint8_t> bytes;
  std::uint64_t size = 0;
};

// The first `maxBytes` of the file, as os::ReadFilePrefix reads them, and its
// size; nothing when either failed or had not finished within `limit` (they
// then finish, or not, on their own thread, and the result is dropped).
std::optional<FileHead> ReadFileHeadWithin(const std::u16string& path, std::size_t maxBytes,
                                           std::chrono::milliseconds limit);

}  // namespace pf
