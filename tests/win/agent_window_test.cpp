// The agent with its windows, driven from outside the way a user would:
// the message box, the password prompt and the closing message.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "client7z/client7z.h"
#include "engine/header_writer.h"
#include "engine/merger.h"
#include "engine/password_encoding.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "tests/support/test_workspace.h"

namespace pf {
namespace {

constexpr int kPasswordEdit = 1001;  // IDE_PASSWORD in agent/agent_resources.h

std::u16string FromBuildTree(const char* path) {
  std::u16string p = u"Z:" + FromUtf8(path);
  std::replace(p.begin(), p.end(), u'/', u'\\');
  return p;
}

std::wstring TextOf(HWND w) {
  std::wstring t(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
  t.resize(static_cast<std::size_t>(GetWindowTextW(w, t.data(), static_cast<int>(t.size()))));
  return t;
}

BOOL CALLBACK AppendText(HWND child, LPARAM out) {
  *reinterpret_cast<std::wstring*>(out) += TextOf(child) + L"\n";
  return TRUE;
}

// All the text a dialog shows: its children's texts, joined.
std::wstring DialogText(HWND dialog) {
  std::wstring all;
  EnumChildWindows(dialog, AppendText, reinterpret_cast<LPARAM>(&all));
  return all;
}

struct Found {
  DWORD pid;
  HWND window = nullptr;
};

BOOL CALLBACK FindDialogOf(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<Found*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (owner == f->pid && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0) {
    f->window = w;
    return FALSE;
  }
  return TRUE;
}

// The first visible dialog-class window of process `pid`, waited for.
HWND WaitForDialog(DWORD pid, HANDLE process) {
  for (int i = 0; i < 400; ++i) {
    Found f{pid};
    EnumWindows(FindDialogOf, reinterpret_cast<LPARAM>(&f));
    if (f.window) return f.window;
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

struct Matching {
  DWORD pid;
  const std::function<bool(HWND)>* test;
  HWND window = nullptr;
};

BOOL CALLBACK FindMatching(HWND w, LPARAM p) {
  auto* m = reinterpret_cast<Matching*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (owner == m->pid && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0 && (*m->test)(w)) {
    m->window = w;
    return FALSE;
  }
  return TRUE;
}

// A visible dialog of process `pid` that passes `test`, waited for (other
// windows, such as the progress window, may be open beside it).
HWND WaitForDialogThat(DWORD pid, HANDLE process, const std::function<bool(HWND)>& test) {
  for (int i = 0; i < 400; ++i) {
    Matching m{pid, &test};
    EnumWindows(FindMatching, reinterpret_cast<LPARAM>(&m));
    if (m.window) return m.window;
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

// Presses a button and waits until that dialog is gone.
void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(25);
}

class AgentWindowTest : public ::testing::Test {
 protected:
  AgentWindowTest() {
    prog_ = ws_.Folder(u"prog");
    ws_.File(u"prog\\SelfExtractor.exe", test::ReadAll(FromBuildTree(PF_AGENT_EXE)));
    ws_.File(u"prog\\7z.dll", "codec stand-in: no archive is unpacked here");
    ws_.File(u"prog\\Client7z.dll", "client stand-in");
    data_ = ws_.File(u"data\\notes.txt", "notes for the window test\r\n");
    out_ = ws_.Path(u"out");
  }

  std::u16string Build(const std::u16string& password, const std::u16string& message) {
    std::vector<std::u16string> list{u"7z.dll", u"Client7z.dll", data_};
    ByteBuffer header;
    std::uint32_t total = 0;
    CreateHeaderArray(list, header, u"SelfExtractor.exe", u"", 3, total, {1, 1, 0, 0}, prog_,
                      password.empty() ? u"" : EncodePassword(password), message, u"About it", 0);
    MergeIntoSingleFile(header, ws_.root(), u"pkg", prog_ + u"\\SelfExtractor.exe", prog_, list, 3,
                        total);
    return ws_.root() + u"\\pkg.exe";
  }

  void Start(const std::u16string& package) {
    std::wstring cmd = L"\"" + ToWide(package) + L"\" \"/D=" + ToWide(out_) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    pid_ = pi.dwProcessId;
  }

  HWND Next() { return WaitForDialog(pid_, process_.get()); }

  DWORD ExitCode() {
    EXPECT_EQ(WaitForSingleObject(process_.get(), 20000), WAIT_OBJECT_0);
    DWORD code = 999;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }

  test::Workspace ws_;
  std::u16string prog_, data_, out_;
  pf::win::unique_handle process_;
  DWORD pid_ = 0;
};

TEST_F(AgentWindowTest, ShowsTheMessageThenExtractsAndSaysWhere) {
  Start(Build(u"", u"Hello from the package"));
  HWND about = Next();
  ASSERT_TRUE(about) << "no message box";
  EXPECT_EQ(TextOf(about), L"About it");
  EXPECT_NE(DialogText(about).find(L"Hello from the package"), std::wstring::npos);
  Press(about, IDOK);
  HWND done = Next();
  ASSERT_TRUE(done) << "no closing message";
  EXPECT_NE(DialogText(done).find(L"extracted to"), std::wstring::npos) << DialogText(done);
  Press(done, IDOK);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(test::ReadAll(out_ + u"\\notes.txt"), "notes for the window test\r\n");
}

TEST_F(AgentWindowTest, PasswordPromptRefusesAWrongOneAndTakesTheRightOne) {
  Start(Build(u"pass1", u""));
  HWND prompt = Next();
  ASSERT_TRUE(prompt && GetDlgItem(prompt, kPasswordEdit)) << "no password prompt";
  SetDlgItemTextW(prompt, kPasswordEdit, L"wrong");
  Press(prompt, IDOK);
  HWND refused = Next();
  ASSERT_TRUE(refused);
  EXPECT_NE(DialogText(refused).find(L"not correct"), std::wstring::npos) << DialogText(refused);
  EXPECT_FALSE(test::FileExists(out_ + u"\\notes.txt"));
  Press(refused, IDOK);
  prompt = Next();
  ASSERT_TRUE(prompt && GetDlgItem(prompt, kPasswordEdit)) << "the prompt did not come back";
  SetDlgItemTextW(prompt, kPasswordEdit, L"pass1");
  Press(prompt, IDOK);
  HWND done = Next();
  ASSERT_TRUE(done);
  Press(done, IDOK);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_TRUE(test::FileExists(out_ + u"\\notes.txt"));
}

TEST_F(AgentWindowTest, CancelAtThePasswordPromptWritesNothing) {
  Start(Build(u"pass1", u""));
  HWND prompt = Next();
  ASSERT_TRUE(prompt && GetDlgItem(prompt, kPasswordEdit));
  Press(prompt, IDCANCEL);
  EXPECT_EQ(ExitCode(), 4u);
  EXPECT_FALSE(test::FileExists(out_));
}

// A package whose archive is encrypted (as packforge-cli --encrypt makes
// it), with the real libraries: the agent's own prompt asks for the
// archive's password.
class EncryptedPackageWindowTest : public AgentWindowTest {
 protected:
  std::u16string BuildEncrypted(const wchar_t* password) {
    ws_.File(u"prog\\7z.dll", test::ReadAll(FromBuildTree(PF_CODEC_DLL)));
    ws_.File(u"prog\\Client7z.dll", test::ReadAll(FromBuildTree(PF_CLIENT_DLL)));
    std::wstring client = ToWide(prog_ + u"\\Client7z.dll");
    pf::win::unique_hmodule library(LoadLibraryW(client.c_str()));
    EXPECT_TRUE(library);
    auto pack = reinterpret_cast<int (*)(int, const wchar_t* const*, const wchar_t* const*, int,
                                         const Client7zOptions*)>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "DecompressEx")));
    EXPECT_NE(pack, nullptr);
    std::wstring archive = ToWide(ws_.Path(u"sealed.7z")), input = ToWide(data_);
    const wchar_t* argv[] = {client.c_str(), L"a", archive.c_str()};
    const wchar_t* files[] = {input.c_str()};
    Client7zOptions options{sizeof(options), nullptr, nullptr, password};
    EXPECT_EQ(pack ? pack(3, argv, files, 1, &options) : -1, kClient7zOk);
    std::vector<std::u16string> list{u"7z.dll", u"Client7z.dll", ws_.Path(u"sealed.7z")};
    ByteBuffer header;
    std::uint32_t total = 0;
    CreateHeaderArray(list, header, u"SelfExtractor.exe", u"", 3, total, {1, 1, 1, 0}, prog_, u"",
                      u"", u"", 0);
    MergeIntoSingleFile(header, ws_.root(), u"pkg", prog_ + u"\\SelfExtractor.exe", prog_, list, 3,
                        total);
    return ws_.root() + u"\\pkg.exe";
  }

  HWND Prompt() {
    return WaitForDialogThat(pid_, process_.get(),
                             [](HWND w) { return GetDlgItem(w, kPasswordEdit) != nullptr; });
  }
  HWND Saying(const wchar_t* text) {
    return WaitForDialogThat(pid_, process_.get(), [text](HWND w) {
      return DialogText(w).find(text) != std::wstring::npos;
    });
  }
  void Answer(const wchar_t* password) {
    HWND prompt = Prompt();
    ASSERT_TRUE(prompt) << "no password prompt";
    SetDlgItemTextW(prompt, kPasswordEdit, password);
    Press(prompt, IDOK);
  }
};

TEST_F(EncryptedPackageWindowTest, ThreeWrongAnswersEndWithTheWrongPasswordExitAndNothingWritten) {
  Start(BuildEncrypted(L"s\u00e9same"));
  for (const wchar_t* wrong : {L"sesame", L"S\u00e9same", L""}) {
    Answer(wrong);
    HWND refused = Saying(L"not correct");
    ASSERT_TRUE(refused) << "no refusal after " << ToUtf8(FromWide(wrong));
    EXPECT_FALSE(test::FileExists(out_ + u"\\notes.txt"));
    Press(refused, IDOK);
  }
  EXPECT_EQ(ExitCode(), 3u);
  EXPECT_FALSE(test::FileExists(out_));
}

TEST_F(EncryptedPackageWindowTest, AWrongAnswerThenTheRightOneExtracts) {
  Start(BuildEncrypted(L"s\u00e9same"));
  Answer(L"sesame");
  HWND refused = Saying(L"not correct");
  ASSERT_TRUE(refused);
  Press(refused, IDOK);
  Answer(L"s\u00e9same");
  HWND done = Saying(L"extracted to");
  ASSERT_TRUE(done) << "no closing message";
  Press(done, IDOK);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(test::ReadAll(out_ + u"\\notes.txt"), "notes for the window test\r\n");
}

}  // namespace
}  // namespace pf
