// ConfigTestSupport.cpp: raw registry helpers and scratch folders for the config tests.
#include "tests/config/ConfigTestSupport.h"

#include "framework/win/RegistryKey.h"

#include <cstdio>

namespace cfgtest {

bool KeyExists(HKEY hHive, const std::string& strPath, REGSAM samView)
{
    CRegistryKey key;
    return key.Open(hHive, strPath.c_str(), KEY_READ | samView) == ERROR_SUCCESS;
}

bool SetValue(HKEY hHive, const std::string& strPath, const std::string& strName, DWORD dwType,
              const void* pData, DWORD cbData, REGSAM samView)
{
    CRegistryKey key;
    if (key.Create(hHive, strPath.c_str(), KEY_WRITE | samView) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.Get(), strName.c_str(), 0, dwType, static_cast<const BYTE*>(pData),
                          cbData) == ERROR_SUCCESS;
}

bool SetString(HKEY hHive, const std::string& strPath, const std::string& strName,
               const std::string& strValue, REGSAM samView)
{
    return SetValue(hHive, strPath, strName, REG_SZ, strValue.c_str(),
                    static_cast<DWORD>(strValue.size() + 1), samView);
}

bool SetDword(HKEY hHive, const std::string& strPath, const std::string& strName, DWORD dwValue,
              REGSAM samView)
{
    return SetValue(hHive, strPath, strName, REG_DWORD, &dwValue, sizeof dwValue, samView);
}

bool GetString(HKEY hHive, const std::string& strPath, const std::string& strName,
               std::string& strOut, REGSAM samView)
{
    CRegistryKey key;
    if (key.Open(hHive, strPath.c_str(), KEY_QUERY_VALUE | samView) != ERROR_SUCCESS)
        return false;
    DWORD dwType = 0, cbData = 0;
    if (RegQueryValueExA(key.Get(), strName.c_str(), NULL, &dwType, NULL, &cbData) != ERROR_SUCCESS
        || dwType != REG_SZ)
        return false;
    std::vector<char> buffer(cbData + 1, '\0');
    if (RegQueryValueExA(key.Get(), strName.c_str(), NULL, &dwType,
                         reinterpret_cast<BYTE*>(buffer.data()), &cbData) != ERROR_SUCCESS)
        return false;
    strOut = buffer.data();
    return true;
}

bool GetDword(HKEY hHive, const std::string& strPath, const std::string& strName, DWORD& dwOut,
              REGSAM samView)
{
    CRegistryKey key;
    if (key.Open(hHive, strPath.c_str(), KEY_QUERY_VALUE | samView) != ERROR_SUCCESS)
        return false;
    DWORD dwType = 0, cbData = sizeof dwOut;
    return RegQueryValueExA(key.Get(), strName.c_str(), NULL, &dwType,
                            reinterpret_cast<BYTE*>(&dwOut), &cbData) == ERROR_SUCCESS
        && dwType == REG_DWORD;
}

void DeleteTree(HKEY hHive, const std::string& strPath, REGSAM samView)
{
    {
        CRegistryKey key;
        if (key.Open(hHive, strPath.c_str(), KEY_ALL_ACCESS | samView) != ERROR_SUCCESS)
            return;
        RegDeleteTreeA(key.Get(), NULL);
    }
    RegDeleteKeyExA(hHive, strPath.c_str(), samView, 0);
}

void CCleanRegistry::Scrub()
{
    static const char* const s_machineKeys[] = {
        "Software\\Kestrin Network",
        "Software\\Volition",
        "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Summoner.exe",
    };
    for (REGSAM samView : { KEY_WOW64_32KEY, KEY_WOW64_64KEY })
    {
        for (const char* pszKey : s_machineKeys)
            DeleteTree(HKEY_LOCAL_MACHINE, pszKey, samView);
        DeleteTree(HKEY_CURRENT_USER, "Software\\Kestrin Network", samView);
    }
}

CScratchFolder::CScratchFolder()
{
    static int s_nCounter = 0;
    char szTemp[MAX_PATH];
    GetTempPathA(MAX_PATH, szTemp);
    char szName[64];
    std::snprintf(szName, sizeof szName, "quarnel_cfg_%lu_%d", GetCurrentProcessId(), ++s_nCounter);
    m_strPath = std::string(szTemp) + szName;
    DeleteFolderTree(m_strPath);
    CreateDirectoryA(m_strPath.c_str(), NULL);
}

CScratchFolder::~CScratchFolder()
{
    DeleteFolderTree(m_strPath);
}

std::string CScratchFolder::MakeFolder(const std::string& strName) const
{
    const std::string strPath = *this / strName;
    CreateDirectoryA(strPath.c_str(), NULL);
    return strPath;
}

bool WriteTextFile(const std::string& strPath, const std::string& strText)
{
    HANDLE hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD cbWritten = 0;
    const BOOL bOk = WriteFile(hFile, strText.data(), static_cast<DWORD>(strText.size()), &cbWritten, NULL);
    CloseHandle(hFile);
    return bOk && cbWritten == strText.size();
}

void DeleteFolderTree(const std::string& strPath)
{
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((strPath + "\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::string strName = fd.cFileName;
            if (strName == "." || strName == "..")
                continue;
            const std::string strChild = strPath + "\\" + strName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteFolderTree(strChild);
            else
                DeleteFileA(strChild.c_str());
        } while (FindNextFileA(hFind, &fd));
        FindClose(hFind);
    }
    RemoveDirectoryA(strPath.c_str());
}

} // namespace cfgtest
