// The open-file dialog's selection buffer, as the default dialog reads it.
#include <gtest/gtest.h>

#include "wizard/ui_hooks.h"

namespace pf::ui {
namespace {

TEST(FileOpenSelection, OnePathOrAFolderWithItsNames) {
  using namespace std::string_literals;
  struct Case {
    std::wstring buffer;
    std::vector<std::u16string> paths;
  };
  const Case cases[] = {
      {L"C:\\in\\a.zip\0\0"s, {u"C:\\in\\a.zip"}},
      {L"C:\\in\0a.zip\0b.txt\0c.ZIP\0\0"s, {u"C:\\in\\a.zip", u"C:\\in\\b.txt", u"C:\\in\\c.ZIP"}},
      // A drive root already ends with its separator.
      {L"C:\\\0a.zip\0b.txt\0\0"s, {u"C:\\a.zip", u"C:\\b.txt"}},
      {L"\0\0"s, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitOpenFileSelection(c.buffer), c.paths);
  }
}

}  // namespace
}  // namespace pf::ui
