#include "compress/client_result.h"

#include <string>

#include "client7z/client7z.h"
#include "platform/os.h"
#include "platform/text.h"

namespace pf {
namespace {

std::u16string BareName(const std::u16string& path) {
  auto cut = path.find_last_of(u"\\/");
  return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::u16string DescribeClientResult(int result, const std::u16string& path) {
  std::u16string sentence;
  switch (result) {
    case kClient7zBadArguments:
      sentence = u"The compression client was called with arguments it does not accept";
      break;
    case kClient7zCodecMissing:
      sentence = u"The codec library 7z.dll cannot be loaded";
      break;
    case kClient7zCodecRefused:
      sentence = u"The codec library 7z.dll refused the 7z format or its settings";
      break;
    case kClient7zInputMissing:
      sentence = u"A file to pack does not exist";
      break;
    case kClient7zInputUnreadable:
      sentence = u"A file to pack cannot be read";
      break;
    case kClient7zDuplicateName:
      sentence = u"Two files to pack have the same name";
      break;
    case kClient7zArchiveWriteFailed:
      sentence = u"The archive cannot be written";
      break;
    case kClient7zPackFailed:
      sentence = u"The codec failed while packing";
      break;
    case kClient7zArchiveOpenFailed:
      sentence = u"The archive cannot be opened";
      break;
    case kClient7zNotAnArchive:
      sentence = u"The file is not an archive that the codec can read";
      break;
    case kClient7zUnsafeEntry:
      sentence =
          u"The archive holds an entry that extraction refuses (an absolute path, a drive "
          u"or a \"..\" step)";
      break;
    case kClient7zTargetWriteFailed:
      sentence = u"A file cannot be written in the target folder";
      break;
    case kClient7zDataError:
      sentence = u"The archive's data is damaged or cannot be decoded";
      break;
    case kClient7zInternalError:
      sentence = u"The compression client ran out of memory or failed unexpectedly";
      break;
    case kClient7zCancelled:
      sentence = u"The compression client was cancelled";
      break;
    case kClient7zPasswordNeeded:
      sentence = u"The archive is encrypted and needs a password";
      break;
    case kClient7zWrongPassword:
      sentence = u"The password does not open the encrypted archive";
      break;
    default:
      sentence = u"The compression client failed with the unknown result " +
                 FromUtf8(std::to_string(result));
      break;
  }
  return path.empty() ? sentence + u"." : sentence + u": " + path;
}

std::u16string FileBehindPackResult(int result, const std::vector<std::u16string>& files,
                                    const std::u16string& archivePath,
                                    const std::u16string& codecPath) {
  switch (result) {
    case kClient7zInputMissing:
      for (const auto& f : files)
        if (!os::Exists(f)) return f;
      return {};
    case kClient7zInputUnreadable:
      for (const auto& f : files)
        if (!os::OpenForRead(f)) return f;
      return {};
    case kClient7zDuplicateName:
      // Names compare as the file system compares them, as the client does.
      for (std::size_t i = 0; i < files.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
          if (files[i] != files[j] &&
              os::NamesEqualIgnoringCase(BareName(files[i]), BareName(files[j])))
            return files[i];
      return {};
    case kClient7zArchiveWriteFailed:
      return archivePath;
    case kClient7zCodecMissing:
      return codecPath;
    default:
      return {};
  }
}

}  // namespace pf
