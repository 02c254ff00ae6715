// The compression client library's one export, as the builder and the
// extraction agent call it. No 7-Zip header is needed to call it.
//
//   argv  = { the library's own path, command, archive path }; 7z.dll is
//           loaded from the folder of argv[0].
//   "a"   : replaces (or creates) the 7z archive argv[2] with `files` stored
//           under their bare names: LZMA2, solid, all cores, default level.
//           count 0 makes a valid empty archive; a path listed twice is
//           stored once. The archive is written beside its final path and
//           renamed into place only when complete, so a failure leaves the
//           old archive (or none) and no partial file. With argc >= 4,
//           argv[3] (decimal, at least 1) is the number of threads to pack
//           on instead of all cores; the archive is the same either way.
//   "x"   : extracts argv[2] into the folder files[0] (count >= 1), making
//           folders as needed and keeping file times. An entry whose path is
//           absolute, carries a drive or climbs out with ".." is skipped and
//           the call returns kClient7zUnsafeEntry after the others are out.
//           With argc >= 5 the archive is not the whole file argv[2] but
//           the argv[4] bytes of it from byte argv[3] (decimal), as for an
//           archive carried inside a package; argv[5], when given, is that
//           archive's own name, whose extension picks the format to try
//           first. A range past the end of the file gives
//           kClient7zArchiveOpenFailed. Unpacking uses one decoding thread,
//           which keeps memory to the dictionary and a few buffers.
//   "l"   : opens argv[2] as "x" would (the same formats, argv[3] to argv[5]
//           alike) and lists its entries, writing nothing: 0 when every
//           entry would be extracted, kClient7zUnsafeEntry when "x" would
//           refuse one, the open failures of "x" otherwise. A cheap check
//           of an archive that is to be unpacked later; no data is decoded.
//
// The result is 0 on success, otherwise one of the codes below.
//
// Same inputs, same archive: LZMA2 splits its stream into independently
// coded blocks only when it runs more than one block thread, and then by a
// size derived from the dictionary, so without a set block size one core
// gives one stream and four cores give several, and the archive depends on
// the machine. The block size is therefore fixed (128 MiB: what four times
// the default level's 32 MiB dictionary gives on a machine with four or more
// cores, so the archive is unchanged there), and a single-threaded packer
// then cuts the stream where the multi-threaded one does. Nothing else in
// the archive comes from the time or the process: item times are the files'.
#define PF_CLIENT7Z_BLOCK_SIZE L"128m"
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum Client7zResult {
  kClient7zOk = 0,
  kClient7zBadArguments = 1,        // argc < 3, a null argument, count < 0, unknown command,
                                    // "x" without a target folder or with a range that is not
                                    // two decimal numbers
  kClient7zCodecMissing = 2,        // 7z.dll cannot be loaded or lacks CreateObject
  kClient7zCodecRefused = 3,        // 7z.dll gave no 7z handler or refused the settings
  kClient7zInputMissing = 4,        // "a": a listed file does not exist
  kClient7zInputUnreadable = 5,     // "a": a listed file cannot be opened or read (or is a folder)
  kClient7zDuplicateName = 6,       // "a": two different files share one bare name
  kClient7zArchiveWriteFailed = 7,  // "a": the archive cannot be written or moved into place
  kClient7zPackFailed = 8,          // "a": the codec failed for another reason
  kClient7zArchiveOpenFailed = 9,   // "x": the archive file cannot be opened
  kClient7zNotAnArchive = 10,       // "x": no format of 7z.dll reads the file
  kClient7zUnsafeEntry = 11,        // "x": at least one entry was refused (the rest are out)
  kClient7zTargetWriteFailed = 12,  // "x": a folder or file in the target cannot be written
  kClient7zDataError = 13,          // "x": damaged data, CRC mismatch, unsupported method or
                                    // an encrypted entry
  kClient7zInternalError = 14       // out of memory or another unexpected failure
};

// UTF-16 code units: wchar_t on Windows, char16_t natively.
#ifdef _WIN32
typedef wchar_t Client7zChar;
#else
#ifndef __cplusplus
#include <uchar.h>
#endif
typedef char16_t Client7zChar;
#endif

// Exported undecorated as "Decompress" (see client7z.def).
int Decompress(int argc, const Client7zChar* const* argv, const Client7zChar* const* files,
               int count);

#ifdef __cplusplus
}
#endif
