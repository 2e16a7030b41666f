// RegistryKey.h: an owned registry key, closed on scope exit.
#pragma once
#include <windows.h>
#include <string>

/** @brief RAII registry key for the framework's profile and shell registration. */
class CRegistryKey
{
public:
    CRegistryKey() = default;
    ~CRegistryKey() { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    LONG Open(HKEY hParent, const std::string& strPath, REGSAM samDesired = KEY_READ);
    LONG Create(HKEY hParent, const std::string& strPath, REGSAM samDesired = KEY_READ | KEY_WRITE);
    /// Closes the key now; ERROR_SUCCESS when nothing was open.
    LONG Close();
    HKEY Get() const { return m_hKey; }

    bool QueryString(const char* pszName, std::string& strOut) const;
    bool QueryDword(const char* pszName, DWORD& dwOut) const;
    LONG SetString(const char* pszName, const std::string& strValue);
    LONG SetDword(const char* pszName, DWORD dwValue);
    LONG DeleteValue(const char* pszName);

    /// Deletes a key with everything below it (RegDeleteTree is not on every target).
    static LONG DeleteTree(HKEY hParent, const std::string& strPath);

    HKEY m_hKey = nullptr;
};
