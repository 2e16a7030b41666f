// RecentFileList.h: the most recently used archives, as the File menu shows them.
#pragma once
#include <string>
#include <vector>

/** @brief Keeps up to m_nMaxSize paths, newest first, with no duplicates (paths compare ignoring case). */
class CRecentFileList
{
public:
    explicit CRecentFileList(size_t nMaxSize) : m_nMaxSize(nMaxSize) {}

    void Add(const std::string& strPath);
    void Remove(size_t nIndex);
    size_t GetSize() const { return m_arrNames.size(); }
    const std::string& operator[](size_t nIndex) const { return m_arrNames[nIndex]; }

    /// The menu text of entry nIndex: "&1 " and the path, shortened to its drive and
    /// file name when it is long ("C:\...\maps.vpp").
    std::string GetMenuText(size_t nIndex) const;

    /// Registry section layout: values "File1" to "FileN" under the given key.
    void ReadList(const std::string& strKeyPath);
    void WriteList(const std::string& strKeyPath) const;

private:
    size_t m_nMaxSize;
    std::vector<std::string> m_arrNames;
};
