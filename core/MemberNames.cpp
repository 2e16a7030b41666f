// MemberNames.cpp
#include "core/MemberNames.h"

#include <cstring>
#include <vector>

#ifdef _WIN32
#include <mbstring.h>
#endif

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

std::string MemberNameFromPath(const std::string& strPath)
{
#ifdef _WIN32
    size_t nSep = strPath.rfind('\\');
#else
    size_t nSep = strPath.find_last_of("\\/");
#endif
    return nSep == std::string::npos ? strPath : strPath.substr(nSep + 1);
}

std::string JoinExtractPath(const std::string& strFolder, const std::string& strName)
{
#ifdef _WIN32
    std::string strPath = strFolder;
    if (strPath.empty() || strPath.back() != '\\')
        strPath += '\\';
    return strPath + strName;
#else
    std::string strPath = strFolder;
    if (strPath.empty() || strPath.back() != '/')
        strPath += '/';
    for (char c : strName)
        strPath += c == '\\' ? '/' : c;
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

bool IsSafeMemberPath(const std::string& strName)
{
    if (strName.empty() || strName[0] == '\\' || strName[0] == '/')
        return false;
    for (char c : strName) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == ':' || u < 0x20 || u == 0x7F)
            return false;
    }
    size_t nStart = 0;
    for (;;) {
        size_t nSep = strName.find_first_of("\\/", nStart);
        std::string strComponent = strName.substr(nStart, nSep == std::string::npos ? std::string::npos : nSep - nStart);
        if (!IsSafeComponent(strComponent))
            return false;
        if (nSep == std::string::npos)
            return true;
        nStart = nSep + 1;
    }
}
