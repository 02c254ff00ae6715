// The compression client library's one export, as the builder and the
// extraction agent call it. No 7-Zip header is needed to call it.
//
//   argv  = { the library's own path, command, archive path }; 7z.dll is
//           loaded from the folder of argv[0].
//   "a"   : replaces (or creates) the 7z archive argv[2] with `files` stored
//           under their bare names: LZMA2 in blocks of PF_CLIENT7Z_BLOCK_MIB,
//           solid, all cores, default level.
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
//           kClient7zArchiveOpenFailed. An archive whose solid block holds
//           several LZMA2 blocks is decoded on one thread per core (at most
//           four), any other on one thread.
//   "l"   : opens argv[2] as "x" would (the same formats, argv[3] to argv[5]
//           alike) and lists its entries, writing nothing: 0 when every
//           entry would be extracted, kClient7zUnsafeEntry when "x" would
//           refuse one, the open failures of "x" otherwise. A cheap check
//           of an archive that is to be unpacked later; no data is decoded.
//
// The result is 0 on success, otherwise one of the codes below.
//
// Same inputs, same archive, and faster than one stream: the LZMA2 stream is
// cut into independently coded blocks of a fixed size, PF_CLIENT7Z_BLOCK_MIB
// of input each. Every block thread codes whole blocks with its own
// single-threaded match finder, so the cuts fall in the same places on one
// core or on sixteen (without a set size LZMA2 cuts by a size derived from
// the dictionary, and only when it runs several block threads, so the
// archive would depend on the machine). Nothing else in the archive comes
// from the time or the process: item times are the files'.
//
// The size was chosen by measurement, by this rule: the
// fastest whose archive is within 0.5% of what `7zz a -t7z -mx5` makes with
// its own defaults. Smaller blocks give more threads work sooner and end
// together, but each block starts with an empty dictionary; larger ones pack
// tighter but leave a core idle at the end of a small payload.
//
// "x" decodes those blocks on several threads (see decoding_threads.h):
// 7z.dll's LZMA2 decoder gives each thread one block, so memory is the
// thread count times a block and its packed bytes, whatever the payload.
// A stream of one block gains nothing and only reads ahead: it keeps one
// thread.
#define PF_CLIENT7Z_BLOCK_MIB 32
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

// Exported undecorated as "Decompress" (see client7z.def).
int Decompress(int argc, const wchar_t* const* argv, const wchar_t* const* files, int count);

#ifdef __cplusplus
}
#endif
