#include "cli/cli_options.h"

#include <algorithm>
#include <optional>

#include "engine/path_helpers.h"
#include "icon/ico_file.h"
#include "packforge_version.h"
#include "platform/os.h"
#include "platform/text.h"
#include "settings/data_files_rules.h"
#include "settings/page_rules.h"

namespace pf {
namespace {

struct Raw {
  std::vector<std::u16string> files;  // as given, in order
  std::vector<std::u16string> keepPacked;
  std::optional<std::u16string> outputDir, name, icon, message, title, extractTo, password, run;
  std::optional<std::u16string> passwordFile;
  bool encrypt = false;
  bool quiet = false;
};

inline constexpr std::size_t kMaxArchivePassword = 127;
inline constexpr std::size_t kMaxPasswordFileBytes = 4096;

// Reads one option's value: "--opt VALUE" or "--opt=VALUE".
bool TakeValue(const std::vector<std::u16string>& args, std::size_t& i,
               std::u16string_view inlineValue, bool hasInline, std::u16string& out) {
  if (hasInline) {
    out = std::u16string(inlineValue);
    return true;
  }
  if (i + 1 >= args.size()) return false;
  out = args[++i];
  return true;
}

std::u16string Parse(const std::vector<std::u16string>& args, Raw& raw, bool& help, bool& version) {
  bool onlyFiles = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string& a = args[i];
    if (onlyFiles || a.empty() || a[0] != u'-' || a == u"-") {
      raw.files.push_back(a);
      continue;
    }
    if (a == u"--") {
      onlyFiles = true;
      continue;
    }
    if (a == u"-h" || a == u"--help") {
      help = true;
      continue;
    }
    if (a == u"--version") {
      version = true;
      continue;
    }
    if (a == u"--encrypt") {
      raw.encrypt = true;
      continue;
    }
    if (a == u"-q" || a == u"--quiet") {
      raw.quiet = true;
      continue;
    }
    auto eq = a.find(u'=');
    bool hasInline = a.rfind(u"--", 0) == 0 && eq != std::u16string::npos;
    std::u16string key = hasInline ? a.substr(0, eq) : a;
    std::u16string_view inlineValue =
        hasInline ? std::u16string_view(a).substr(eq + 1) : std::u16string_view();
    std::optional<std::u16string>* slot = nullptr;
    if (key == u"-o" || key == u"--output-dir")
      slot = &raw.outputDir;
    else if (key == u"-n" || key == u"--name")
      slot = &raw.name;
    else if (key == u"--icon")
      slot = &raw.icon;
    else if (key == u"--message")
      slot = &raw.message;
    else if (key == u"--title")
      slot = &raw.title;
    else if (key == u"--extract-to")
      slot = &raw.extractTo;
    else if (key == u"--password")
      slot = &raw.password;
    else if (key == u"--password-file")
      slot = &raw.passwordFile;
    else if (key == u"--run")
      slot = &raw.run;
    std::u16string value;
    if (key == u"--keep-packed") {
      if (!TakeValue(args, i, inlineValue, hasInline, value)) return key + u" needs a value";
      raw.keepPacked.push_back(value);
      raw.files.push_back(value);
      continue;
    }
    if (!slot) return u"unknown option " + a;
    if (!TakeValue(args, i, inlineValue, hasInline, value)) return key + u" needs a value";
    *slot = value;
  }
  return {};
}

std::u16string MessageText(const UserMessage& m) {
  return m.text;
}

// The password of --password or --password-file: the file's text as UTF-8
// (a byte-order mark and one line end dropped). Sets `error` when it cannot
// be had.
std::optional<std::u16string> PasswordGiven(const Raw& raw, std::u16string& error) {
  if (raw.password && raw.passwordFile) {
    error = u"give --password or --password-file, not both";
    return std::nullopt;
  }
  if (!raw.passwordFile) return raw.password;
  auto bytes = os::ReadFilePrefix(os::FullPath(*raw.passwordFile), kMaxPasswordFileBytes + 1);
  if (!bytes) {
    error = u"cannot read the password file " + *raw.passwordFile;
    return std::nullopt;
  }
  if (bytes->size() > kMaxPasswordFileBytes) {
    error = u"the password file is too large: " + *raw.passwordFile;
    return std::nullopt;
  }
  std::string text(bytes->begin(), bytes->end());
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  std::u16string password = FromUtf8(text);
  if (password.find(u'\xFFFD') != std::u16string::npos) {
    error = u"the password file is not UTF-8 text: " + *raw.passwordFile;
    return std::nullopt;
  }
  return password;
}

// --encrypt: every input must travel inside the encrypted archive. An
// archive kept packed goes in as an ordinary file; one that would be
// unpacked at extraction would travel in the clear, so it is refused.
std::u16string EncryptEveryInput(BuildSettings& s, const std::vector<RowCheck>& rows) {
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (rows[r] == RowCheck::kChecked)
      return u"with --encrypt, " + s.dataFiles[r + 2] +
             u" would be unpacked at extraction and travel outside the encrypted archive; pass "
             u"it with --keep-packed to carry it inside";
    s.decompressFlags[r + 2] = -1;
  }
  return {};
}

// The archive's password for --encrypt: 1 to 127 characters.
std::u16string CheckArchivePassword(const std::optional<std::u16string>& password) {
  if (!password) return u"--encrypt needs --password or --password-file";
  if (password->empty() || password->size() > kMaxArchivePassword)
    return u"with --encrypt the password has 1 to 127 characters";
  if (password->find(u'\0') != std::u16string::npos)
    return u"the password cannot hold a NUL character";
  return {};
}

}  // namespace

std::u16string CliUsage() {
  return u"usage: packforge-cli [options] FILE...\n"
         u"  -o, --output-dir DIR     folder for the package (required)\n"
         u"  -n, --name NAME          package name; \".exe\" is appended (required)\n"
         u"      --icon FILE          .ico for the package (default icon otherwise)\n"
         u"      --message TEXT       message shown while extracting (at most 300)\n"
         u"      --title TEXT         its title (at most 30)\n"
         u"      --extract-to WHERE   default | temp | ask\n"
         u"      --password TEXT      1 to 8 characters, stored encoded (a gate, not\n"
         u"                           encryption); with --encrypt, 1 to 127\n"
         u"      --password-file FILE the password is this file's first line (UTF-8)\n"
         u"      --encrypt            encrypt the archive and its file names (AES-256)\n"
         u"                           with the password; every input travels inside\n"
         u"      --run TEXT           file or command to run after extraction\n"
         u"      --keep-packed FILE   this archive travels as it is, not unpacked\n"
         u"  -q, --quiet              show only errors: no progress, no closing line\n"
         u"  -h, --help\n"
         u"      --version            print the version and exit\n";
}

std::u16string CliVersion() {
  return u"packforge-cli " PF_VERSION_STRING;
}

CliRequest ParseCliArguments(const std::vector<std::u16string>& args,
                             const std::u16string& programFolder) {
  CliRequest req;
  Raw raw;
  if (auto error = Parse(args, raw, req.help, req.version); !error.empty()) {
    req.error = error;
    return req;
  }
  if (req.help || req.version) return req;
  req.quiet = raw.quiet;
  BuildSettings& s = req.settings;
  s.programFolder = programFolder;

  // The data-files page: each file as Add would take it.
  std::vector<std::u16string> keepFull;
  for (const auto& k : raw.keepPacked) keepFull.push_back(os::FullPath(k));
  std::vector<RowCheck> rows;
  std::vector<std::u16string> added;
  for (const auto& f : raw.files) {
    std::u16string full = os::FullPath(f);
    if (std::find(added.begin(), added.end(), full) != added.end() &&
        std::find(keepFull.begin(), keepFull.end(), full) != keepFull.end())
      continue;  // listed and also kept packed: once, kept packed
    if (!os::Exists(full) || !os::StatSize(full)) {
      req.error = u"cannot find the file " + f;
      return req;
    }
    if (auto refusal = CheckFileToAdd(added, full)) {
      req.error = MessageText(*refusal);
      return req;
    }
    std::u16string name = LastPathElement(full);
    bool archive = IsArchiveExtension(ExtensionOf(name));
    bool keep = std::find(keepFull.begin(), keepFull.end(), full) != keepFull.end();
    if (keep && !archive) {
      req.error = u"--keep-packed takes an archive (7z, tar, zip, ...): " + f;
      return req;
    }
    added.push_back(full);
    s.dataFiles.push_back(full);
    s.dataFileNames.push_back(name);
    rows.push_back(!archive ? RowCheck::kNone : keep ? RowCheck::kUnchecked : RowCheck::kChecked);
  }
  s.noOfFiles = static_cast<std::int32_t>(s.dataFiles.size());
  Collect(s, rows);
  if (raw.encrypt) {
    if (auto refusal = EncryptEveryInput(s, rows); !refusal.empty()) {
      req.error = refusal;
      return req;
    }
  }

  s.outputFilepath = raw.outputDir.value_or(u"");
  s.outputFileName = raw.name.value_or(u"");
  // A trailing separator would fail the folder test; a script means the folder.
  while (s.outputFilepath.size() > 1 &&
         (s.outputFilepath.back() == u'\\' || s.outputFilepath.back() == u'/') &&
         s.outputFilepath[s.outputFilepath.size() - 2] != u':')
    s.outputFilepath.pop_back();
  if (!s.outputFilepath.empty()) s.outputFilepath = os::FullPath(s.outputFilepath);
  auto destination =
      CheckDestination(static_cast<std::int32_t>(rows.size()), s.outputFilepath, s.outputFileName);
  auto decision = ValidateForFinish(destination);
  if (decision.action == PageDecision::Action::kAskOverwrite) {
    // No one to ask: a script that names an existing package replaces it.
    destination.nameFree = true;
    decision = ValidateForFinish(destination);
    if (decision.action == PageDecision::Action::kProceed)
      req.notes.push_back(u"replacing the existing " + s.outputFilepath + u"\\" + s.outputFileName +
                          u".exe");
  }
  if (decision.message) {
    req.error = MessageText(*decision.message);
    return req;
  }

  // The icon and message page.
  s.iconFilePath = raw.icon ? os::FullPath(*raw.icon) : u"";
  std::u16string message = raw.message.value_or(u"");
  std::u16string title = raw.title.value_or(u"");
  std::u16string iconPath = raw.icon.value_or(u"").empty() ? u"" : s.iconFilePath;
  // The page's further file check: what the build would refuse is refused here.
  bool suspect = !iconPath.empty() && IsAcceptableIconPath(iconPath) &&
                 IsSuspectIconFile(os::ReadFilePrefix(iconPath, kIcoDirectoryMaxBytes),
                                   os::StatSize(iconPath).value_or(0));
  if (auto m = ValidateIconPage(iconPath, message, title, suspect)) {
    req.error = MessageText(*m);
    return req;
  }
  s.aboutMessage = message;
  s.aboutTitle = title;

  // The extraction folder and password page.
  std::u16string where = raw.extractTo.value_or(u"default");
  if (where == u"default")
    s.extractFolderOption = FolderOptionOf(false, false);
  else if (where == u"temp")
    s.extractFolderOption = FolderOptionOf(true, false);
  else if (where == u"ask")
    s.extractFolderOption = FolderOptionOf(false, true);
  else {
    req.error = u"--extract-to takes default, temp or ask";
    return req;
  }
  auto password = PasswordGiven(raw, req.error);
  if (!req.error.empty()) return req;
  if (raw.encrypt) {
    // Nothing reversible in the header: the gate stays empty.
    req.error = CheckArchivePassword(password);
    if (!req.error.empty()) return req;
    req.archivePassword = *password;
  } else if (password) {
    if (password->size() > kMaxPassword) {
      req.error = u"The password can be at most 8 characters.";
      return req;
    }
    auto p = ValidatePassword(true, *password, *password);
    if (p.message) {
      req.error = MessageText(*p.message);
      return req;
    }
    s.password = p.password;
  }

  // The run page.
  if (raw.run) {
    auto r = ChooseRunEntry(true, false, u"", *raw.run);
    if (r.message) {
      req.error = MessageText(*r.message);
      return req;
    }
    s.driverFilePath = r.driverFilePath;
  }
  return req;
}

}  // namespace pf
