// RegistryKey.cpp
#include "framework/win/RegistryKey.h"
#include <vector>

LONG CRegistryKey::Open(HKEY hParent, const std::string& strPath, REGSAM samDesired)
{
    Close();
    return ::RegOpenKeyExA(hParent, strPath.c_str(), 0, samDesired, &m_hKey);
}

LONG CRegistryKey::Create(HKEY hParent, const std::string& strPath, REGSAM samDesired)
{
    Close();
    return ::RegCreateKeyExA(hParent, strPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             samDesired, nullptr, &m_hKey, nullptr);
}

LONG CRegistryKey::Close()
{
    if (!m_hKey)
        return ERROR_SUCCESS;
    LONG lResult = ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return lResult;
}

bool CRegistryKey::QueryString(const char* pszName, std::string& strOut) const
{
    if (!m_hKey)
        return false;
    DWORD dwType = 0, cb = 0;
    if (::RegQueryValueExA(m_hKey, pszName, nullptr, &dwType, nullptr, &cb) != ERROR_SUCCESS ||
        (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
        return false;
    std::vector<char> buf(cb + 1, '\0');
    if (::RegQueryValueExA(m_hKey, pszName, nullptr, &dwType,
                           reinterpret_cast<BYTE*>(buf.data()), &cb) != ERROR_SUCCESS)
        return false;
    strOut.assign(buf.data());   // stops at the first zero, whether or not the value had one
    return true;
}

bool CRegistryKey::QueryDword(const char* pszName, DWORD& dwOut) const
{
    if (!m_hKey)
        return false;
    DWORD dwType = 0, dwValue = 0, cb = sizeof(dwValue);
    if (::RegQueryValueExA(m_hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue),
                           &cb) != ERROR_SUCCESS || dwType != REG_DWORD)
        return false;
    // A value shorter than four bytes would leave the high bytes of the number unset.
    if (cb != sizeof(dwValue))
        return false;
    dwOut = dwValue;
    return true;
}

LONG CRegistryKey::SetString(const char* pszName, const std::string& strValue)
{
    return ::RegSetValueExA(m_hKey, pszName, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(strValue.c_str()),
                            static_cast<DWORD>(strValue.size() + 1));
}

LONG CRegistryKey::SetDword(const char* pszName, DWORD dwValue)
{
    return ::RegSetValueExA(m_hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                            sizeof(dwValue));
}

LONG CRegistryKey::DeleteValue(const char* pszName)
{
    return ::RegDeleteValueA(m_hKey, pszName);
}

LONG CRegistryKey::DeleteTree(HKEY hParent, const std::string& strPath)
{
    CRegistryKey key;
    LONG lResult = key.Open(hParent, strPath, KEY_READ | KEY_WRITE);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    char szName[256];
    for (;;)
    {
        DWORD cch = sizeof(szName);
        if (::RegEnumKeyExA(key.m_hKey, 0, szName, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (DeleteTree(key.m_hKey, szName) != ERROR_SUCCESS)
            break;
    }
    key.Close();
    return ::RegDeleteKeyA(hParent, strPath.c_str());
}
