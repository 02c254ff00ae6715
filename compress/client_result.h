// What a result of the compression client means, in words for the user.
#pragma once
#include <string>
#include <vector>

namespace pf {

// One sentence for a non-zero result of "Decompress"; `path` is the file it
// concerns, appended after a colon when known.
std::u16string DescribeClientResult(int result, const std::u16string& path);

// The file a failed pack ("a") concerns, where the result and the file
// system can tell: the first file to pack that is missing or cannot be
// read, the second of two with one name, or the archive or codec copy.
// Empty when none can be named.
std::u16string FileBehindPackResult(int result, const std::vector<std::u16string>& files,
                                    const std::u16string& archivePath,
                                    const std::u16string& codecPath);

}  // namespace pf
