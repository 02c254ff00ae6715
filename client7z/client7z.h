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
// DecompressEx (below) takes the same arguments plus options: with a
// password, "a" encrypts data and names (AES-256, the archive's header
// encrypted: without the password not even the names can be read); "x" and
// "l" try it on an encrypted archive. An encrypted archive read without a
// password gives kClient7zPasswordNeeded, with a wrong one
// kClient7zWrongPassword, before anything of it is written where the names
// are encrypted. The password is never part of the argument list, written
// anywhere, or kept after the call.
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
// The size was chosen by measurement, by this rule: the fastest whose
// archive is within 0.5% of what `7zz a -t7z -mx5` makes with its own
// defaults (one stream, a two-thread match finder, on two cores). Blocks
// smaller than the default level's 32 MiB dictionary shrink the dictionary
// to the block; larger ones leave a core idle on payloads under two blocks
// and take more memory. bench/make_corpus.py's 128 MiB corpus, 2 cores, one
// run each under Wine (7zz natively); the machine ran other builds (load 15
// to 19), so CPU time is the figure to compare, wall time is not:
//
//   blocks      archive bytes   vs 7zz    CPU s   peak MiB
//   7zz's own      66,844,100       -      88.5      380
//    8 MiB         67,653,239    +1.21%      -         -    (size: native 7zz -mmt1)
//   16 MiB         67,243,142    +0.60%    76.1      200    (packforge-cli)
//   32 MiB         67,020,740    +0.26%    89.5      375
//   64 MiB         66,925,647    +0.12%   101.0      393
//
// 32 MiB is the smallest, and the cheapest, block within 0.5%. The 512 MiB
// corpus was not measured: at that load one run took over an hour.
//
// "x" decodes those blocks on several threads (see decoding_threads.h):
// 7z.dll's LZMA2 decoder gives each thread one block, so memory is the
// thread count times a block and its packed bytes, whatever the payload.
// A stream of one block gains nothing and only reads ahead: it keeps one
// thread. Under Wine, the 128 MiB corpus:
//
//   archive                  threads   wall s (2 runs)   CPU s   peak MiB
//   32 MiB blocks               1         8.9, 8.1        1.3        48
//   32 MiB blocks               2         8.2, 7.5        1.5       116
//   16 MiB blocks               1        17.5, 17.4       1.6        32
//   16 MiB blocks               2        13.1, 8.2        1.7        68
//   7zz's, one block            1           25.5           1.5        48
//   7zz's, one block            2           27.5           1.7       207
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
  kClient7zDataError = 13,          // "x": damaged data, CRC mismatch or an unsupported method
  kClient7zInternalError = 14,      // out of memory or another unexpected failure
  kClient7zCancelled = 15,          // the progress callback asked to stop (see DecompressEx)
  kClient7zPasswordNeeded = 16,     // "x"/"l": the archive is encrypted and no password was given
  kClient7zWrongPassword = 17       // "x"/"l": the password given does not open the archive
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

// Progress: called with bytes done and bytes total (total may grow when it is
// first known); a non-zero return cancels the call, which then returns
// kClient7zCancelled having left no partial archive or files.
typedef int (*Client7zProgress)(void* context, unsigned long long done, unsigned long long total);

struct Client7zOptions {
  unsigned size;                 // sizeof(struct Client7zOptions): lets the struct grow
  Client7zProgress progress;     // may be null
  void* context;                 // passed back to progress
  const Client7zChar* password;  // may be null. "a": encrypt data and names (AES-256, encrypted
                                 // header); "x"/"l": the password to try on an encrypted archive.
                                 // Never written to a trace line.
};

// Exported undecorated as "DecompressEx": Decompress's arguments and contract, plus options
// (null options: exactly Decompress).
//
// The bytes of "a" are the files' bytes read so far out of their sum; those
// of "x" are the entries' unpacked bytes out of the archive's unpacked size.
// The calls come on the calling thread or on one of the codec's, one at a
// time, with `done` never going down and `total` never below `done`; a call
// that succeeds ends with done == total. "l" decodes nothing and reports
// nothing.
//
// What a cancel leaves: "a" deletes its unfinished archive, and an archive
// that was at the path stays as it was. "x" removes every file and folder it
// created, those it had finished included, so the target folder holds
// exactly what it held before the call; a file that was already in the
// target is never touched by a cancelled call, because a replacement is
// written beside it and moved over it only when the call is not cancelled.
int DecompressEx(int argc, const Client7zChar* const* argv, const Client7zChar* const* files,
                 int count, const struct Client7zOptions* options);

#ifdef __cplusplus
}
#endif
