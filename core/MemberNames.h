// MemberNames.h: how member names relate to paths on disk: comparison, the name part of a path,
// the destination of an extraction and whether a name is safe to write below a folder.
#pragma once

#include <string>

// Lower-cases a name for comparison ignoring case: the C runtime's multibyte-aware lower-casing of
// the current ANSI code page on Windows (_mbslwr), ASCII lower-casing elsewhere.
std::string LowerName(const std::string& strName);

// The member name for a file on disk: the part after the last "\" (the whole path without one).
// Only "\" separates on Windows; elsewhere "/", the native separator, separates as well.
std::string MemberNameFromPath(const std::string& strPath);

// The file an extraction writes: folder, a separator when the folder does not end with one, name.
// On Windows exactly folder + "\" + name; elsewhere "/" joins and a "\" in the name becomes "/", so
// that sub-folder members land in the same sub-folders as on Windows.
std::string JoinExtractPath(const std::string& strFolder, const std::string& strName);

// True when the name is a relative path that stays inside the folder it is extracted to: not empty,
// no leading "\" or "/", no ":", no control characters, and no component (split at "\" and "/") that
// is empty, "." or "..", ends in a dot or a space, or is a reserved device name such as CON or LPT1.
bool IsSafeMemberPath(const std::string& strName);
