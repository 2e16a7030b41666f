// PathText.cpp
#include "ui/PathText.h"

namespace
{
const size_t kStatusChars = 35;

/// The zero-terminated string at nPos, cut at the buffer's end; nPos moves past its terminator.
std::string NextString(const char* pBuffer, size_t cbBuffer, size_t& nPos)
{
    size_t nStart = nPos;
    while (nPos < cbBuffer && pBuffer[nPos] != '\0')
        ++nPos;
    std::string str(pBuffer + nStart, nPos - nStart);
    ++nPos;
    return str;
}
}

std::string JoinChosenPath(const std::string& strFolder, const std::string& strName, LeadByteTest pfnLead)
{
    if (EndsWithBackslash(strFolder, pfnLead))
        return strFolder + strName;
    return strFolder + "\\" + strName;
}

std::vector<std::string> SplitChosenFiles(const char* pBuffer, size_t cbBuffer, LeadByteTest pfnLead)
{
    std::vector<std::string> arrPaths;
    size_t nPos = 0;
    std::string strFirst = NextString(pBuffer, cbBuffer, nPos);
    if (strFirst.empty())
        return arrPaths;
    while (nPos < cbBuffer)
    {
        std::string strName = NextString(pBuffer, cbBuffer, nPos);
        if (strName.empty())
            break;
        arrPaths.push_back(JoinChosenPath(strFirst, strName, pfnLead));
    }
    if (arrPaths.empty())
        arrPaths.push_back(strFirst);   // a single choice is one full path
    return arrPaths;
}

std::string ShortenForStatus(const std::string& strText, LeadByteTest pfnLead)
{
    size_t nPos = 0;
    for (size_t nChars = 0; nChars < kStatusChars && nPos < strText.size(); ++nChars)
    {
        bool bPair = pfnLead && pfnLead(static_cast<unsigned char>(strText[nPos])) && nPos + 1 < strText.size();
        nPos += bPair ? 2 : 1;
    }
    if (nPos >= strText.size())
        return strText;
    return strText.substr(0, nPos) + "...";
}
