// Gives the agent the chosen icon, or the default one, before it is copied.
#pragma once
#include <string>

namespace pf {

void SetIconForSelfExtractorAgent(const std::u16string& iconFilePath,
                                  const std::u16string& LiveExtractorFilePath,
                                  const std::u16string& programFolder);

}  // namespace pf
