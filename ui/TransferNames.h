// TransferNames.h: the file names under which members are handed to a drop target or a paste.
#pragma once
#include <string>
#include <vector>

/// The member name as a relative path that stays inside the folder it lands in: separators become
/// "\", empty, "." and ".." components are dropped, characters that no file name may hold (":",
/// control characters, <>"|?*) become "_", a trailing dot or space becomes "_", and a device name
/// (CON, LPT1, ...) gets a "_" in front. A name that is already safe keeps its spelling.
std::string MakeSafeTransferPath(const std::string& strName);

/** The files and folders that one transfer offers. */
struct TransferLayout
{
    /// Folders the files need, parents before children, each once (ignoring case).
    std::vector<std::string> arrFolders;
    /// One file name per member, in the members' order: safe, and distinct ignoring case from every
    /// other file and folder (a clash gets " (2)", " (3)", ... before the extension).
    std::vector<std::string> arrFiles;
};

TransferLayout MakeTransferLayout(const std::vector<std::string>& arrMemberNames);
