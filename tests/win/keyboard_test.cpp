// The wizard by keyboard, with real key events in the sheet's own modal
// loop: Enter is the page's Next (Finish on the last page) with its checks
// and never ends the program, the mnemonics do what a click does, and
// Escape is the sheet's standard cancel.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/support/test_workspace.h"
#include "tests/win/modal_wizard.h"

namespace pf::test {
namespace {

class Keyboard : public ::testing::Test {
 protected:
  Workspace workspace;
  std::u16string dataFile = workspace.File(u"notes.txt", "some notes");
  std::u16string outFolder = workspace.Folder(u"out");
  ModalWizard wizard;

  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const RecordedBox& box : wizard.recorder.boxes())
      texts.emplace_back(box.text.begin(), box.text.end());
    return texts;
  }
  std::string LastBox() {
    auto boxes = Boxes();
    return boxes.empty() ? std::string() : boxes.back();
  }
};

TEST_F(Keyboard, EnterInEachSingleLineBoxIsThatPagesNextOrFinish) {
  wizard.recorder.fileOpenAnswers = {{dataFile}};
  wizard.Run([&] {
    // Page 0, nothing added: the case, the page's own message.
    for (int box : {IDE_FILE_NAME, IDE_DESTINATION_PATH}) {
      SCOPED_TRACE(box);
      std::size_t before = Boxes().size();
      wizard.Focus(0, box);
      wizard.Type(u"setup");
      wizard.Press(VK_RETURN);
      EXPECT_EQ(Boxes().size(), before + 1);
      EXPECT_EQ(LastBox(), "Add files for extraction.");
      EXPECT_EQ(wizard.ActiveIndex(), 0);
      wizard.SetText(0, box, u"");
    }
    wizard.Alt('a');
    wizard.Focus(0, IDE_DESTINATION_PATH);
    wizard.Type(outFolder);
    wizard.Focus(0, IDE_FILE_NAME);
    wizard.Press(VK_RETURN);
    EXPECT_EQ(LastBox(), "Please give a name for your output file.");
    EXPECT_EQ(wizard.ActiveIndex(), 0);
    wizard.Type(u"setup");
    wizard.Press(VK_RETURN);
    ASSERT_EQ(wizard.ActiveIndex(), 1);

    // Page 1: the icon box; the multi-line boxes keep Enter for a new line.
    wizard.Focus(1, IDE_ICON_FILE);
    wizard.Type(u"C:\\nowhere\\missing.ico");
    wizard.Press(VK_RETURN);
    EXPECT_EQ(LastBox(), "Invalid File");
    EXPECT_EQ(wizard.ActiveIndex(), 1);
    wizard.SetText(1, IDE_ICON_FILE, u"");
    std::size_t boxesBefore = Boxes().size();
    for (int box : {IDE_ABOUT_MESSAGE, IDE_ABOUT_TITLE}) {
      SCOPED_TRACE(box);
      wizard.Focus(1, box);
      wizard.Type(u"a");
      wizard.Press(VK_RETURN);
      wizard.Type(u"b");
      std::u16string text = wizard.Text(1, box);
      EXPECT_TRUE(text == u"a\rb" || text == u"a\r\nb") << std::string(text.begin(), text.end());
      EXPECT_EQ(wizard.ActiveIndex(), 1);
      wizard.SetText(1, box, u"");
    }
    EXPECT_EQ(Boxes().size(), boxesBefore);
    wizard.Focus(1, IDE_ICON_FILE);
    wizard.Press(VK_RETURN);
    ASSERT_EQ(wizard.ActiveIndex(), 2);

    // Page 2: both password boxes.
    wizard.Focus(2, IDX_PROTECT);
    wizard.Press(VK_SPACE);
    ASSERT_TRUE(wizard.Enabled(2, IDE_PASSWORD));
    wizard.Focus(2, IDE_PASSWORD);
    wizard.Type(u"abc");
    wizard.Press(VK_RETURN);
    EXPECT_EQ(LastBox(), "Confirm password.");
    wizard.Focus(2, IDE_CONFIRM);
    wizard.Type(u"abd");
    wizard.Press(VK_RETURN);
    EXPECT_EQ(LastBox(), "Password does not match.");
    EXPECT_EQ(wizard.ActiveIndex(), 2);
    wizard.SetText(2, IDE_CONFIRM, u"");
    wizard.Type(u"abc");
    wizard.Press(VK_RETURN);
    ASSERT_EQ(wizard.ActiveIndex(), 3);

    // Page 3: Enter is Finish, with its check, then the build.
    wizard.Focus(3, IDX_RUN_FILE);
    wizard.Press(VK_SPACE);
    wizard.Focus(3, IDR_COMMAND);
    wizard.Press(VK_SPACE);
    ASSERT_TRUE(wizard.Enabled(3, IDE_COMMAND));
    wizard.Focus(3, IDE_COMMAND);
    wizard.Press(VK_RETURN);
    EXPECT_EQ(LastBox(), "Details Missing");
    EXPECT_TRUE(wizard.builds().empty());
    wizard.Type(u"notes.txt /quiet");
    wizard.Press(VK_RETURN);
    ASSERT_TRUE(ModalWizard::WaitUntil([&] { return !wizard.recorder.exits().empty(); }));
    ASSERT_EQ(wizard.builds().size(), 1u);
    BuildCall build = wizard.builds().front();
    EXPECT_EQ(build.outputFilepath, outFolder);
    EXPECT_EQ(build.outputFileName, u"setup");
    EXPECT_EQ(build.driverFilePath, u"notes.txt /quiet");
    EXPECT_FALSE(build.password.empty());
    EXPECT_EQ(LastBox(), "Self Extracting file has been successfully created");
    EXPECT_EQ(wizard.recorder.exits(), std::vector<UINT>{0});
  });
  // Only the build's own end asked for an exit: no Enter ended the run.
  EXPECT_TRUE(wizard.closedByHarness);
}

TEST_F(Keyboard, EnterOnAFocusedButtonOrLinkPressesIt) {
  wizard.Run([&] {
    wizard.Focus(0, IDB_REMOVE);
    wizard.Press(VK_RETURN);
    EXPECT_EQ(LastBox(), "Please select any File in the List to Remove");
    EXPECT_EQ(wizard.ActiveIndex(), 0);
    wizard.Focus(0, IDK_HOME_HELP);
    wizard.Press(VK_RETURN);
    EXPECT_EQ(wizard.recorder.shellCalls().size(), 2u);  // the manual, then its relative path
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(wizard.ActiveIndex(), 0);
  });
  EXPECT_TRUE(wizard.recorder.exits().empty());
}

TEST_F(Keyboard, EscapeEndsTheModalRunWithoutAProcessExit) {
  for (int page : {0, 2}) {
    SCOPED_TRACE(page);
    ModalWizard run;
    run.Run([&] {
      if (page > 0) {
        run.OnUi([&] { run.wizard.sheet.SetActivePage(page); });
        ASSERT_EQ(run.ActiveIndex(), page);
      }
      run.Focus(page, page == 0 ? IDE_FILE_NAME : IDR_TEMP_FOLDER);
      run.Press(VK_ESCAPE);
      EXPECT_TRUE(ModalWizard::WaitUntil([&] { return !run.SheetOpen(); }));
    });
    EXPECT_FALSE(run.closedByHarness);
    EXPECT_TRUE(run.recorder.exits().empty());
  }
}

// A control of each page that keeps the focus while the letters are pressed.
constexpr int kFocusedBox[] = {IDE_FILE_NAME, IDE_ICON_FILE, IDX_PROTECT, IDX_RUN_FILE};

// Each row: on `page`, Alt + `letter`, then `holds` says what a click on
// that control would have done.
TEST_F(Keyboard, MnemonicsDoWhatAClickDoes) {
  std::u16string wrongIcon = dataFile;
  wizard.recorder.fileOpenAnswers = {{dataFile}, {wrongIcon}};
  wizard.recorder.folderAnswers = {outFolder};
  struct Row {
    int page;
    char letter;
    const char* what;
    std::function<bool()> holds;
  };
  auto boxed = [&](const char* text) { return [&, text] { return LastBox() == text; }; };
  auto on = [&](int index) { return [&, index] { return wizard.ActiveIndex() == index; }; };
  auto checked = [&](int page, int id) {
    return [&, page, id] { return wizard.Checked(page, id); };
  };
  std::vector<Row> rows = {
      {0, 'r', "Remove with nothing chosen", boxed("Please select any File in the List to Remove")},
      {0, 'a', "Add",
       [&] {
         return wizard.recorder.fileOpenCalls().size() == 1 &&
                wizard.wizard.sheet.settings.noOfFiles == 3;
       }},
      {0, 'b', "Browse for the folder",
       [&] { return wizard.Text(0, IDE_DESTINATION_PATH) == outFolder; }},
      {0, 'n', "Next, no name yet", boxed("Please give a name for your output file.")},
      {0, 'f', "Finish, no name yet", boxed("Please give a name for your output file.")},
      {0, 'c', "Cancel", [&] { return wizard.recorder.exits() == std::vector<UINT>{0}; }},
      {1, 'r', "Browse for the icon",
       [&] {
         return wizard.Text(1, IDE_ICON_FILE) == wrongIcon &&
                wizard.recorder.fileOpenCalls().back().filterPattern == u"*.ico";
       }},
      {1, 'n', "Next with a wrong icon", boxed("Invalid File")},
      {1, 'b', "Back", on(0)},
      {2, 't', "Temp folder", checked(2, IDR_TEMP_FOLDER)},
      {2, 'u', "User chooses", checked(2, IDR_CHOOSE_FOLDER)},
      {2, 'd', "Default folder", checked(2, IDR_DEFAULT_FOLDER)},
      {2, 'p', "Password protect",
       [&] { return wizard.Checked(2, IDX_PROTECT) && wizard.Enabled(2, IDE_PASSWORD); }},
      {2, 'n', "Next, no password",
       boxed("Please enter a valid password or uncheck if you dont want a password.")},
      {2, 'b', "Back", on(1)},
      {3, 'n', "Next, disabled here", [&] { return wizard.ActiveIndex() == 3; }},
      {3, 'b', "Back", on(2)},
      {3, 'c', "Cancel",
       [&] {
         return wizard.recorder.exits() == std::vector<UINT>{0, 0};
       }},
      {3, 'f', "Finish", [&] { return wizard.builds().size() == 1; }},
  };
  wizard.Run([&] {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(1, row.letter) + ": " + row.what);
      if (wizard.ActiveIndex() != row.page) {
        wizard.SetText(0, IDE_FILE_NAME, u"setup");
        wizard.OnUi([&] { wizard.wizard.sheet.SetActivePage(row.page); });
        ASSERT_EQ(wizard.ActiveIndex(), row.page);
      }
      std::size_t boxes = Boxes().size();
      wizard.Focus(row.page, kFocusedBox[row.page]);
      wizard.Alt(row.letter);
      EXPECT_TRUE(row.holds()) << "last box: " << LastBox() << ", boxes: " << Boxes().size()
                               << ", file-open calls: " << wizard.recorder.fileOpenCalls().size();
      // A box is shown only where the click shows one.
      if (row.what == std::string("Next, disabled here")) {
        EXPECT_EQ(Boxes().size(), boxes);
        EXPECT_TRUE(wizard.builds().empty());
      }
    }
  });
}

}  // namespace
}  // namespace pf::test
