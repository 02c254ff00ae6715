// The fixed names of the package format and of the files beside the program.
#pragma once
#include <cstdint>
#include <string_view>

namespace pf {

inline constexpr std::u16string_view kAgentFileName = u"SelfExtractor.exe";
inline constexpr std::u16string_view kCodecLibraryName = u"7z.dll";
inline constexpr std::u16string_view kClientLibraryName = u"Client7z.dll";
// The client and codec the build itself loads to pack and to check
// archives: the shipped pair on Windows; natively the same code built for
// this platform (the package still carries the Windows pair above).
#ifdef _WIN32
inline constexpr std::u16string_view kPackingClientName = kClientLibraryName;
inline constexpr std::u16string_view kPackingCodecName = kCodecLibraryName;
#else
inline constexpr std::u16string_view kPackingClientName = u"libclient7z.so";
inline constexpr std::u16string_view kPackingCodecName = u"7z.so";
#endif
inline constexpr std::u16string_view kArchiveName = u"ZpkCompressedFiles.7z";
inline constexpr std::u16string_view kDefaultIconName = u"ZPK_ICON.ico";
inline constexpr std::u16string_view kAppTitle = u"Kelo Self Extractor";

// The header starts with these 24 ASCII bytes and one zero byte.
inline constexpr std::string_view kHeaderSignature = "Kelo Data File Signature";
inline constexpr std::size_t kSignatureFieldSize = 25;
inline constexpr std::size_t kIntFieldSize = 6;

}  // namespace pf
