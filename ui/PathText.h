// PathText.h: path texts of the edit commands: the files a multi-select file dialog returned, and
// the short form of a folder for the folder picker's status line. Portable.
#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include "core/MemberNames.h"

/// Folder + "\" + name; no second "\" when the folder already ends with one (a drive root). The
/// folder is read by character: a double-byte character's trailing 0x5C is no backslash.
std::string JoinChosenPath(const std::string& strFolder, const std::string& strName,
                           LeadByteTest pfnLead = SystemLeadByteTest());

/// The full paths in a multi-select file dialog's buffer, in the dialog's order. The buffer holds
/// either one full path, or a folder followed by names, each ended by a zero, the list ended by an
/// empty string. Nothing past cbBuffer is read.
std::vector<std::string> SplitChosenFiles(const char* pBuffer, size_t cbBuffer,
                                          LeadByteTest pfnLead = SystemLeadByteTest());

/// The first 35 characters and "..." when the text is longer than 35 characters; else the text.
/// A double-byte character counts as one and is never cut in half.
std::string ShortenForStatus(const std::string& strText, LeadByteTest pfnLead = SystemLeadByteTest());
