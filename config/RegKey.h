// RegKey.h: owning wrapper around an open registry key (closed on scope exit).
#pragma once

#include <windows.h>

/** @brief One open registry key; the destructor closes it, Close() reports the result. */
class CRegKey
{
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    /** Opens an existing key; never creates one. */
    LONG Open(HKEY hParent, const char* pszPath, REGSAM samDesired)
    {
        Close();
        return RegOpenKeyExA(hParent, pszPath, 0, samDesired, &m_hKey);
    }

    /** Opens the key, creating it and any missing parent keys. */
    LONG Create(HKEY hParent, const char* pszPath, REGSAM samDesired)
    {
        Close();
        return RegCreateKeyExA(hParent, pszPath, 0, NULL, REG_OPTION_NON_VOLATILE,
                               samDesired, NULL, &m_hKey, NULL);
    }

    /** Closes the key now; ERROR_SUCCESS when nothing was open. */
    LONG Close()
    {
        if (!m_hKey)
            return ERROR_SUCCESS;
        LONG lResult = RegCloseKey(m_hKey);
        m_hKey = NULL;
        return lResult;
    }

    HKEY Get() const { return m_hKey; }

private:
    HKEY m_hKey = NULL;     // owned
};
