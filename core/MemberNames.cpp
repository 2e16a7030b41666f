// MemberNames.cpp
#include "core/MemberNames.h"

#include <cstring>
#include <vector>

#ifdef _WIN32
#include <mbstring.h>
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
bool IsSystemLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }
#endif

// Length in bytes of the character that starts at nPos.
size_t CharLength(const std::string& strText, size_t nPos, LeadByteTest pfnLead)
{
    if (pfnLead && pfnLead(static_cast<unsigned char>(strText[nPos])) && nPos + 1 < strText.size())
        return 2;
    return 1;
}

}  // namespace

LeadByteTest SystemLeadByteTest()
{
#ifdef _WIN32
    return IsSystemLeadByte;
#else
    return nullptr;
#endif
}

size_t FindLastOf(const std::string& strText, const char* pszChars, LeadByteTest pfnLead)
{
    size_t nFound = std::string::npos;
    for (size_t i = 0; i < strText.size();) {
        size_t nLen = CharLength(strText, i, pfnLead);
        if (nLen == 1 && strText[i] != '\0' && std::strchr(pszChars, strText[i]))
            nFound = i;
        i += nLen;
    }
    return nFound;
}

bool EndsWithBackslash(const std::string& strText, LeadByteTest pfnLead)
{
    return !strText.empty() && FindLastOf(strText, "\\", pfnLead) == strText.size() - 1;
}

std::vector<std::string> SplitMemberPath(const std::string& strName, LeadByteTest pfnLead)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < strName.size();) {
        size_t nLen = CharLength(strName, i, pfnLead);
        if (nLen == 1 && (strName[i] == '\\' || strName[i] == '/'))
            parts.emplace_back();
        else
            parts.back().append(strName, i, nLen);
        i += nLen;
    }
    return parts;
}

std::string LowerName(const std::string& strName)
{
#ifdef _WIN32
    std::vector<unsigned char> buf(strName.begin(), strName.end());
    buf.push_back(0);
    _mbslwr(buf.data());
    return std::string(reinterpret_cast<const char*>(buf.data()));
#else
    std::string strLower(strName);
    for (char& c : strLower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return strLower;
#endif
}

std::string MemberNameFromPath(const std::string& strPath, LeadByteTest pfnLead)
{
#ifdef _WIN32
    size_t nSep = FindLastOf(strPath, "\\", pfnLead);
#else
    size_t nSep = FindLastOf(strPath, "\\/", pfnLead);
#endif
    return nSep == std::string::npos ? strPath : strPath.substr(nSep + 1);
}

std::string JoinExtractPath(const std::string& strFolder, const std::string& strName, LeadByteTest pfnLead)
{
#ifdef _WIN32
    if (strFolder.empty())
        return strName;
    std::string strPath = strFolder;
    if (!EndsWithBackslash(strPath, pfnLead))
        strPath += '\\';
    return strPath + strName;
#else
    std::string strPath = strFolder;
    if (!strPath.empty() && strPath.back() != '/')
        strPath += '/';
    for (size_t i = 0; i < strName.size();) {
        size_t nLen = CharLength(strName, i, pfnLead);
        if (nLen == 1 && strName[i] == '\\')
            strPath += '/';
        else
            strPath.append(strName, i, nLen);
        i += nLen;
    }
    return strPath;
#endif
}

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Windows maps these names to devices in any folder and with any extension ("nul.txt", "COM1.dat").
bool IsReservedDeviceName(const std::string& strComponent)
{
    std::string strBase = strComponent.substr(0, strComponent.find('.'));
    while (!strBase.empty() && strBase.back() == ' ')
        strBase.pop_back();
    for (char& c : strBase)
        c = UpperAscii(c);
    if (strBase == "CON" || strBase == "NUL" || strBase == "AUX" || strBase == "PRN" || strBase == "CONIN$" ||
        strBase == "CONOUT$")
        return true;
    if (strBase.size() == 4 && (strBase.compare(0, 3, "COM") == 0 || strBase.compare(0, 3, "LPT") == 0)) {
        unsigned char d = static_cast<unsigned char>(strBase[3]);
        // Digits 1 to 9, and the superscript digits 1, 2 and 3 of the Latin code pages.
        return (d >= '1' && d <= '9') || d == 0xB9 || d == 0xB2 || d == 0xB3;
    }
    return false;
}

bool IsSafeComponent(const std::string& strComponent)
{
    if (strComponent.empty() || strComponent == "." || strComponent == "..")
        return false;
    char cLast = strComponent.back();
    if (cLast == '.' || cLast == ' ')
        return false;
    return !IsReservedDeviceName(strComponent);
}

}  // namespace

bool IsSafeMemberPath(const std::string& strName, LeadByteTest pfnLead)
{
    if (strName.empty() || strName[0] == '\\' || strName[0] == '/')
        return false;
    for (char c : strName) {
        unsigned char u = static_cast<unsigned char>(c);
        // Neither ":" nor a control character is ever the second byte of a double-byte character.
        if (c == ':' || u < 0x20 || u == 0x7F)
            return false;
    }
    for (const std::string& strComponent : SplitMemberPath(strName, pfnLead))
        if (!IsSafeComponent(strComponent))
            return false;
    return true;
}
