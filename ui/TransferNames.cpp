// TransferNames.cpp
#include "ui/TransferNames.h"
#include <unordered_set>
#include "core/MemberNames.h"

namespace
{
// A file descriptor holds 260 characters with the terminator.
const size_t kMaxPath = 259;

bool IsForbiddenChar(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == ':' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' ||
           c == '*';
}

std::string SafeComponent(std::string strComponent)
{
    for (char& c : strComponent)
    {
        if (IsForbiddenChar(static_cast<unsigned char>(c)))
            c = '_';
    }
    // Windows drops trailing dots and spaces, which would make "a." and "a" one file.
    for (size_t i = strComponent.size(); i > 0 && (strComponent[i - 1] == '.' || strComponent[i - 1] == ' '); --i)
        strComponent[i - 1] = '_';
    // A reserved device name stays unsafe whatever follows it, so it gets a prefix instead.
    if (!IsSafeMemberPath(strComponent))
        strComponent = "_" + strComponent;
    return strComponent;
}

/// Splits at "\" and "/", leaving out empty, "." and ".." components.
std::vector<std::string> PathComponents(const std::string& strName)
{
    std::vector<std::string> arr;
    size_t nStart = 0;
    for (;;)
    {
        size_t nSep = strName.find_first_of("\\/", nStart);
        std::string strPart = strName.substr(nStart, nSep == std::string::npos ? std::string::npos : nSep - nStart);
        if (!strPart.empty() && strPart != "." && strPart != "..")
            arr.push_back(strPart);
        if (nSep == std::string::npos)
            return arr;
        nStart = nSep + 1;
    }
}

/// "dir\name.ext" with " (n)" before the extension of the last component, cut to fit a descriptor.
std::string NumberedName(const std::string& strPath, int nNumber)
{
    size_t nSlash = strPath.rfind('\\');
    size_t nNameStart = nSlash == std::string::npos ? 0 : nSlash + 1;
    size_t nDot = strPath.rfind('.');
    // A leading dot (".cfg") starts the name, not an extension.
    if (nDot == std::string::npos || nDot <= nNameStart)
        nDot = strPath.size();
    std::string strSuffix = " (" + std::to_string(nNumber) + ")";
    std::string strStem = strPath.substr(0, nDot);
    std::string strExt = strPath.substr(nDot);
    size_t nTotal = strStem.size() + strSuffix.size() + strExt.size();
    if (nTotal > kMaxPath && strStem.size() - nNameStart > nTotal - kMaxPath)
        strStem.resize(strStem.size() - (nTotal - kMaxPath));
    return strStem + strSuffix + strExt;
}
}

std::string MakeSafeTransferPath(const std::string& strName)
{
    std::string strPath;
    for (const std::string& strPart : PathComponents(strName))
    {
        if (!strPath.empty())
            strPath += '\\';
        strPath += SafeComponent(strPart);
    }
    if (strPath.empty())
        strPath = "_";
    if (strPath.size() > kMaxPath)
    {
        // Keep the end, where the file's own name is; a cut never leaves a separator in front.
        // One byte is left for the "_" a device name at the new start gets, so that the second
        // pass is the last.
        strPath = strPath.substr(strPath.size() - (kMaxPath - 1));
        while (!strPath.empty() && strPath[0] == '\\')
            strPath.erase(0, 1);
        strPath = MakeSafeTransferPath(strPath);
    }
    return strPath;
}

TransferLayout MakeTransferLayout(const std::vector<std::string>& arrMemberNames)
{
    TransferLayout layout;
    std::vector<std::string> arrPaths;
    arrPaths.reserve(arrMemberNames.size());
    std::unordered_set<std::string> setUsed;   // lower-cased names of folders and files taken

    // Folders first, so that no file takes a name a folder needs.
    for (const std::string& strName : arrMemberNames)
    {
        arrPaths.push_back(MakeSafeTransferPath(strName));
        const std::string& strPath = arrPaths.back();
        for (size_t nSep = strPath.find('\\'); nSep != std::string::npos; nSep = strPath.find('\\', nSep + 1))
        {
            std::string strFolder = strPath.substr(0, nSep);
            if (setUsed.insert(LowerName(strFolder)).second)
                layout.arrFolders.push_back(strFolder);
        }
    }

    layout.arrFiles.reserve(arrPaths.size());
    for (const std::string& strPath : arrPaths)
    {
        std::string strFile = strPath;
        for (int n = 2; !setUsed.insert(LowerName(strFile)).second; ++n)
            strFile = NumberedName(strPath, n);
        layout.arrFiles.push_back(strFile);
    }
    return layout;
}
