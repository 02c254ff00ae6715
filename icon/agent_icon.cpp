#include "icon/agent_icon.h"

namespace pf {

// Until the icon step arrives, the agent keeps its own icon.
void SetIconForSelfExtractorAgent(const std::u16string&, const std::u16string&,
                                  const std::u16string&) {}

}  // namespace pf
