#include "agent/agent_options.h"

namespace pf::agent {
namespace {

bool StartsWithSwitch(std::u16string_view arg, std::u16string_view sw) {
  if (arg.size() < sw.size()) return false;
  for (std::size_t i = 0; i < sw.size(); ++i) {
    char16_t c = arg[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != sw[i]) return false;
  }
  return true;
}

}  // namespace

AgentArguments ParseAgentArguments(const std::vector<std::u16string>& args) {
  AgentArguments out;
  for (const auto& a : args) {
    if (a.size() == 2 && StartsWithSwitch(a, u"/S")) {
      out.silent = true;
    } else if (StartsWithSwitch(a, u"/D=")) {
      if (a.size() == 3) {
        out.error = u"/D= needs a folder";
        return out;
      }
      out.folder = a.substr(3);
    } else if (StartsWithSwitch(a, u"/P=")) {
      out.password = a.substr(3);
    } else {
      out.error = u"unknown argument " + a;
      return out;
    }
  }
  return out;
}

std::u16string FolderBesidePackage(std::u16string_view packagePath) {
  std::size_t slash = packagePath.find_last_of(u"\\/");
  std::size_t nameStart = slash == std::u16string_view::npos ? 0 : slash + 1;
  std::u16string_view name = packagePath.substr(nameStart);
  std::size_t dot = name.rfind(u'.');
  std::u16string folder(packagePath.substr(0, nameStart));
  if (dot == std::u16string_view::npos || dot == 0)
    folder += std::u16string(name) + u"_files";
  else
    folder += name.substr(0, dot);
  return folder;
}

TargetChoice ChooseTargetFolder(std::int32_t option, const AgentArguments& args,
                                std::u16string_view packagePath, std::u16string_view tempFolder) {
  if (args.folder) return {*args.folder, false};
  if (option == 1) return {std::u16string(tempFolder), false};
  TargetChoice choice{FolderBesidePackage(packagePath), false};
  if (option == 2 && !args.silent) choice.askUser = true;
  return choice;
}

}  // namespace pf::agent
