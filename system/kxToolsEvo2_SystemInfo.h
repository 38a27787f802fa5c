// system/kxToolsEvo2_SystemInfo.h — TkxTools: the platform, the processor of
// executable files, the user's language, special folders, the last error
// text, drives, memory, processors, remote sessions, and text made fit for
// XML.
//
// Answers on Linux, where there is no Windows underneath:
//   - GetOSPlatform reads "BuildLabEx" from the registry store, where Linux
//     has none, so it answers kxOSP_Unknown unless a hive sets that value;
//     it is never derived from the machine name of uname.
//   - GetWindowsVersion answers kxWV_Unknown: there is no version record.
//   - The Windows folder is "/", so GetNativeWindowsSystem32Folder gives
//     "/System32/" (or "/Sysnative/" for a 32-bit program on 64-bit Windows).
//   - GetVolumeLabel answers "".
// Only IsExecutablex64 raises; every other operation answers a neutral
// value (kxOSP_Unknown, kxCPU_Unknown, kxWV_Unknown, false, 0, "Error" or
// "") when it cannot tell.
#pragma once

#include <cstdint>

#include "platform/rtl/Text.h"
#include "system/kxTypes_Enums.h"

namespace TkxTools {

// ---- Platform and executables ------------------------------------------------

// By the local machine's "SOFTWARE\Microsoft\Windows NT\CurrentVersion"
// value "BuildLabEx" (see detail::OSPlatformFromBuildLab); a missing or
// non-string value is the empty text.
TkxOSPlatform GetOSPlatform();
// GetOSPlatform combined with the processor of the host program's file
// (/proc/self/exe); see detail::OSPlatformFromApplication.
TkxOSPlatform GetOSPlatformFromApplicationEnvironment();

// Whether the executable is built for a processor other than x86:
// - PE: "MZ", the PE header's offset at byte 60 (not 0), "PE", 0, 0 there,
//   then the machine field: 0x014C (x86) gives false, anything else
//   (x86-64, ARM64, ...) true;
// - ELF (7F "ELF"): e_machine (16 bits at byte 18, in the byte order that
//   byte 5 gives): 3 (i386) false, anything else true.
// Raises Exception "Invalid executable" for any other file (a text file, a
// 0 at byte 60, no "PE" signature), EFOpenError for a file that cannot be
// opened and EReadError for one too short for its headers.
bool IsExecutablex64(const UnicodeString& ModuleFileName);
// kxCPU_x64 / kxCPU_x86 by IsExecutablex64; kxCPU_Unknown when it raises.
TkxCPUPlatform GetExecutableCPUPlatform(const UnicodeString& ModuleFileName);

// kxWV_Unknown (see the top of this file; detail::WindowsVersionFrom holds
// the classification a version record would get).
TkxWindowsVersion GetWindowsVersion();
// The Windows folder with its separator, + "Sysnative" when GetOSPlatform
// is kxOSP_Win64 and the host program is an x86 program, else + "System32",
// + the separator: "/System32/".
UnicodeString GetNativeWindowsSystem32Folder();

// ---- Language ----------------------------------------------------------------

// The user's locale (C and POSIX count as en_US; a locale without territory
// takes ICU's likely one), by LocaleType:
//   1  its Windows locale id as four upper-case hexadecimal digits ("0407");
//      "" when it has none
//   3  the Windows language abbreviation of the first language-table row
//      with that id ("DEU"), else its ISO 639-2 code upper-cased
// Any other LocaleType gives "".
UnicodeString GetWindowsLanguage(uint32_t LocaleType);
// The ISO 639-1 code of the first language-table row that matches the
// user's abbreviation and locale id (see detail::ShortLanguageFrom), upper-
// cased; Default upper-cased when no row matches.
//   German user: GetShortWindowsLanguage(u"en") == u"DE"
UnicodeString GetShortWindowsLanguage(const UnicodeString& Default);

// Whether the current user's value "ThemeActive" of the key
// "\Software\Microsoft\Windows\CurrentVersion\ThemeManager" is a yes-word
// (detail::IsYesWord); false when it is missing or not a string.
bool IsWindowsThemeActive();

// ---- Folders -----------------------------------------------------------------

// The folder of the folder number (see platform/os/Folders.h for the
// numbers; 0x8000 creates it), trimmed, with a closing separator; "" for a
// number without a folder.
//   GetSpecialFolderPath(28) == u"/home/ann/.local/share/"
UnicodeString GetSpecialFolderPath(int32_t CSIDL);
// GetSpecialFolderPath(28).
UnicodeString GetAppDataPath();
// The local machine's "SOFTWARE\Microsoft\Windows\CurrentVersion" value
// "ProgramFilesDir" as text, trimmed, with a closing separator; "" stays "".
UnicodeString GetProgramFilesPath();

// ---- Errors, drives, memory, sessions -----------------------------------------

// The system's text for the calling thread's last OS error (the errno value
// the platform layer stored when its last call failed), trimmed; "" when the
// system has no text for it.
UnicodeString GetLastErrorMessage();
// What is mounted at the folder Drive: "Removable", "Fixed", "Network",
// "CD-ROM", "RAM Disk"; "Unknown" when nothing is mounted there (every
// drive letter among them); "Error" when the mount table cannot be read.
AnsiString GetDriveTypeStr(const AnsiString& Drive);
// "": Linux volumes have no labels this can read.
UnicodeString GetVolumeLabel(char16_t DriveChar);
// The resident memory of this process in bytes, the low 32 bits; 0 when it
// cannot be read.
int32_t GetMemoryUsage();
// The same for the process ProcessId; 0 when there is none.
uint32_t GetProcessMemoryUsage(uint32_t ProcessId);
// The processors online.
int32_t GetNumberOfProcessors();
// Both the same test: the login session is remote (systemd-logind says so),
// or, without a login session, SSH_CONNECTION is set.
bool IsRDPSession();
bool IsRemoteSession();

// ---- XML ---------------------------------------------------------------------

// Data with every character outside the XML character ranges
// (kxConstants::XmlCharRanges) replaced by one blank: control characters
// other than tab, LF and CR, U+FFFE, U+FFFF and every surrogate unit that
// is not part of a valid pair. A valid pair stays. With
// ApplyNotationReplacements, "&", "<", ">", '"' and "'" then become
// "&amp;", "&lt;", "&gt;", "&quot;" and "&apos;". One pass, one buffer.
//   PrepareXMLStringW(u"a\fb<", true) == u"a b&lt;"
UnicodeString PrepareXMLStringW(const UnicodeString& Data, bool ApplyNotationReplacements);

namespace detail {

// The first test that holds, on LowerText(BuildLabEx): contains ".amd64"
// kxOSP_Win64, ".x86" kxOSP_Win32, "amd64" kxOSP_Win64, "x86" kxOSP_Win32;
// else kxOSP_Unknown.
TkxOSPlatform OSPlatformFromBuildLab(const UnicodeString& BuildLabEx);
// OS kxOSP_Win32: kxOSP_Win32 for an x86 program, else kxOSP_Unknown.
// OS kxOSP_Win64: kxOSP_Win32 for x86, kxOSP_Win64 for x64, else
// kxOSP_Unknown. Any other OS: kxOSP_Unknown.
TkxOSPlatform OSPlatformFromApplication(TkxOSPlatform OS, TkxCPUPlatform Program);
// "Sysnative" for OS kxOSP_Win64 and an x86 program, else "System32".
UnicodeString System32FolderName(TkxOSPlatform OS, TkxCPUPlatform Program);
// The version of a version record: product type 1 (workstation) 5.0 Win2000,
// 5.1 WinXP, 6.0 Vista, 6.1 Win7, 6.2 Win8, 6.3 Win8_1, 10.0 Win10; any other
// product type 5.2 WinServer2003 (WinServer2003R2 with ServerR2), 6.0 2008,
// 6.1 2008R2, 6.2 2012, 6.3 2012R2, 10.0 2016; everything else kxWV_Unknown.
TkxWindowsVersion WindowsVersionFrom(uint32_t Major, uint32_t Minor, uint8_t ProductType,
                                     bool ServerR2);
// Walks the language table: the first row whose ISO 639-2/B code equals
// Abbreviation, or whose ISO 639-2/T code or Windows abbreviation is not
// empty and equals it, or whose locale id is not empty and equals LCID
// (exact comparisons), gives its ISO 639-1 code; else Default. The result
// is upper-cased. An empty Abbreviation matches the first row without an
// ISO 639-2/B code.
UnicodeString ShortLanguageFrom(const UnicodeString& Default, const UnicodeString& Abbreviation,
                                const UnicodeString& LCID);
// Text, with "a"-"z" upper-cased and nothing trimmed, is one of JA YES OK 1
// X TRUE WAHR RICHTIG KORREKT RIGHT YAP OUI CORRECT JAU YO JO YEP YEPP YAPP
// YUP.
bool IsYesWord(const UnicodeString& Text);

}  // namespace detail

}  // namespace TkxTools
