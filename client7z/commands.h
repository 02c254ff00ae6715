// The two commands of Decompress; each returns a Client7zResult.
#pragma once
#include <string>
#include <vector>

#include "client7z/codec.h"

namespace client7z {

// "a": the files, in order, into a new archive that replaces archivePath.
int PackFiles(const Codec& codec, const std::wstring& archivePath,
              const std::vector<std::wstring>& files);

// "x": every safe entry of archivePath into targetFolder.
int UnpackArchive(const Codec& codec, const std::wstring& archivePath,
                  const std::wstring& targetFolder);

// Makes `folder` (a long path) and every missing folder above it.
bool CreateFolders(const std::wstring& folder);

}  // namespace client7z
