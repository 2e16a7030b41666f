// MemberNames.h: how member names relate to paths on disk: comparison, the name part of a path,
// the destination of an extraction and whether a name is safe to write below a folder.
#pragma once

#include <string>
#include <vector>

// Tells whether a byte begins a two-byte character in the code page the names are in. Names are
// walked by character with it, so that a trailing byte 0x5C in a double-byte code page (932, 936,
// 949, 950) is not taken for "\". nullptr: every byte is one character.
using LeadByteTest = bool (*)(unsigned char);

// The test for the system's ANSI code page: IsDBCSLeadByte on Windows; nullptr elsewhere, where
// names are UTF-8 (whose bytes never look like ASCII) or single-byte.
LeadByteTest SystemLeadByteTest();

// Position of the last byte of strText that is one of the single-byte characters in pszChars, found
// by character; npos when there is none.
size_t FindLastOf(const std::string& strText, const char* pszChars, LeadByteTest pfnLead = SystemLeadByteTest());

// True when the text's last character is "\" (the last byte alone is not enough in a double-byte
// code page). Empty text ends with no separator.
bool EndsWithBackslash(const std::string& strText, LeadByteTest pfnLead = SystemLeadByteTest());

// Lower-cases a name for comparison ignoring case: the C runtime's multibyte-aware lower-casing of
// the current ANSI code page on Windows (_mbslwr), ASCII lower-casing elsewhere.
std::string LowerName(const std::string& strName);

// The member name for a file on disk: the part after the last "\" (the whole path without one).
// Only "\" separates on Windows; elsewhere "/", the native separator, separates as well.
std::string MemberNameFromPath(const std::string& strPath, LeadByteTest pfnLead = SystemLeadByteTest());

// The file an extraction writes: folder, a separator when the folder does not end with one, name.
// On Windows exactly folder + "\" + name; elsewhere "/" joins and a "\" in the name becomes "/", so
// that sub-folder members land in the same sub-folders as on Windows. An empty folder is the current
// folder: the result is the name alone, never a path from the root.
std::string JoinExtractPath(const std::string& strFolder, const std::string& strName,
                            LeadByteTest pfnLead = SystemLeadByteTest());

// True when the name is a relative path that stays inside the folder it is extracted to: not empty,
// no leading "\" or "/", no ":", no control characters, and no component (split at "\" and "/") that
// is empty, "." or "..", ends in a dot or a space, or is a reserved device name such as CON or LPT1.
bool IsSafeMemberPath(const std::string& strName, LeadByteTest pfnLead = SystemLeadByteTest());

// The components of a name split at "\" and "/" (by character), in order, empty ones included.
std::vector<std::string> SplitMemberPath(const std::string& strName, LeadByteTest pfnLead = SystemLeadByteTest());
