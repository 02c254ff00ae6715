// A page's Finish: the worker, the "Processing..." window, the result and
// the end of the process, with the build itself replaced.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/text.h"
#include "resources/resource.h"
#include "tests/win/scripted_wizard.h"
#include "tests/win/wizard_harness.h"

namespace pf::test {
namespace {

constexpr char16_t kProgressCaption[] = u"Processing...";
constexpr char16_t kBuilt[] = u"Self Extracting file has been successfully created";
constexpr char16_t kNotBuilt[] = u"Problem in creating the Self Extracting file";

// Waits from the worker for the progress window; the UI thread is inside
// its polling loop meanwhile.
HWND AwaitProgressWindow() {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (HWND window = FindVisibleWindow(kProgressCaption)) return window;
    std::this_thread::yield();
  }
  return nullptr;
}

struct Arguments {
  std::u16string programFolder;
  std::int32_t noOfFiles = 0;
  std::vector<std::u16string> dataFiles;
  std::u16string driverFilePath, outputFilepath, outputFileName;
  std::vector<std::int32_t> decompressFlags;
  std::u16string iconFilePath, aboutMessage, aboutTitle;
  std::int32_t extractFolderOption = 0;
  std::u16string password;
};

class BuildLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& s = wizard.sheet.settings;
    s.programFolder = u"C:\\Tools";
    s.noOfFiles = 3;
    s.dataFiles = {u"7z.dll", u"Client7z.dll", u"C:\\in\\notes.txt"};
    s.decompressFlags = {1, 1, -1};
    s.outputFilepath = u"C:\\out";
    s.outputFileName = u"setup";
    s.iconFilePath = u"C:\\art\\app.ico";
    s.aboutMessage = u"hello";
    s.aboutTitle = u"greeting";
    s.extractFolderOption = 2;
    s.password = u"fdb";
    s.driverFilePath = u"";
  }
  void TearDown() override {
    ui::SetBuildHook({});
    ui::SetStartWorkerHook({});
  }
  // The build: runs `body` on the worker and records what it was given.
  void ReplaceBuild(std::function<bool()> body) {
    ui::SetBuildHook(
        [this, body](std::u16string programFolder, std::int32_t noOfFiles,
                     std::vector<std::u16string> dataFiles, std::u16string driverFilePath,
                     std::u16string outputFilepath, std::u16string outputFileName,
                     std::vector<std::int32_t> decompressFlags, std::u16string iconFilePath,
                     std::u16string aboutMessage, std::u16string aboutTitle,
                     std::int32_t extractFolderOption, std::u16string password) {
          got = {programFolder,  noOfFiles,      dataFiles,           driverFilePath,
                 outputFilepath, outputFileName, decompressFlags,     iconFilePath,
                 aboutMessage,   aboutTitle,     extractFolderOption, password};
          builds.fetch_add(1);
          wizardDisabled = !IsWindowEnabled(wizard.window);
          return body();
        });
  }
  void Finish(int index) {
    wizard.Show(index);
    Click(wizard.Page(index), wizard.pages[index].controls().finish);
  }

  UiRecorder recorder;
  ScriptedWizard wizard;
  Arguments got;
  std::atomic<int> builds{0};
  std::atomic<bool> wizardDisabled{false};
};

TEST_F(BuildLaunch, SuccessIsReportedAfterTheProgressWindowThenTheProcessEnds) {
  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    UiRecorder pageRecorder;
    ShowWatcher shown;
    std::atomic<bool> progressSeen{false};
    std::u16string barClass;
    ReplaceBuild([&] {
      HWND progress = AwaitProgressWindow();
      progressSeen = progress != nullptr;
      if (progress) {
        barClass = ClassOf(GetDlgItem(progress, IDPB_PROGRESS));
        if (!GetDlgItem(progress, IDB_PROGRESS_CANCEL)) barClass += u"(no Cancel)";
      }
      return true;
    });
    Finish(index);
    EXPECT_TRUE(progressSeen);
    EXPECT_TRUE(shown.Shown(kProgressCaption));
    EXPECT_EQ(barClass, u"msctls_progress32");
    EXPECT_TRUE(wizardDisabled);
    EXPECT_EQ(builds.exchange(0), 1);
    EXPECT_EQ(
        pageRecorder.boxes(),
        (std::vector<RecordedBox>{{kBuilt, u"Kelo Self Extractor", MB_OK | MB_ICONINFORMATION}}));
    EXPECT_EQ(pageRecorder.events().back(), "exit:0");
    EXPECT_EQ(FindVisibleWindow(kProgressCaption), nullptr);
  }
}

TEST_F(BuildLaunch, FailureIsReportedWithTheErrorIcon) {
  ReplaceBuild([] { return false; });
  Finish(2);
  EXPECT_EQ(builds.load(), 1);
  EXPECT_EQ(recorder.boxes(),
            (std::vector<RecordedBox>{{kNotBuilt, u"Kelo Self Extractor", MB_OK | MB_ICONERROR}}));
  EXPECT_EQ(recorder.exits(), std::vector<UINT>{0});
}

TEST_F(BuildLaunch, TheEngineGetsTheSettingsInItsOrderAndTheRunEntryOfThePage) {
  ReplaceBuild([] { return true; });
  wizard.sheet.settings.driverFilePath = u"ignored.exe";
  wizard.pages[3].ownRunEntry = true;
  wizard.pages[3].runEntry = u"\"my prog.exe\"  arg1";
  Finish(3);
  ASSERT_EQ(builds.load(), 1);
  EXPECT_EQ(got.programFolder, u"C:\\Tools");
  EXPECT_EQ(got.noOfFiles, 3);
  EXPECT_EQ(got.dataFiles,
            (std::vector<std::u16string>{u"7z.dll", u"Client7z.dll", u"C:\\in\\notes.txt"}));
  EXPECT_EQ(got.driverFilePath, u"\"my prog.exe\"  arg1");
  EXPECT_EQ(got.outputFilepath, u"C:\\out");
  EXPECT_EQ(got.outputFileName, u"setup");
  EXPECT_EQ(got.decompressFlags, (std::vector<std::int32_t>{1, 1, -1}));
  EXPECT_EQ(got.iconFilePath, u"C:\\art\\app.ico");
  EXPECT_EQ(got.aboutMessage, u"hello");
  EXPECT_EQ(got.aboutTitle, u"greeting");
  EXPECT_EQ(got.extractFolderOption, 2);
  EXPECT_EQ(got.password, u"fdb");
}

TEST_F(BuildLaunch, ABuildDoneBeforeTheWindowFirstShowsEndsTheWaitAtOnce) {
  ReplaceBuild([] { return true; });
  // The worker runs to its end before the launch goes on.
  ui::SetStartWorkerHook([](std::function<void()> work) {
    std::thread worker(std::move(work));
    worker.join();
    return true;
  });
  ShowWatcher shown;
  Finish(0);
  EXPECT_EQ(builds.load(), 1);
  EXPECT_FALSE(shown.Shown(kProgressCaption));
  EXPECT_EQ(recorder.events(), (std::vector<std::string>{"box:" + ToUtf8(kBuilt), "exit:0"}));
}

TEST_F(BuildLaunch, AWorkerThatCannotStartIsReportedAtOnce) {
  ReplaceBuild([] { return true; });
  ui::SetStartWorkerHook([](std::function<void()>) { return false; });
  ShowWatcher shown;
  Finish(1);
  EXPECT_EQ(builds.load(), 0);
  EXPECT_FALSE(shown.Shown(kProgressCaption));
  EXPECT_EQ(recorder.events(), (std::vector<std::string>{"box:" + ToUtf8(kNotBuilt), "exit:0"}));
}

TEST_F(BuildLaunch, CancelOrClosingTheProgressWindowEndsTheProcessWithoutAMessage) {
  struct Case {
    const char* name;
    void (*press)(HWND progress);
  };
  const Case cases[] = {
      {"Cancel button",
       [](HWND progress) {
         DWORD_PTR ignored;
         SendMessageTimeoutW(GetDlgItem(progress, IDB_PROGRESS_CANCEL), BM_CLICK, 0, 0, SMTO_NORMAL,
                             10000, &ignored);
       }},
      {"close box",
       [](HWND progress) {
         DWORD_PTR ignored;
         SendMessageTimeoutW(progress, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, 10000, &ignored);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UiRecorder pageRecorder;
    std::atomic<bool> exitedDuringBuild{false};
    ReplaceBuild([&] {
      HWND progress = AwaitProgressWindow();
      if (!progress) return false;
      c.press(progress);
      exitedDuringBuild = pageRecorder.WaitForExit(std::chrono::seconds(10));
      return true;
    });
    Finish(3);
    EXPECT_TRUE(exitedDuringBuild);
    // In the program nothing follows the exit; here the first event must be it.
    auto events = pageRecorder.events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "exit:0");
  }
}

}  // namespace
}  // namespace pf::test
