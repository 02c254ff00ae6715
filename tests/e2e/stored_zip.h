// A zip archive with stored (uncompressed) entries: a real archive for the
// end-to-end test without a tool to make one.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace pf::test {

// Entries as (name, bytes); returns the whole archive.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace pf::test
