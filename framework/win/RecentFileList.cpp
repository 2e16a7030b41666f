// RecentFileList.cpp
#include "framework/win/RecentFileList.h"
#include "framework/win/RegistryKey.h"

namespace
{
bool SamePath(const std::string& a, const std::string& b)
{
    return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

const size_t kMaxMenuPath = 40;
}

void CRecentFileList::Add(const std::string& strPath)
{
    if (strPath.empty())
        return;
    for (size_t i = 0; i < m_arrNames.size(); ++i)
    {
        if (SamePath(m_arrNames[i], strPath))
        {
            m_arrNames.erase(m_arrNames.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    m_arrNames.insert(m_arrNames.begin(), strPath);
    if (m_arrNames.size() > m_nMaxSize)
        m_arrNames.resize(m_nMaxSize);
}

void CRecentFileList::Remove(size_t nIndex)
{
    if (nIndex < m_arrNames.size())
        m_arrNames.erase(m_arrNames.begin() + static_cast<std::ptrdiff_t>(nIndex));
}

std::string CRecentFileList::GetMenuText(size_t nIndex) const
{
    std::string strPath = m_arrNames[nIndex];
    if (strPath.size() > kMaxMenuPath)
    {
        size_t nFirst = strPath.find('\\');
        size_t nLast = strPath.rfind('\\');
        if (nFirst != std::string::npos && nLast != nFirst)
            strPath = strPath.substr(0, nFirst + 1) + "..." + strPath.substr(nLast);
    }
    // A single "&" in a path would turn the next letter into a mnemonic.
    std::string strEscaped;
    for (char ch : strPath)
    {
        strEscaped += ch;
        if (ch == '&')
            strEscaped += '&';
    }
    std::string strNumber = nIndex + 1 < 10 ? "&" + std::to_string(nIndex + 1)
                                            : "1&0";
    return strNumber + " " + strEscaped;
}

void CRecentFileList::ReadList(const std::string& strKeyPath)
{
    m_arrNames.clear();
    CRegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, strKeyPath) != ERROR_SUCCESS)
        return;
    for (size_t i = 0; i < m_nMaxSize; ++i)
    {
        std::string strValue;
        std::string strName = "File" + std::to_string(i + 1);
        if (key.QueryString(strName.c_str(), strValue) && !strValue.empty())
            m_arrNames.push_back(strValue);
    }
}

void CRecentFileList::WriteList(const std::string& strKeyPath) const
{
    CRegistryKey key;
    if (key.Create(HKEY_CURRENT_USER, strKeyPath) != ERROR_SUCCESS)
        return;
    for (size_t i = 0; i < m_nMaxSize; ++i)
    {
        std::string strName = "File" + std::to_string(i + 1);
        if (i < m_arrNames.size())
            key.SetString(strName.c_str(), m_arrNames[i]);
        else
            key.DeleteValue(strName.c_str());
    }
}
