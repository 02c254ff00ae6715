#include "engine/locate_file.h"

#include "engine/build_failure.h"
#include "engine/path_helpers.h"
#include "platform/os.h"
#include "trace/trace_log.h"

namespace pf {

std::u16string LocateFile(const std::u16string& programFolder, const std::u16string& name) {
  if (os::Exists(name)) return name;
  std::u16string candidate;
  AppendElementToPath(candidate, programFolder, name);
  if (os::Exists(candidate)) return candidate;
  // This text is written whatever file was being looked for.
  Write(u"Self Extractor Agent File Not found");
  throw BuildFailure{};
}

}  // namespace pf
