// AnsiName.cpp
#include "framework/win/AnsiName.h"
#include <cstring>
#include <vector>

bool WideToAnsiName(const wchar_t* pszName, size_t nLength, std::string& strOut, UINT nCodePage)
{
    strOut.clear();
    if (!pszName || nLength == 0 || nLength > 32767)
        return false;
    const int cchWide = static_cast<int>(nLength);
    int cbAnsi = ::WideCharToMultiByte(nCodePage, 0, pszName, cchWide, nullptr, 0, nullptr, nullptr);
    if (cbAnsi <= 0)
        return false;
    std::string strAnsi(static_cast<size_t>(cbAnsi), '\0');
    if (::WideCharToMultiByte(nCodePage, 0, pszName, cchWide, &strAnsi[0], cbAnsi, nullptr, nullptr) != cbAnsi)
        return false;

    // The round trip: best-fit mappings ("a" for an accented letter) and replacement characters
    // come back as other units than went in.
    int cchBack = ::MultiByteToWideChar(nCodePage, 0, strAnsi.data(), cbAnsi, nullptr, 0);
    if (cchBack != cchWide)
        return false;
    std::vector<wchar_t> back(static_cast<size_t>(cchBack));
    if (::MultiByteToWideChar(nCodePage, 0, strAnsi.data(), cbAnsi, back.data(), cchBack) != cchBack ||
        std::memcmp(back.data(), pszName, nLength * sizeof(wchar_t)) != 0)
        return false;
    if (strAnsi.find('\0') != std::string::npos)
        return false;   // an embedded zero would cut the name at the "A" API
    strOut.swap(strAnsi);
    return true;
}
