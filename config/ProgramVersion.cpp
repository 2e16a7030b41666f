// ProgramVersion.cpp: reads the string table of a version resource.
#include "config/ProgramVersion.h"

#include "config/SharedConfiguration.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

std::string QueryText(std::vector<BYTE>& data, const std::string& strBlock, const char* pszName)
{
    char* pszValue = NULL;
    UINT cchValue = 0;
    const std::string strPath = strBlock + pszName;
    if (!VerQueryValueA(data.data(), strPath.c_str(), reinterpret_cast<void**>(&pszValue), &cchValue) ||
        !pszValue || cchValue == 0)
        return std::string();
    // The length may or may not count the terminator: stop at the first zero within it.
    std::string strValue(pszValue, cchValue);
    return strValue.substr(0, strValue.find('\0'));
}

} // namespace

bool ReadProgramVersion(const std::string& strPath, CProgramVersion& version)
{
    DWORD dwHandle = 0;
    const DWORD cbInfo = GetFileVersionInfoSizeA(strPath.c_str(), &dwHandle);
    if (cbInfo == 0)
        return false;
    std::vector<BYTE> data(cbInfo);
    if (!GetFileVersionInfoA(strPath.c_str(), 0, cbInfo, data.data()))
        return false;

    // The first language the resource lists; US English in Unicode when it lists none.
    WORD wLanguage = 0x0409, wCodePage = 1200;
    WORD* pTranslation = NULL;
    UINT cbTranslation = 0;
    if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pTranslation),
                       &cbTranslation) && pTranslation && cbTranslation >= 2 * sizeof(WORD))
    {
        wLanguage = pTranslation[0];
        wCodePage = pTranslation[1];
    }
    char szBlock[64];
    std::snprintf(szBlock, sizeof szBlock, "\\StringFileInfo\\%04x%04x\\", wLanguage, wCodePage);

    CProgramVersion result;
    result.m_strVersion = QueryText(data, szBlock, "FileVersion");
    if (result.m_strVersion.empty())
        return false;
    result.m_nBuild = ParseBuildNumber(result.m_strVersion);
    result.m_strDate = QueryText(data, szBlock, "Date");
    result.m_strCoder = QueryText(data, szBlock, "Coder");
    version = result;
    return true;
}
