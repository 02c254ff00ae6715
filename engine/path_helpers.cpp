#include "engine/path_helpers.h"

#include <algorithm>

#include "trace/trace_log.h"

namespace pf {

std::u16string LastPathElement(std::u16string_view path) {
  auto slash = path.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::u16string GetDataFileName(const std::u16string& fileName) {
  Write(u"Entered GetDataFileName:- fileName: %s\t", fileName);
  std::u16string revName(fileName.rbegin(), fileName.rend());
  Write(u"GetDataFileName:- revName-%s", revName);
  std::u16string appendName = revName.substr(0, revName.find(u'\\'));
  Write(u"GetDataFileName:- appendName-%s", appendName);
  std::u16string filename(appendName.rbegin(), appendName.rend());
  Write(u"GetDataFileName:- filename-%s", filename);
  Write(u"Exited GetDataFileName");
  return filename;
}

void AppendElementToPath(std::u16string& outputPath, const std::u16string& first,
                         const std::u16string& second) {
  Write(u"Entered AppendElementToPath:-");
  outputPath += first;
  outputPath += u'\\';
  outputPath += second;
  Write(u"AppendElementToPath:- outputPath-%s", outputPath);
  Write(u"Exited AppendElementToPath:-");
}

}  // namespace pf
