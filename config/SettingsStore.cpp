// SettingsStore.cpp: registry and ini access of the settings store.
#include "config/SettingsStore.h"

#include "framework/win/RegistryKey.h"

#include <cstring>

namespace {

std::string SettingsKeyPath()
{
    return std::string(SHARED_ROOT_KEY) + SETTINGS_SUBKEY;
}

std::string SharedKeyPath(const std::string& strSubKey)
{
    return std::string(SHARED_ROOT_KEY) + strSubKey;
}

// Reads a string value into the fixed read buffer. The stored data need not carry its
// terminator, so one byte beyond the size handed to the registry is kept for it. Values of a
// non-string type are treated as absent rather than shown as raw bytes.
bool QueryString(HKEY hHive, const std::string& strKeyPath, const std::string& strValueName,
                 std::string& strOut)
{
    CRegistryKey key;
    if (key.Open(hHive, strKeyPath.c_str(), KEY_QUERY_VALUE | SETTINGS_REG_VIEW) != ERROR_SUCCESS)
        return false;
    char szBuffer[SETTINGS_READ_BUFFER + 1];
    DWORD dwType = REG_NONE;
    DWORD cbData = SETTINGS_READ_BUFFER;
    if (RegQueryValueExA(key.Get(), strValueName.c_str(), NULL, &dwType,
                         reinterpret_cast<BYTE*>(szBuffer), &cbData) != ERROR_SUCCESS)
        return false;
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ)
        return false;
    szBuffer[cbData < SETTINGS_READ_BUFFER ? cbData : SETTINGS_READ_BUFFER] = '\0';
    strOut = szBuffer;
    return true;
}

// A text must leave room for its terminator in the read buffer, or it could be stored but
// never read back; longer texts are refused whole rather than cut.
bool StoreString(HKEY hHive, const std::string& strKeyPath, const std::string& strValueName,
                 const std::string& strText)
{
    if (strText.size() > SETTINGS_READ_BUFFER - 1)
        return false;
    char szBuffer[SETTINGS_WRITE_BUFFER];
    std::memset(szBuffer, 0, sizeof szBuffer);
    std::memcpy(szBuffer, strText.data(), strText.size());
    const DWORD cbData = static_cast<DWORD>(std::strlen(szBuffer) + 1);

    CRegistryKey key;
    if (key.Create(hHive, strKeyPath.c_str(), KEY_WRITE | SETTINGS_REG_VIEW) != ERROR_SUCCESS)
        return false;
    const LONG lSet = RegSetValueExA(key.Get(), strValueName.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(szBuffer), cbData);
    const LONG lClose = key.Close();
    return lSet == ERROR_SUCCESS && lClose == ERROR_SUCCESS;
}

bool StoreDword(HKEY hHive, const std::string& strKeyPath, const std::string& strValueName,
                DWORD dwValue)
{
    CRegistryKey key;
    if (key.Create(hHive, strKeyPath.c_str(), KEY_WRITE | SETTINGS_REG_VIEW) != ERROR_SUCCESS)
        return false;
    const LONG lSet = RegSetValueExA(key.Get(), strValueName.c_str(), 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&dwValue), sizeof dwValue);
    const LONG lClose = key.Close();
    return lSet == ERROR_SUCCESS && lClose == ERROR_SUCCESS;
}

} // namespace

std::string ReadIniString(const std::string& strSection, const std::string& strKey,
                          const std::string& strIniPath)
{
    char szBuffer[SETTINGS_READ_BUFFER];
    const DWORD cchRead = GetPrivateProfileStringA(strSection.c_str(), strKey.c_str(), INI_ABSENT_MARKER,
                                                   szBuffer, SETTINGS_READ_BUFFER, strIniPath.c_str());
    // A full buffer means the text was cut: a shortened folder is worse than none.
    if (cchRead >= SETTINGS_READ_BUFFER - 1)
        return std::string();
    if (std::strcmp(szBuffer, INI_ABSENT_MARKER) == 0)
        return std::string();
    return szBuffer;
}

std::string AddTrailingBackslash(const std::string& strPath)
{
    if (strPath.empty())
        return strPath;
    // By character: in a double-byte code page the last byte 0x5C may end a character such as "\x83\x5C".
    const char* pszEnd = strPath.c_str() + strPath.size();
    const char* pszLast = CharPrevA(strPath.c_str(), pszEnd);
    if (pszEnd - pszLast == 1 && *pszLast == '\\')
        return strPath;
    return strPath + '\\';
}

bool FileExists(const std::string& strPath)
{
    if (strPath.empty())
        return false;
    HANDLE hFile = CreateFileA(strPath.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(hFile);
    return true;
}

std::string ReadSharedString(const std::string& strSubKey, const std::string& strValueName)
{
    std::string strValue;
    if (!QueryString(HKEY_LOCAL_MACHINE, SharedKeyPath(strSubKey), strValueName, strValue))
        return std::string();
    return strValue;
}

int ReadSharedInt(const std::string& strSubKey, const std::string& strValueName, int nDefault)
{
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, SharedKeyPath(strSubKey).c_str(),
                 KEY_QUERY_VALUE | SETTINGS_REG_VIEW) != ERROR_SUCCESS)
        return nDefault;
    DWORD dwValue = 0;
    DWORD dwType = REG_NONE;
    DWORD cbData = sizeof dwValue;
    if (RegQueryValueExA(key.Get(), strValueName.c_str(), NULL, &dwType,
                         reinterpret_cast<BYTE*>(&dwValue), &cbData) != ERROR_SUCCESS)
        return nDefault;
    // A shorter value (a one-character string, say) would leave part of the number unset.
    if (dwType != REG_DWORD || cbData != sizeof dwValue)
        return nDefault;
    return static_cast<int>(dwValue);
}

bool WriteSharedString(const std::string& strSubKey, const std::string& strValueName,
                       const std::string& strText)
{
    return StoreString(HKEY_LOCAL_MACHINE, SharedKeyPath(strSubKey), strValueName, strText);
}

bool WriteSharedInt(const std::string& strSubKey, const std::string& strValueName, int nValue)
{
    return StoreDword(HKEY_LOCAL_MACHINE, SharedKeyPath(strSubKey), strValueName,
                      static_cast<DWORD>(nValue));
}

std::string ReadSetting(const std::string& strValueName, const std::string& strDefault)
{
    std::string strValue;
    if (!QueryString(HKEY_CURRENT_USER, SettingsKeyPath(), strValueName, strValue))
        return strDefault;
    return strValue;
}

bool WriteSetting(const std::string& strValueName, const std::string& strText)
{
    return StoreString(HKEY_CURRENT_USER, SettingsKeyPath(), strValueName, strText);
}

std::string ReadRegString(HKEY hHive, const std::string& strKeyPath, const std::string& strValueName,
                          const std::string& strDefault)
{
    std::string strValue;
    if (!QueryString(hHive, strKeyPath, strValueName, strValue))
        return strDefault;
    return strValue;
}

bool WriteRegString(HKEY hHive, const std::string& strKeyPath, const std::string& strValueName,
                    const std::string& strText)
{
    return StoreString(hHive, strKeyPath, strValueName, strText);
}
